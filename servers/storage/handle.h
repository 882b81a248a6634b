#pragma once
// The owner of one request's back end: makes the back end that fits a location, keeps whether
// it is open, and holds the last error that the back end or the handle itself left.
#include <cstdint>
#include <memory>
#include <string>

#include "servers/storage/base.h"

namespace quarro {

enum handle_error : uint32_t {
  ERROR_NONE = 0,
  ERROR_NO_BACKEND = 2,
  ERROR_OPEN_STATE = 3,  // not open, or already open
};

enum open_flag : uint32_t {
  OPEN_READ = 1,
  OPEN_WRITE = 2,
};

class handle {
 public:
  handle() = default;
  ~handle();
  handle(const handle&) = delete;
  handle& operator=(const handle&) = delete;

  // Replaces the back end with one for `where`'s scheme (a copy of `where`, with its default
  // port filled in). False, and nothing changed, for a null location; false and no back end for
  // an invalid scheme.
  bool create_backend(const quarro::location* where);

  // Opens the back end's file: error 2 without a back end, error 3 when it is already open.
  bool open(bool write);
  // Reads from the open file; -1 (error 3) when nothing is open for reading.
  int read(char* buffer, int size);
  // Closes the back end's file; the open flags are cleared when that succeeds.
  bool close();

  std::unique_ptr<quarro::base> backend;
  uint32_t open_flags = 0;
  uint32_t last_error = ERROR_NONE;
  // Why the back end refused, in words, where a number would not tell the user (a server whose
  // host key changed); empty otherwise.
  std::string refusal;
};

}  // namespace quarro
