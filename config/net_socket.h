#pragma once
// One IPv4 TCP or UDP socket under the tiny servers and the storage clients, with its kind, a
// connection state and the peer and bound addresses, plus the local interface list, a wait on
// several sockets at once and host-name resolution.
//
// It never connects, binds, listens or accepts by itself: its users do that on `sock` and then
// set `state`. A would-block result of a receive or send is 0, like a time-out; every other
// failure is a negative result. A socket belongs to one thread at a time.
#include <netinet/in.h>
#include <net/if.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One local IPv4 interface address.
struct net_interface {
  bool loopback = false;
  uint32_t address = 0;  // network byte order
  uint32_t netmask = 0;  // network byte order
  char name[IF_NAMESIZE] = {};  // the device, for binding a socket to it
};

class net_socket {
 public:
  enum socket_kind : int32_t { kind_tcp = 0, kind_udp = 1, kind_none = 2 };
  enum socket_state : int32_t {
    state_closed = 0,
    state_open = 1,       // a UDP socket ready for use, or a TCP socket not (or no longer) connected
    state_listening = 2,  // a server's TCP socket after listen
    state_connected = 3,  // a TCP socket after connect or accept
  };
  enum ready_bits : uint32_t { ready_read = 1, ready_write = 2 };

  net_socket() = default;
  ~net_socket() { close(); }
  net_socket(const net_socket&) = delete;
  net_socket& operator=(const net_socket&) = delete;

  // Forgets both addresses, closes the handle and leaves kind none, state closed; ready_flags
  // keep their value. Harmless on a closed socket.
  void close();
  // Makes an IPv4 socket (datagram for a non-zero kind, stream for kind 0). With a host, the
  // host and port are resolved into remote_address; without one the socket is simply open.
  // False, and the object closed, when the socket cannot be made or the host does not resolve.
  bool open(int32_t kind, const char* host, uint16_t port);

  // Waits up to `timeout_ms` (none when 0 or less) for data, then takes what is there without
  // blocking. Returns the byte count; 0 for a time-out, nothing there yet, or a TCP peer that
  // closed; negative on an error. A datagram longer than `size` is an error, EMSGSIZE (and is
  // lost). The sender's address goes to `source` when given and something arrived, also such a
  // datagram. A TCP error other than would-block leaves the socket open but unconnected.
  int receive(void* buffer, size_t size, int timeout_ms, sockaddr_in* source = nullptr);
  // TCP: sends in one call. UDP: to `destination`, else broadcast-enabled to remote_address,
  // else nothing (an error). Returns the count sent, 0 on would-block, negative on an error.
  int send(const void* data, size_t length, const sockaddr_in* destination = nullptr);

  // Waits up to `timeout_us` microseconds until one of the readable sockets can be read or one
  // of the writable ones written, or until `wake_fd` (when 0 or more) becomes readable. Clears
  // the ready_flags of every listed socket, then sets ready_read / ready_write on the ready
  // ones. Returns the number of ready sockets (0 after a time-out or a wake alone), negative on
  // an error; lists without any open socket are an error at once. A socket listed twice is
  // watched once; null entries are skipped.
  static int select_sockets(std::span<net_socket* const> readable, std::span<net_socket* const> writable,
                            int64_t timeout_us, int wake_fd = -1);
  // Every local IPv4 interface address (point-to-point ones left out, interfaces that are down
  // kept) in the system's order, however many there are; nothing when the list cannot be read
  // (errno tells why).
  static std::optional<std::vector<net_interface>> all_interfaces();
  // The same list written to `entries`. -1 when `entries` is null, the list cannot be read or
  // there are more than `max` entries; else the count.
  static int list_interfaces(net_interface* entries, int max);

  int sock = -1;
  int32_t kind = kind_none;
  int32_t state = state_closed;
  uint32_t ready_flags = 0;
  std::optional<sockaddr_in> remote_address;
  std::optional<sockaddr_in> local_address;

 private:
  bool usable() const;
};

// The first IPv4 address of `host` for a datagram (flag set) or stream socket at `port`;
// nothing when the name does not resolve.
std::optional<sockaddr_in> resolve_address(bool datagram, const char* host, uint16_t port);

// An IPv4 socket address from a host-order address and a port.
sockaddr_in ipv4_address(uint32_t host_order_address, uint16_t port);
// "a.b.c.d" of a host-order address.
std::string dotted_text(uint32_t host_order_address);
