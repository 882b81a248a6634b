#pragma once
// One entry of a listed folder, as a storage back end reports it.
#include <cstdint>
#include <string>

namespace quarro {

struct entry {
  std::string name;     // the entry's own name, no folder part
  bool folder = false;
  int64_t mtime = 0;    // seconds since 1970-01-01 UTC
  int64_t size = 0;     // bytes (folders as the storage reports them)
  std::string line;     // the raw listing line when the storage gives one (FTP, SFTP)
};

}  // namespace quarro
