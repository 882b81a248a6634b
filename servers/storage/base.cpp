#include "servers/storage/base.h"

#include <utility>

#include "servers/storage/handle.h"

namespace quarro {

base::base(const quarro::location& where, handle* owner_handle) : location(where), owner(owner_handle) {
  if (location.default_port) location.port = default_port_of(location.scheme);
}

bool base::open(bool) { return false; }
bool base::close() { return false; }
int base::read(char*, int) { return -1; }
int base::write(const char*, int) { return -1; }
bool base::list(std::vector<entry>&) { return false; }

void base::fail(uint32_t code) {
  if (owner) owner->last_error = code;
}

void base::refuse(std::string why) {
  if (owner) owner->refusal = std::move(why);
}

}  // namespace quarro
