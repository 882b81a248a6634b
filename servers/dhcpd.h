#pragma once
// The DHCP server: answers on UDP port 67 of every local IPv4 interface (or of the configured
// one), hands out addresses from the dynamic pools and fixed addresses to the static pools'
// hardware addresses, and broadcasts every reply to 255.255.255.255 port 68 through the
// interface the request came in on. DHCPDISCOVER gets a DHCPOFFER, DHCPREQUEST a DHCPACK,
// DHCPRELEASE frees the lease; no DHCPNAK is ever sent. Leases live in memory only.
//
// Each interface has its own socket, bound to port 67 of any address and to the device, so it
// sees the clients' broadcasts on that interface only; the interface's own address is the
// server identifier. Datagrams are checked before use: too short ones are dropped and options
// are read only inside the received bytes and with the lengths their codes need.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "config/dhcp_pool.h"
#include "config/net_socket.h"
#include "servers/server.h"

class dhcpd_param;

struct dhcp_lease {
  const dhcp_pool* pool = nullptr;  // in dhcpd::pools; decides static or dynamic and the options
  uint32_t ip = 0;                  // host order
  mac_address mac{};
  int64_t allocated = 0;     // seconds since 1970 of the first DHCPACK; 0 before
  int64_t renewed = 0;       // seconds since 1970 of the last renewal; 0 when none
  int64_t offer_expiry = 0;  // while only offered: the offer's time + 5
};

// The copy of one lease that the settings page shows.
struct dhcp_lease_info {
  bool dynamic = true;
  uint32_t ip = 0;
  mac_address mac{};
  int64_t allocated = 0;
  int64_t renewed = 0;

  bool operator==(const dhcp_lease_info&) const = default;
};

// A DHCP message as built: the fixed part, the cookie and the options.
using dhcp_message = std::array<uint8_t, 552>;

class dhcpd final : public server {
 public:
  static constexpr uint16_t server_port = 67;
  static constexpr uint16_t client_port = 68;
  // The longest datagram read: clients whose maximum message size is above the 576 bytes every
  // client must accept send requests that long, up to what an Ethernet frame carries.
  static constexpr size_t receive_size = 1500;
  static constexpr int64_t offer_hold = 5;  // seconds an offer keeps its address
  // Seconds since 1970; replaceable so that tests can move time.
  using time_source = std::function<int64_t()>;

  // The process's DHCP server, made on first use and never destroyed.
  static dhcpd* instance();

  dhcpd();
  ~dhcpd() override;

  // Takes the settings (configure), opens one socket per served interface and starts the
  // worker. True when running (also when it already ran); false when an interface list or a
  // socket could not be had (the reason is logged) or no worker could start.
  bool start(const dhcpd_param& settings);
  // The settings part of start: the level, an empty lease table, the pools and the static
  // leases.
  void configure(const dhcpd_param& settings);

  // Every lease in ascending address order; true.
  bool copy_leases(std::vector<dhcp_lease_info>& out);
  // The first lease (in address order) of that hardware address, or null. Call with `lock` held.
  dhcp_lease* find_lease(const mac_address& mac);
  enum class removal { none, removed, static_lease };
  // What the page's "Remove lease" does: a dynamic lease of that hardware address is removed, a
  // static one stays.
  removal remove_lease(const mac_address& mac);

  // One received datagram, at the interface whose address is `self` (host order; 0: unknown).
  // The reply to broadcast, if any.
  std::optional<dhcp_message> handle_packet(uint32_t self, const uint8_t* data, size_t length);
  // Removes the offers and leases whose time ran out.
  void expire_leases();

  void set_time_source(time_source source) { now_ = std::move(source); }

  // Guards `leases`; held by the worker while it reads or changes them and by the page.
  std::mutex lock;
  std::vector<dhcp_pool> pools;
  std::map<uint32_t, std::unique_ptr<dhcp_lease>> leases;
  std::vector<std::unique_ptr<net_socket>> sockets;

 protected:
  void run(platform::worker_control& control) override;

 private:
  // The reply to a DHCPREQUEST, if it is granted.
  std::optional<dhcp_message> handle_request(uint32_t self, const uint8_t* data, uint32_t requested);
  // A free address of the dynamic pools: the requested one when it is free and in a pool, else
  // the first free one in pool order. Call with `lock` held.
  std::optional<std::pair<const dhcp_pool*, uint32_t>> allocate_lease(uint32_t requested);
  dhcp_message build_reply(const uint8_t* request, uint8_t type, uint32_t self, const dhcp_lease& lease) const;
  bool open_sockets(uint32_t interface_address);
  void close_sockets();

  time_source now_;
};
