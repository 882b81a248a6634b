#pragma once
// One entry of a remote folder listing, as the explorer shows it.
#include <cstdint>
#include <string>

struct file_entry {
  std::string name;   // as the server sends it
  std::string mode;   // the permission text, e.g. drwxr-xr-x; a leading 'd' marks a folder
  int32_t links = 0;
  std::string owner;
  std::string group;
  uint64_t size = 0;
  uint32_t atime = 0;  // seconds since 1970; 0 when not sent
  uint32_t mtime = 0;
};
