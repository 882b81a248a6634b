#pragma once
// What tests that talk to real peers share: the peers' settings from the environment
// (tests/peers/start writes them) and the rule for a missing peer.
#include <gtest/gtest.h>

#include <string>

namespace test_support {

// CI sets CI=true: a missing peer is then a failure, not a skip.
bool running_in_ci();
// The variable's value, empty when it is not set.
std::string env(const char* name);

}  // namespace test_support

// A peer the test needs is missing: a failure under CI (CI=true), else the test is skipped.
#define REQUIRE_PEER(available, reason)                                             \
  do {                                                                               \
    if (!(available)) {                                                              \
      if (test_support::running_in_ci()) FAIL() << "peer missing: " << (reason);     \
      GTEST_SKIP() << "peer missing: " << (reason);                                  \
    }                                                                                \
  } while (0)
