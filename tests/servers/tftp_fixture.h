#pragma once
// The TFTP server on a free loopback port with its own download and upload folders, a raw UDP
// probe for crafted datagrams, and the trace lines it wrote.
#include <gtest/gtest.h>

#include <netinet/in.h>

#include <optional>
#include <string>
#include <vector>

#include "config/tftpd_param.h"
#include "tests/support/temp_folder.h"

namespace test_support {

// Bytes 0, 7, 14, ... mod 251: no block of the file repeats another's.
std::string patterned_bytes(size_t size);
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
// Runs a shell command (bounded by `timeout` seconds); its exit status.
int run_command(const std::string& command, int timeout_s = 60);
// True when `program` is found on the PATH.
bool have_program(const std::string& program);

// A devpts instance of its own, mounted at `folder` (made when missing) while it lives; root
// only. No other program's ptys show in it, so an entry made there is a pty allocated through
// its ptmx; and like other such file systems it cannot hold files.
class devpts_instance {
 public:
  explicit devpts_instance(std::string folder);
  ~devpts_instance();
  devpts_instance(const devpts_instance&) = delete;
  devpts_instance& operator=(const devpts_instance&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// One reply datagram.
struct tftp_reply {
  uint16_t opcode = 0;
  uint16_t number = 0;  // block or error code
  std::string payload;
  uint16_t from_port = 0;
};

// How long a test waits for a datagram or a trace line that must come; only a broken server
// uses it up, a busy machine may take seconds. Checks that nothing comes pass their own short
// wait.
constexpr int reply_bound_ms = 20000;

// A UDP socket on loopback that sends crafted datagrams and reads the answers.
class udp_probe {
 public:
  udp_probe();
  ~udp_probe();
  udp_probe(const udp_probe&) = delete;
  udp_probe& operator=(const udp_probe&) = delete;

  void send_to(uint16_t port, const std::string& datagram) const;
  std::optional<tftp_reply> receive(int timeout_ms = reply_bound_ms) const;

 private:
  int fd_;
};

// An RRQ or WRQ datagram.
std::string tftp_request(uint16_t opcode, const std::string& name, const std::string& mode = "octet");
std::string tftp_packet(uint16_t opcode, uint16_t number, const std::string& payload = {});

class tftp_fixture : public ::testing::Test {
 protected:
  tftp_fixture();
  void TearDown() override;

  // Starts the server with `settings` on a free port; the port is in `port`.
  void start_server();
  // Everything the server logged so far, gathered from the trace sink.
  const std::string& trace();
  // Waits up to `timeout_ms` for `text` to show in the trace.
  bool trace_shows(const std::string& text, int timeout_ms = reply_bound_ms);

  temp_folder folder;
  std::string download;
  std::string upload;
  tftpd_param settings;
  uint16_t port = 0;

 private:
  std::string trace_;
};

}  // namespace test_support
