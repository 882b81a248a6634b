#include "tests/support/spawn.h"

#include <spawn.h>
#include <sys/wait.h>

#include <utility>

extern char** environ;

namespace test_support {

pid_t start_program(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  return posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? child : 0;
}

int run_program(std::vector<std::string> arguments) {
  const pid_t child = start_program(std::move(arguments));
  int status = 0;
  if (child <= 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace test_support
