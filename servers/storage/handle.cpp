#include "servers/storage/handle.h"

#include "servers/storage/ftp.h"
#include "servers/storage/local.h"
#include "servers/storage/sftp.h"
#include "servers/storage/tftp.h"

namespace quarro {

handle::~handle() = default;

bool handle::create_backend(const quarro::location* where) {
  if (!where) return false;
  backend.reset();
  open_flags = 0;
  switch (where->scheme) {
    case SCHEME_LOCAL: backend = std::make_unique<local>(*where, this); break;
    case SCHEME_FTP: backend = std::make_unique<ftp>(*where, this); break;
    case SCHEME_TFTP: backend = std::make_unique<tftp>(*where, this); break;
    case SCHEME_SFTP: backend = std::make_unique<sftp>(*where, this); break;
    default: return false;
  }
  return true;
}

bool handle::open(bool write) {
  if (!backend) {
    last_error = ERROR_NO_BACKEND;
    return false;
  }
  if (open_flags) {
    last_error = ERROR_OPEN_STATE;
    return false;
  }
  if (!backend->open(write)) return false;
  open_flags = write ? OPEN_WRITE : OPEN_READ;
  return true;
}

int handle::read(char* buffer, int size) {
  if (!backend || !(open_flags & OPEN_READ)) {
    last_error = backend ? ERROR_OPEN_STATE : ERROR_NO_BACKEND;
    return -1;
  }
  return backend->read(buffer, size);
}

bool handle::close() {
  if (!backend) {
    last_error = ERROR_NO_BACKEND;
    return false;
  }
  if (!backend->close()) return false;
  open_flags = 0;
  return true;
}

}  // namespace quarro
