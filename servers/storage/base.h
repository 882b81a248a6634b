#pragma once
// A storage back end: reads (and could write) one file, learns its size, lists one folder, all
// at the path of its own copy of the location. One back end serves one HTTP request on the
// server's worker thread and is deleted with it, so nothing is kept between requests.
//
// Failures are results: false, -1 or a negative count, with a last-error number left in the
// owning handle (FTP 0x1000000 + n, TFTP 0x2000000 + n, local 0x3000000), and where a number
// would not tell the user why, a refusal in words.
#include <cstdint>
#include <string>
#include <vector>

#include "servers/storage/entry.h"
#include "servers/storage/location.h"

namespace quarro {

class handle;

class base {
 public:
  // `where` is copied; its port becomes the scheme's default when the text gave none.
  base(const quarro::location& where, handle* owner);
  virtual ~base() = default;
  base(const base&) = delete;
  base& operator=(const base&) = delete;

  // Opens the file for reading (or writing); false by default.
  virtual bool open(bool write);
  // Closes what open opened; false by default.
  virtual bool close();
  // Bytes read, 0 at the end of the data, negative on an error; -1 by default.
  virtual int read(char* buffer, int size);
  // Bytes written, negative on an error; -1 by default.
  virtual int write(const char* data, int size);
  // The file's size in bytes, -1 when it cannot be learned. What a back end opened to learn it
  // (the file itself, a logged-in session) may be kept for the `open` that follows.
  virtual int64_t size() = 0;
  // The system descriptor of a file opened for reading and not read through `read` yet, so
  // that the kernel can copy it to a socket; -1 (the default) when the back end has none.
  virtual int descriptor() const { return -1; }
  // Replaces `entries` with the folder's entries; false (entries untouched) when it cannot.
  virtual bool list(std::vector<entry>& entries);

  quarro::location location;
  handle* owner;

 protected:
  // Leaves `code` as the owning handle's last error.
  void fail(uint32_t code);
  // Leaves `why` as the owning handle's refusal.
  void refuse(std::string why);
};

}  // namespace quarro
