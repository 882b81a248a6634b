#include "platform/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>

namespace platform {

wake_event::wake_event() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

wake_event::~wake_event() {
  if (fd_ >= 0) ::close(fd_);
}

void wake_event::signal() {
  if (fd_ < 0) return;
  const uint64_t one = 1;
  // A full counter (EAGAIN) is still readable, which is all a wake needs.
  while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void wake_event::clear() {
  if (fd_ < 0) return;
  uint64_t count;
  while (::read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

bool wake_event::wait(int timeout_ms) const {
  if (fd_ < 0) return false;
  using namespace std::chrono;
  const auto deadline = steady_clock::now() + milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    int left = -1;
    if (timeout_ms >= 0)
      left = static_cast<int>(std::max<int64_t>(
          0, duration_cast<milliseconds>(deadline - steady_clock::now()).count()));
    pollfd p{fd_, POLLIN, 0};
    const int n = ::poll(&p, 1, left);
    if (n > 0) return true;
    if (n == 0 || errno != EINTR) return false;
  }
}

}  // namespace platform
