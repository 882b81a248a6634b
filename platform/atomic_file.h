#pragma once
// Writing files so that a crash or a full disk never leaves a half-written one in place.
#include <string>
#include <string_view>

namespace platform {

// Writes `data` to a temporary file beside `path`, flushes and fsyncs it, then renames it over
// `path`. The file gets `mode` (0600 by default: settings hold scrambled passwords). True only
// when every step succeeded; on failure `path` is untouched, the temporary file removed, and errno
// says why.
// When `path` is a symbolic link the file it leads to is replaced and the link stays (a
// settings file kept among a user's dotfiles). The temporary file is named `path` followed by
// ".saving-" and six letters or digits, and is locked while it is written.
bool write_file_atomically(const std::string& path, std::string_view data, unsigned mode = 0600);

// Removes the temporary files that writes to `path` left behind when their process died in the
// middle (a kill, a crash, a power cut): those named as above that no live writer holds.
void remove_stale_temporaries(const std::string& path);

// Replaces `target` by a copy of `source` the same way (the copy of the backup over the main
// settings file).
bool copy_file_atomically(const std::string& source, const std::string& target, unsigned mode = 0600);

// Reads a whole file; false when it cannot be opened or read.
bool read_file(const std::string& path, std::string& data);

}  // namespace platform
