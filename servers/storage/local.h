#pragma once
// The back end for a folder on this machine. Only regular files are read, and sizes are 64-bit:
// what a path leads to is looked at before anything is opened, so a folder, a FIFO, a device or
// a socket there is refused without ever being opened, and no open waits. `size` opens the file
// and keeps it for the `open` that follows, so that an answer's length and body come from one
// file even while another is renamed to its name. Links are followed only where they stay
// inside the location's home: a file or folder that resolves to a place outside it has no size,
// does not open and does not list. Where an opened file leads is read from /proc/self/fd;
// without /proc nothing is served.
#include <cstdio>
#include <string>

#include "servers/storage/base.h"

namespace quarro {

enum local_error : uint32_t {
  LOCAL_LIST_FAILED = 0x3000000,
};

class local : public base {
 public:
  using base::base;
  ~local() override;

  bool open(bool write) override;
  bool close() override;
  int read(char* buffer, int size) override;
  int write(const char* data, int size) override;
  int64_t size() override;
  int descriptor() const override;
  // Every entry of the folder in the order the system gives them, "." and ".." included; a link
  // leading outside the home (or nowhere) is left out.
  bool list(std::vector<entry>& entries) override;

 private:
  // The home with every link resolved, found once per request.
  const std::string& resolved_home();

  FILE* file = nullptr;  // opened by size or open
  bool opened = false;   // open succeeded: the file may be read (or written)
  std::string real_home;
};

}  // namespace quarro
