#pragma once
// One entry of a remote folder listing, as the explorer shows it, and what a folder walk makes
// of an entry.
#include <cstdint>
#include <string>
#include <string_view>

struct file_entry {
  std::string name;   // the bytes the server sent
  std::string mode;   // the permission text, e.g. drwxr-xr-x; a leading 'd' marks a folder
  int32_t links = 0;
  std::string owner;
  std::string group;
  uint64_t size = 0;
  uint32_t atime = 0;  // seconds since 1970; 0 when not sent
  uint32_t mtime = 0;
};

// Fills mode, links, owner and group from the server's long entry ("drwxr-xr-x 2 u g 4096 ..."):
// its first four tokens, split at spaces and tabs. Missing tokens leave their fields alone.
void read_long_entry(std::string_view long_entry, file_entry& entry);

// What a folder walk does with an entry. The kind is the entry's own (a symbolic link is
// `other`, whatever it points to), so no walk follows a link into a loop.
enum class entry_kind { file, folder, other };
