#include "tests/connections/connection_test_support.h"

#include "config/text_convert.h"
#include "terminal/send_item.h"
#include "tests/support/stop_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace connection_test {

socat_pty_pair::socat_pty_pair(const std::string& folder, int number) {
  const std::string ours = folder + "/com" + std::to_string(number);
  const std::string theirs = folder + "/peer" + std::to_string(number);
  std::string our_end = "PTY,raw,echo=0,link=" + ours;
  std::string their_end = "PTY,raw,echo=0,link=" + theirs;
  char* argv[] = {const_cast<char*>("socat"), our_end.data(), their_end.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "socat", nullptr, nullptr, argv, environ) != 0) return;
  socat_ = pid;
  struct stat info {};
  ready_ = wait_until([&] { return stat(ours.c_str(), &info) == 0 && stat(theirs.c_str(), &info) == 0; });
}

socat_pty_pair::~socat_pty_pair() { stop(); }

void socat_pty_pair::stop() {
  if (socat_ <= 0) return;
  test_support::stop_process(socat_);
  socat_ = 0;
}

void recording_owner::connection_state_changed(connection_state state) {
  std::lock_guard<std::mutex> guard(lock);
  reported.push_back(state);
}

void recording_owner::sftp_ready(const std::string& sftp_host, const std::string& home_folder) {
  std::lock_guard<std::mutex> guard(lock);
  host = sftp_host;
  home = home_folder;
}

void recording_owner::file_request_done() {
  std::lock_guard<std::mutex> guard(lock);
  ++done;
}

std::vector<connection_state> recording_owner::states() const {
  std::lock_guard<std::mutex> guard(lock);
  return reported;
}

bool recording_owner::wait_for_state(connection_state state, std::chrono::milliseconds limit) const {
  return wait_until(
      [&] {
        std::lock_guard<std::mutex> guard(lock);
        return !reported.empty() && reported.back() == state;
      },
      limit);
}

int recording_owner::requests_done() const {
  std::lock_guard<std::mutex> guard(lock);
  return done;
}

std::string recording_owner::sftp_host() const {
  std::lock_guard<std::mutex> guard(lock);
  return host;
}

std::string recording_owner::sftp_home() const {
  std::lock_guard<std::mutex> guard(lock);
  return home;
}

terminal_size capture_link::size() const {
  std::lock_guard<std::mutex> guard(lock);
  return view;
}

int capture_link::fetch_send_data(std::span<char, fetch_size> buffer) {
  std::lock_guard<std::mutex> guard(lock);
  size_t n = std::min(outgoing.size(), buffer.size());
  std::memcpy(buffer.data(), outgoing.data(), n);
  outgoing.erase(0, n);
  return static_cast<int>(n);
}

void capture_link::receive_data(const char* bytes, int length) {
  std::lock_guard<std::mutex> guard(lock);
  incoming.append(bytes, static_cast<size_t>(length));
}

void capture_link::set_send_ready(std::function<void()> on_ready) {
  std::lock_guard<std::mutex> guard(lock);
  ready = std::move(on_ready);
  if (ready && !outgoing.empty()) ready();
}

void capture_link::set_size(uint16_t rows, uint16_t columns) {
  std::lock_guard<std::mutex> guard(lock);
  view = {rows, columns};
}

void capture_link::send(const std::string& bytes) {
  std::lock_guard<std::mutex> guard(lock);
  bool was_empty = outgoing.empty();
  outgoing += bytes;
  if (was_empty && ready) ready();
}

std::string capture_link::received() const {
  std::lock_guard<std::mutex> guard(lock);
  return incoming;
}

bool capture_link::wait_for_text(const std::string& text, std::chrono::milliseconds limit) const {
  return wait_until([&] { return received().find(text) != std::string::npos; }, limit);
}

core_terminal::core_terminal() {
  // The worker may still report a change after this object is gone (the connection is released
  // after the test's own objects), so the notice holds only what it shares.
  link = std::make_shared<terminal_core_link>(core, [shown = core, counted = notices] {
    ++*counted;
    // The view takes the change at once here.
    shown->screen_changed_pending = false;
  });
}

void core_terminal::type(const std::string& text) {
  core->queue.push(send_item::heap_buffer(text));
}

std::string core_terminal::screen_text() const {
  std::lock_guard<std::recursive_mutex> guard(core->screen.mutex);
  screen_buffer& screen = core->screen;
  std::u16string text;
  for (int32_t n = 0, slot = screen.first; n < screen.line_count(); ++n, slot = screen.wrap(slot + 1)) {
    const screen_line& line = screen.line(slot);
    text.append(line.chars.begin(), line.chars.begin() + line.length);
    text += u'\n';
  }
  return wcs_to_string(text);
}

bool core_terminal::wait_for_screen(const std::string& text, std::chrono::milliseconds limit) const {
  return wait_until([&] { return screen_text().find(text) != std::string::npos; }, limit);
}

void scripted_prompter::ask(std::shared_ptr<login_question> question) {
  std::unique_lock<std::mutex> guard(lock);
  kinds.push_back(question->kind);
  if (script.empty()) {
    unanswered = question;
    return;
  }
  login_question::reply reply = std::move(script.front());
  script.pop_front();
  guard.unlock();
  question->answer(reply.accepted, std::move(reply.text));
}

void scripted_prompter::push(bool accepted, std::string text) {
  std::lock_guard<std::mutex> guard(lock);
  script.push_back({accepted, std::move(text)});
}

std::vector<login_question_kind> scripted_prompter::asked() const {
  std::lock_guard<std::mutex> guard(lock);
  return kinds;
}

std::shared_ptr<login_question> scripted_prompter::pending() const {
  std::lock_guard<std::mutex> guard(lock);
  return unanswered;
}

loopback_listener::loopback_listener(const char* address) {
  bool v6 = std::strchr(address, ':') != nullptr;
  fd = socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (v6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&storage);
    a->sin6_family = AF_INET6;
    inet_pton(AF_INET6, address, &a->sin6_addr);
    length = sizeof *a;
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&storage);
    a->sin_family = AF_INET;
    inet_pton(AF_INET, address, &a->sin_addr);
    length = sizeof *a;
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || listen(fd, 8) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
    close(fd);
    fd = -1;
    return;
  }
  bound_port = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                        : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

loopback_listener::~loopback_listener() {
  if (fd >= 0) close(fd);
}

int loopback_listener::accept_one(std::chrono::milliseconds limit) {
  pollfd ready{fd, POLLIN, 0};
  if (poll(&ready, 1, static_cast<int>(limit.count())) <= 0) return -1;
  return accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
}

std::string read_exactly(int fd, size_t count, std::chrono::milliseconds limit) {
  std::string data;
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (data.size() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[4096];
    ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - data.size()));
    if (n <= 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  return data;
}

bool send_all(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace connection_test
