#pragma once
// An OpenSSH sshd of one test's own, on a free loopback port (or the one given), with fresh
// host keys of the types given and the test user's password login (as tests/peers/start sets it up), whose "sftp"
// subsystem is the program given: a scripted SFTP server plays what no real file system can
// hold, "internal-sftp" the test user's files. A program is copied into the sshd's own folder,
// which the test user reaches wherever the checkout lives. Its sessions can be killed or frozen.
// On request it logs at the DEBUG1 level to a file of its own, so a test can read what clients
// tried. It ends when the
// object goes.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace connection_test {

class private_sshd {
 public:
  // `sftp_server`: the subsystem's program, run as the test user ("internal-sftp" for sshd's
  // own). `user`: the only user let in. `port`: 0 for a free one. `logged`: what clients try is
  // kept for log(). `key_types`: its host keys, as ssh-keygen names the types ("ed25519",
  // "ecdsa", "rsa").
  private_sshd(const std::string& sftp_server, const std::string& user, uint16_t port = 0, bool logged = false,
               const std::vector<std::string>& key_types = {"ed25519"});
  ~private_sshd();
  private_sshd(const private_sshd&) = delete;
  private_sshd& operator=(const private_sshd&) = delete;

  // It takes connections.
  bool ready() const { return failure_.empty(); }
  // What kept it from serving (the test user cannot run the program, sshd did not start...),
  // empty when it is ready.
  const std::string& failure() const { return failure_; }
  uint16_t port() const { return port_; }
  // Sends `signal` to every process serving its connections (those below the listening sshd):
  // SIGKILL drops them (as a session process that crashed), SIGSTOP freezes them; the listener
  // takes new ones. Frozen ones are killed when the object goes. The number of processes signalled.
  int signal_sessions(int signal) const;
  // What the server has logged so far (with `logged`).
  std::string log() const;
  // Its host key of `type` as known_hosts holds it ("<key type name> <base64>"); empty when it
  // has none.
  std::string host_key(const std::string& type) const;

 private:
  // Starts sshd; what kept it from serving, empty when it serves.
  std::string start(const std::string& sftp_server, const std::string& user, bool logged,
                    const std::vector<std::string>& key_types);

  test_support::temp_folder folder{test_support::temp_folder::reach::everyone};
  pid_t pid = 0;
  uint16_t port_ = 0;
  std::string failure_;
};

// A host key of `type` that no server has, as known_hosts holds it ("<key type name> <base64>");
// empty when ssh-keygen cannot make one.
std::string stranger_host_key(const std::string& type);

}  // namespace connection_test
