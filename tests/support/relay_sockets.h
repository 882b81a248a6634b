#pragma once
// The sockets of the loopback relay that stands between a client and its peer (the freezing
// proxy of the tests and the SFTP benchmark's long links): a listener on a free loopback port
// and the connection to the peer.
#include <cstdint>
#include <string>

namespace test_support {

// A TCP socket listening on 127.0.0.1 at a free port, which goes to `port`; -1 when none could
// be made.
int listen_on_free_loopback_port(uint16_t& port);
// A TCP socket connected to the IPv4 address and port, or -1.
int connect_to(const std::string& host, uint16_t port);

}  // namespace test_support
