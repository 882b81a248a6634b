#pragma once
// Two network namespaces joined by a veth pair, made for one test and removed with it: the
// server side "tsv0" with 10.99.0.1/24, the client side "tcl0" up without an address. A server
// under test opens its sockets inside the server namespace (in_server), so it sees only that
// namespace's interfaces and never the machine's real network; clients run inside the client
// namespace (client_command). Needs root; the names are unique per process and pair, so tests
// may run in parallel.
#include <cstdint>
#include <functional>
#include <string>

namespace test_support {

class netns_pair {
 public:
  static constexpr const char* server_if = "tsv0";
  static constexpr const char* client_if = "tcl0";
  static constexpr uint32_t server_address = 0x0A630001;  // 10.99.0.1, host order

  // Why no pair can be made here (not root, no ip command); empty when one can.
  static std::string unavailable_reason();

  // Throws std::runtime_error when the namespaces cannot be made.
  netns_pair();
  ~netns_pair();
  netns_pair(const netns_pair&) = delete;
  netns_pair& operator=(const netns_pair&) = delete;

  const std::string& server_ns() const { return server_ns_; }
  const std::string& client_ns() const { return client_ns_; }

  // Runs `work` on the calling thread inside the server namespace: sockets made there stay
  // there. The thread is back in its own namespace afterwards.
  void in_server(const std::function<void()>& work) const;
  // `command` prefixed so that it runs inside the client namespace, or the server namespace.
  std::string client_command(const std::string& command) const;
  std::string server_command(const std::string& command) const;

 private:
  void remove() const;

  std::string server_ns_;
  std::string client_ns_;
};

}  // namespace test_support
