#pragma once
// What the benchmarks that measure against a peer program share: the peers' settings from the
// environment (tests/peers/start writes them), timing, free loopback ports and running a peer
// client quietly.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

using steady = std::chrono::steady_clock;

// The variable's value, empty when it is not set.
std::string env(const char* name);
double seconds_since(steady::time_point start);
// Processor time (user and system) of this process (RUSAGE_SELF) or of its waited-for children
// (RUSAGE_CHILDREN), in seconds.
double cpu_seconds(int who);
// A loopback port that nothing is bound to at the moment, for SOCK_STREAM or SOCK_DGRAM.
uint16_t free_loopback_port(int type);
// The options with which OpenSSH's clients log in to the loopback sshd with the peers' key;
// `port_flag` is "-p" for ssh and "-P" for sftp. The user@host target is the last word. A
// `via_port` other than 0 connects there instead (a relay in front of the sshd), the host key
// still checked as the sshd's own.
std::vector<std::string> openssh_login(const char* port_flag, uint16_t via_port = 0);
// Runs `words` with standard input and output on /dev/null and waits for it: the seconds it
// took, or a negative value when it could not start or did not exit with 0.
double run_quietly(std::vector<std::string> words);

}  // namespace bench
