#pragma once
// Writing files so that a crash or a full disk never leaves a half-written one in place.
#include <string>
#include <string_view>

namespace platform {

// Writes `data` to a temporary file beside `path`, flushes and fsyncs it, then renames it over
// `path`. The file gets `mode` (0600 by default: settings hold scrambled passwords). True only
// when every step succeeded; on failure `path` is untouched and the temporary file removed.
bool write_file_atomically(const std::string& path, std::string_view data, unsigned mode = 0600);

// Replaces `target` by a copy of `source` the same way (the copy of the backup over the main
// settings file).
bool copy_file_atomically(const std::string& source, const std::string& target, unsigned mode = 0600);

// Reads a whole file; false when it cannot be opened or read.
bool read_file(const std::string& path, std::string& data);

}  // namespace platform
