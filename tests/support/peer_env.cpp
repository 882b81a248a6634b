#include "tests/support/peer_env.h"

#include <cstdlib>

namespace test_support {

bool running_in_ci() { return env("CI") == "true"; }

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace test_support
