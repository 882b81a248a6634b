// Stopping a program a test started: one that ends on SIGTERM is reaped at once and quietly,
// one that ignores SIGTERM is killed after the grace and standard error says which, and a
// program that leads its own process group takes its children with it.
#include "tests/support/stop_process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/support/wait_until.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

// Starts `sh -c script`, in a process group of its own when asked; its process id.
pid_t start_shell(const std::string& script, bool own_group) {
  std::vector<std::string> words{"/bin/sh", "-c", script};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (own_group) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t child = 0;
  const int failed = posix_spawn(&child, argv[0], nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  return failed ? 0 : child;
}

std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The process runs `sleep 100` by now (the shell before it has done its part).
bool sleeping(pid_t pid) {
  return file_text("/proc/" + std::to_string(pid) + "/cmdline") == std::string("sleep\0" "100\0", 10);
}

bool reaped(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD; }

TEST(stop_process, ends_the_program_with_sigterm_or_after_the_grace_with_sigkill) {
  struct row {
    const char* name;
    const char* script;
    int ended_by;
  };
  const row rows[] = {
      {"ends on SIGTERM", "exec sleep 100", SIGTERM},
      // The ignored signal stays ignored across exec.
      {"ignores SIGTERM", "trap '' TERM; exec sleep 100", SIGKILL},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const pid_t child = start_shell(r.script, false);
    ASSERT_GT(child, 0);
    ASSERT_TRUE(test_support::wait_until([&] { return sleeping(child); }));
    testing::internal::CaptureStderr();
    const auto began = std::chrono::steady_clock::now();
    const int status = test_support::stop_process(child, 300ms);
    const auto took = std::chrono::steady_clock::now() - began;
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), r.ended_by);
    EXPECT_TRUE(reaped(child));
    EXPECT_LT(took, 10s);
    if (r.ended_by == SIGKILL) {
      EXPECT_GE(took, 300ms);
      const std::string notice =
          "sleep 100 (process " + std::to_string(child) + ") did not end within 300 ms of SIGTERM: killed\n";
      EXPECT_EQ(said, notice);
    } else {
      EXPECT_EQ(said, "");
    }
  }
}

TEST(stop_process, a_group_leader_takes_its_children_along) {
  test_support::temp_folder folder;
  const std::string noted = folder.file("child");
  const pid_t leader = start_shell("sleep 100 & echo $! > " + noted + "; wait", true);
  ASSERT_GT(leader, 0);
  ASSERT_TRUE(test_support::wait_until([&] { return file_text(noted).ends_with('\n'); }));
  const pid_t child = std::stoi(file_text(noted));
  ASSERT_TRUE(test_support::wait_until([&] { return sleeping(child); }));
  const int status = test_support::stop_process(leader);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_TRUE(reaped(leader));
  // The child, no longer ours, is reaped by whoever took it over.
  EXPECT_TRUE(test_support::wait_until([&] { return kill(child, 0) != 0 || !sleeping(child); }));
}

}  // namespace
