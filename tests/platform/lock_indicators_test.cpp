// The lock indicators of a real X display: an Xvfb server of the test's own, whose Caps Lock and
// Num Lock keys xdotool presses. Offscreen, the application has no indicator source at all.
#include "platform/lock_indicators.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/peer_env.h"
#include "tests/support/stop_process.h"

#include <X11/Xlib.h>

namespace {

bool have(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }

// An Xvfb server on a display it picks itself; ended with the object.
class xvfb_server {
 public:
  xvfb_server() {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(pipe_fds[1], 3);
      ::close(pipe_fds[0]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "320x200x24", "-nolisten", "tcp", nullptr);
      ::_exit(127);
    }
    ::close(pipe_fds[1]);
    // The display number comes once the server is ready; the pipe closes if it ends first.
    char c = 0;
    std::string number;
    while (::read(pipe_fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(pipe_fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~xvfb_server() { test_support::stop_process(pid_); }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

TEST(LockIndicators, OffscreenThereIsNoSource) { EXPECT_EQ(platform::display_lock_indicators(), nullptr); }

TEST(LockIndicators, X11SourceReadsTheKeyboardsIndicators) {
  REQUIRE_PEER(have("Xvfb") && have("xdotool"), "Xvfb and xdotool");
  xvfb_server server;
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  Display* display = XOpenDisplay(server.display().c_str());
  ASSERT_NE(display, nullptr);
  std::unique_ptr<platform::lock_indicator_source> source = platform::x11_lock_indicators(display);
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->read(), platform::lock_state{});
  // Each press is another client's: wait until the server has taken it.
  auto press_and_wait = [&](const char* key, const platform::lock_state& expected) {
    const std::string command = "DISPLAY=" + server.display() + " xdotool key " + key;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (source->read() != expected && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(source->read(), expected) << key;
  };
  press_and_wait("Caps_Lock", {true, false, false});
  press_and_wait("Num_Lock", {true, true, false});
  press_and_wait("Caps_Lock", {false, true, false});
  source.reset();
  XCloseDisplay(display);
}

}  // namespace
