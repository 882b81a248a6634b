#include "tests/support/stop_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace test_support {

namespace {

// The command line of a running process, its words joined by blanks.
std::string command_of(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::string words(std::istreambuf_iterator<char>(in), {});
  while (!words.empty() && words.back() == '\0') words.pop_back();
  std::replace(words.begin(), words.end(), '\0', ' ');
  return words.empty() ? "process " + std::to_string(pid) : words + " (process " + std::to_string(pid) + ")";
}

}  // namespace

int stop_process(pid_t pid, std::chrono::milliseconds grace) {
  if (pid <= 0) return -1;
  const pid_t whom = getpgid(pid) == pid ? -pid : pid;
  kill(whom, SIGTERM);
  // The end usually comes within milliseconds: the first looks come soon, later ones less often.
  const auto deadline = std::chrono::steady_clock::now() + grace;
  auto slice = std::chrono::milliseconds(1);
  int status = 0;
  for (;;) {
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) return status;
    if (ended < 0 && errno != EINTR) return -1;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(slice, deadline - now));
    slice = std::min(slice * 2, std::chrono::milliseconds(50));
  }
  std::fprintf(stderr, "%s did not end within %lld ms of SIGTERM: killed\n", command_of(pid).c_str(),
               static_cast<long long>(grace.count()));
  kill(whom, SIGKILL);
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return status;
}

}  // namespace test_support
