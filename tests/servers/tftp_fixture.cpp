#include "tests/servers/tftp_fixture.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

#include "config/net_socket.h"
#include "config/text_convert.h"
#include "servers/tftpd.h"
#include "servers/trace_sink.h"
#include "tests/support/wait_until.h"

namespace test_support {

std::string patterned_bytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7) % 251);
  return bytes;
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int run_command(const std::string& command, int timeout_s) {
  // A command that outlives its time and ignores SIGTERM is killed two seconds later.
  const std::string bounded = "timeout -k 2 " + std::to_string(timeout_s) + " " + command;
  const int status = std::system(bounded.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool have_program(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

devpts_instance::devpts_instance(std::string folder) : folder_(std::move(folder)) {
  ::mkdir(folder_.c_str(), 0755);
  mounted_ = ::mount("devpts", folder_.c_str(), "devpts", 0, "newinstance,ptmxmode=0666") == 0;
}

devpts_instance::~devpts_instance() {
  if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

udp_probe::udp_probe() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
  sockaddr_in address = ipv4_address(INADDR_LOOPBACK, 0);
  ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

udp_probe::~udp_probe() { ::close(fd_); }

void udp_probe::send_to(uint16_t port, const std::string& datagram) const {
  sockaddr_in to = ipv4_address(INADDR_LOOPBACK, port);
  ::sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

std::optional<tftp_reply> udp_probe::receive(int timeout_ms) const {
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, timeout_ms) <= 0) return std::nullopt;
  char buffer[2048];
  sockaddr_in from{};
  socklen_t length = sizeof from;
  const ssize_t got = ::recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
  if (got < 4) return std::nullopt;
  tftp_reply reply;
  reply.opcode = static_cast<uint16_t>((static_cast<uint8_t>(buffer[0]) << 8) | static_cast<uint8_t>(buffer[1]));
  reply.number = static_cast<uint16_t>((static_cast<uint8_t>(buffer[2]) << 8) | static_cast<uint8_t>(buffer[3]));
  reply.payload.assign(buffer + 4, static_cast<size_t>(got) - 4);
  reply.from_port = ntohs(from.sin_port);
  return reply;
}

std::string tftp_request(uint16_t opcode, const std::string& name, const std::string& mode) {
  std::string datagram{static_cast<char>(opcode >> 8), static_cast<char>(opcode)};
  datagram += name;
  datagram += '\0';
  datagram += mode;
  datagram += '\0';
  return datagram;
}

std::string tftp_packet(uint16_t opcode, uint16_t number, const std::string& payload) {
  std::string datagram{static_cast<char>(opcode >> 8), static_cast<char>(opcode),
                       static_cast<char>(number >> 8), static_cast<char>(number)};
  return datagram + payload;
}

tftp_fixture::tftp_fixture() : download(folder.file("download")), upload(folder.file("upload")) {
  ::mkdir(download.c_str(), 0755);
  ::mkdir(upload.c_str(), 0755);
  settings.enable = true;
  settings.port = 0;  // a free port, read back after the bind
  settings.log_level = LOG_DEBUG;
  settings.write_enable = true;
  // No resend within any check that nothing comes, however slow the machine: a test of the
  // resends sets its own time-out.
  settings.timeout = 10;
  settings.max_retry = 2;
  settings.download_paths = {download};
  settings.download_index = 0;
  settings.upload_paths = {upload};
  settings.upload_index = 0;
  trace_sink::instance().take();
}

void tftp_fixture::TearDown() { tftpd::instance()->stop(); }

void tftp_fixture::start_server() {
  ASSERT_TRUE(tftpd::instance()->start(settings)) << trace();
  port = ntohs(tftpd::instance()->socket.local_address->sin_port);
  ASSERT_NE(port, 0);
}

const std::string& tftp_fixture::trace() {
  trace_ += wcs_to_string(trace_sink::instance().take());
  return trace_;
}

bool tftp_fixture::trace_shows(const std::string& text, int timeout_ms) {
  return wait_until([&] { return trace().find(text) != std::string::npos; }, std::chrono::milliseconds(timeout_ms));
}

}  // namespace test_support
