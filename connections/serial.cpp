#include "connections/serial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

#include "connections/serial_line.h"

namespace {

using steady = std::chrono::steady_clock;

// Opens the device for this program alone: TIOCEXCL refuses other opens of the terminal, the
// lock refuses the programs that take it (the same program included, even with privileges).
// -1 with errno set on failure; a port held by someone else is EBUSY whichever of the two
// noticed it.
int open_exclusively(const std::string& path) {
  if (path.empty()) {
    errno = ENODEV;
    return -1;
  }
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (ioctl(fd, TIOCEXCL) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

// Why the port could not be opened, on the standard error stream as the other connections'
// refusals are: "COM 1: device or resource busy".
void report_open_failure(unsigned com_port, int error) {
  std::string reason = std::strerror(error);
  if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
  std::fprintf(stderr, "COM %u: %s\n", com_port, reason.c_str());
}

}  // namespace

serial::serial(std::string_view uuid, serial_param param) : protocol(protocol_serial, uuid), param(std::move(param)) {}

serial::~serial() { close(); }

std::u16string serial::display_name() const {
  std::string name = "COM" + std::to_string(param.com_port);
  return std::u16string(name.begin(), name.end());
}

int serial::get_params(connection_params& out) const {
  out.protocol = protocol_serial;
  out.serial = param;
  return 1;
}

bool serial::open(const platform::worker_control&) {
  int fd = open_exclusively(serial_device_path(param.com_port));
  // Only what is still waiting to go out is dropped; received bytes stay.
  if (fd >= 0 && apply_line_settings(fd, param) && tcflush(fd, TCOFLUSH) == 0) {
    port = fd;
    return true;
  }
  report_open_failure(param.com_port, errno);
  if (fd >= 0) ::close(fd);
  close();
  return false;
}

int serial::close() {
  if (port >= 0) {
    ::close(port);
    port = -1;
  }
  return 1;
}

int serial::run_request(std::u16string&, const platform::worker_control&) { return 0; }

int serial::read(char* buffer, int capacity) {
  if (port < 0) return -1;
  pollfd ready{port, POLLIN, 0};
  if (poll(&ready, 1, 0) < 0) return errno == EINTR ? 0 : -1;
  // A port that went away (a pty whose other side closed, an unplugged adapter) hangs up;
  // what it still held is delivered first.
  if (!(ready.revents & POLLIN)) return (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) ? -1 : 0;
  ssize_t n = ::read(port, buffer, static_cast<size_t>(capacity));
  if (n > 0) return static_cast<int>(n);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
  return -1;
}

int serial::write(const char* data, int length) {
  if (port < 0) return -1;
  auto deadline = steady::now() + std::chrono::milliseconds(write_timeout_constant_ms +
                                                           write_timeout_per_byte_ms * length);
  int written = 0;
  while (written < length) {
    ssize_t n = ::write(port, data + written, static_cast<size_t>(length - written));
    if (n > 0) {
      written += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return written > 0 ? written : -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now()).count();
    if (left <= 0) break;
    pollfd room{port, POLLOUT, 0};
    if (poll(&room, 1, static_cast<int>(left)) > 0 && (room.revents & (POLLHUP | POLLERR | POLLNVAL)))
      return written > 0 ? written : -1;
  }
  return written;
}

int serial::set_size(terminal_size) { return 0; }

wait_target serial::input_wait() const { return {port, POLLIN}; }
