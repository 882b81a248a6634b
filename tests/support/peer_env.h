#pragma once
// What tests that talk to real peers share: the peers' settings from the environment
// (tests/peers/start writes them), the rule for a missing peer and the check that the test user
// reaches what a test hands it.
#include <gtest/gtest.h>

#include <string>

namespace test_support {

// CI sets CI=true: a missing peer is then a failure, not a skip.
bool running_in_ci();
// The variable's value, empty when it is not set.
std::string env(const char* name);
// Empty when the test user of tests/peers/start (TESSARY_SSH_USER) can read the path and, for a
// folder or a program, enter or run it; else a message that says it cannot. A peer acting as
// that user would otherwise fail with an error that names something else.
std::string test_user_cannot_reach(const std::string& path);

}  // namespace test_support

// A peer the test needs is missing: a failure under CI (CI=true), else the test is skipped.
#define REQUIRE_PEER(available, reason)                                             \
  do {                                                                               \
    if (!(available)) {                                                              \
      if (test_support::running_in_ci()) FAIL() << "peer missing: " << (reason);     \
      GTEST_SKIP() << "peer missing: " << (reason);                                  \
    }                                                                                \
  } while (0)

// The test hands the path to a peer that acts as the test user: it fails here, saying so, when
// that user cannot reach it.
#define ASSERT_TEST_USER_REACHES(path)                                              \
  do {                                                                               \
    const std::string unreachable = test_support::test_user_cannot_reach(path);     \
    ASSERT_TRUE(unreachable.empty()) << unreachable;                                 \
  } while (0)
