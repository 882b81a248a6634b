#pragma once
// Programs a test starts directly, without a shell: argv[0] is a full path or a name looked up
// in PATH, and the program inherits the test's environment.
#include <sys/types.h>

#include <string>
#include <vector>

namespace test_support {

// Starts the program; its process id, 0 when it could not start.
pid_t start_program(std::vector<std::string> arguments);
// Runs the program to its end: its exit status, -1 when it could not start or was killed.
int run_program(std::vector<std::string> arguments);

}  // namespace test_support
