#include "tests/support/peer_env.h"

#include <sys/stat.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "tests/support/spawn.h"

namespace test_support {

bool running_in_ci() { return env("CI") == "true"; }

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string test_user_cannot_reach(const std::string& path) {
  std::string user = env("TESSARY_SSH_USER");
  if (user.empty()) return "no test user to reach " + path + " (tests/peers/start names it in TESSARY_SSH_USER)";
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return path + " does not exist";
  // The test runs as the user, so what it answers counts the modes of every folder above too.
  std::vector<std::string> arguments{"runuser", "-u", user, "--", "test", "-r", path};
  const bool enters = S_ISDIR(status.st_mode) || (status.st_mode & 0111) != 0;
  if (enters) arguments.insert(arguments.end(), {"-a", "-x", path});
  const int result = run_program(std::move(arguments));
  if (result == 0) return "";
  if (result < 0) return "runuser could not check that " + user + " reaches " + path;
  return "the test user " + user + " cannot " + (S_ISDIR(status.st_mode) ? "enter" : enters ? "run" : "read") + " " +
         path + ": it, or a folder above it, keeps other users out";
}

}  // namespace test_support
