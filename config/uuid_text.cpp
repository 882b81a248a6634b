#include "config/uuid_text.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

bool random_bytes(uint8_t* out, size_t n) {
  while (n > 0) {
    const ssize_t got = getrandom(out, n, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

std::string uuid_text() {
  uint8_t b[16];
  if (!random_bytes(b, sizeof b)) return {};
  b[6] = static_cast<uint8_t>((b[6] & 0x0F) | 0x40);  // version 4: random
  b[8] = static_cast<uint8_t>((b[8] & 0x3F) | 0x80);  // the RFC 4122 variant
  char text[33];
  for (size_t i = 0; i < sizeof b; ++i) std::snprintf(text + 2 * i, 3, "%02X", b[i]);
  return std::string(text, 32);
}
