#include "servers/dhcpd.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <span>
#include <string>

#include "config/dhcpd_param.h"

namespace {

constexpr size_t fixed_part = 240;  // the fixed fields and the magic cookie
constexpr size_t sname_at = 44, file_at = 108, cookie_at = 236;
constexpr uint32_t magic_cookie = 0x63825363;

enum : uint8_t {
  OPTION_PAD = 0,
  OPTION_SUBNET = 1,
  OPTION_ROUTER = 3,
  OPTION_REQUESTED_IP = 50,
  OPTION_LEASE_TIME = 51,
  OPTION_OVERLOAD = 52,
  OPTION_MESSAGE_TYPE = 53,
  OPTION_SERVER_ID = 54,
  OPTION_END = 255,
};

enum : uint8_t { DHCPDISCOVER = 1, DHCPOFFER = 2, DHCPREQUEST = 3, DHCPACK = 5, DHCPRELEASE = 7 };

uint32_t read_u32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void write_u32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value >> 24);
  p[1] = static_cast<uint8_t>(value >> 16);
  p[2] = static_cast<uint8_t>(value >> 8);
  p[3] = static_cast<uint8_t>(value);
}

struct option_value {
  bool found = false;
  std::span<const uint8_t> data;
};

// Looks for `code` in the options area [240, length), then, as option 52 asks, in the file and
// sname fields. Every option must end inside its own area; the walk stops at one that does not.
option_value find_option(const uint8_t* packet, size_t length, uint8_t code) {
  struct area {
    size_t begin, end;
  };
  uint8_t overload = 0;
  area current{fixed_part, length};
  for (int areas = 0; areas < 3; ++areas) {
    size_t at = current.begin;
    while (at < current.end) {
      const uint8_t option = packet[at];
      if (option == OPTION_PAD) {
        ++at;
        continue;
      }
      if (option == OPTION_END || at + 2 > current.end) break;
      const size_t size = packet[at + 1];
      if (at + 2 + size > current.end) break;
      if (option == code) return {true, {packet + at + 2, size}};
      if (option == OPTION_OVERLOAD && size >= 1) overload |= packet[at + 2];
      at += 2 + size;
    }
    if (overload & 1) {
      overload &= ~1;
      current = {file_at, cookie_at};
    } else if (overload & 2) {
      overload &= ~2;
      current = {sname_at, file_at};
    } else {
      break;
    }
  }
  return {};
}

// Adds an option behind the last one written; `at` is where the end option goes.
void add_option(dhcp_message& reply, size_t& at, uint8_t code, std::span<const uint8_t> data) {
  if (at + 2 + data.size() + 1 > reply.size()) return;
  reply[at] = code;
  reply[at + 1] = static_cast<uint8_t>(data.size());
  std::memcpy(reply.data() + at + 2, data.data(), data.size());
  at += 2 + data.size();
  reply[at] = OPTION_END;
}

void add_u32_option(dhcp_message& reply, size_t& at, uint8_t code, uint32_t value) {
  uint8_t data[4];
  write_u32(data, value);
  add_option(reply, at, code, data);
}

}  // namespace

dhcpd* dhcpd::instance() {
  static dhcpd* const the_server = new dhcpd;
  return the_server;
}

dhcpd::dhcpd()
    : server("dhcpd", LOG_INFORMATION), now_([] { return static_cast<int64_t>(std::time(nullptr)); }) {}

dhcpd::~dhcpd() {
  finish();
  close_sockets();
}

void dhcpd::configure(const dhcpd_param& settings) {
  level = settings.log_level;
  std::lock_guard<std::mutex> guard(lock);
  // A restart forgets every dynamic lease.
  leases.clear();
  pools = settings.pools;
  for (const dhcp_pool& pool : pools) {
    if (pool.dynamic) continue;
    auto lease = std::make_unique<dhcp_lease>();
    lease->pool = &pool;
    lease->ip = pool.static_ip;
    lease->mac = pool.mac;
    leases[pool.static_ip] = std::move(lease);
  }
}

bool dhcpd::start(const dhcpd_param& settings) {
  if (running) {
    log(LOG_INFORMATION, "dhcpd is already running!");
    return true;
  }
  // A worker left running by an earlier stop still owns the sockets and leases.
  if (worker_alive()) return false;
  configure(settings);
  if (!open_sockets(settings.interface_address)) return false;
  if (!start_worker()) {
    close_sockets();
    return false;
  }
  return true;
}

bool dhcpd::open_sockets(uint32_t interface_address) {
  close_sockets();
  // Every interface is listed, however many the host has; only those the settings select are
  // served.
  const auto entries = net_socket::all_interfaces();
  if (!entries) {
    log(LOG_ERROR, "Cannot list the interfaces: %s", std::strerror(errno));
    return false;
  }
  if (entries->empty()) {
    log(LOG_ERROR, "No IPv4 interface to serve");
    return false;
  }
  std::vector<std::string> devices;
  for (const net_interface& entry : *entries) {
    const uint32_t address = ntohl(entry.address);
    if (interface_address != 0 && address != interface_address) continue;
    // One socket per device: a second address on it would answer every request twice.
    if (std::find(devices.begin(), devices.end(), entry.name) != devices.end()) continue;
    devices.emplace_back(entry.name);

    auto s = std::make_unique<net_socket>();
    s->sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in any = ipv4_address(INADDR_ANY, server_port);
    const char* failed = nullptr;
    if (s->sock < 0) failed = "socket";
    else if (::setsockopt(s->sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) failed = "SO_REUSEADDR";
    else if (::setsockopt(s->sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) failed = "SO_BROADCAST";
    else if (::setsockopt(s->sock, SOL_SOCKET, SO_BINDTODEVICE, entry.name, std::strlen(entry.name) + 1) != 0)
      failed = "SO_BINDTODEVICE";
    else if (::bind(s->sock, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) failed = "bind";
    if (failed) {
      log(LOG_ERROR, "Cannot serve %s (%s): %s: %s", entry.name, dotted_text(address).c_str(), failed,
          std::strerror(errno));
      close_sockets();
      return false;
    }
    s->remote_address = ipv4_address(INADDR_BROADCAST, client_port);
    s->local_address = ipv4_address(address, server_port);
    s->kind = net_socket::kind_udp;
    s->state = net_socket::state_open;
    sockets.push_back(std::move(s));
  }
  return true;
}

void dhcpd::close_sockets() { sockets.clear(); }

void dhcpd::run(platform::worker_control& control) {
  int64_t last = now_();
  log(LOG_INFORMATION, "DHCP Server started");
  std::vector<net_socket*> watched;
  for (const auto& s : sockets) watched.push_back(s.get());
  std::array<uint8_t, receive_size> buffer;
  while (running) {
    const int ready = net_socket::select_sockets(watched, {}, 100000, control.wake_fd());
    if (ready < 0) break;
    for (net_socket* s : watched) {
      if (!(s->ready_flags & net_socket::ready_read)) continue;
      sockaddr_in sender{};
      const int got = s->receive(buffer.data(), buffer.size(), 0, &sender);
      if (got < 0 && errno == EMSGSIZE)
        log(LOG_DEBUG, "Dropped a datagram longer than %u bytes from %s:%u", static_cast<unsigned>(receive_size),
            dotted_text(ntohl(sender.sin_addr.s_addr)).c_str(), ntohs(sender.sin_port));
      else if (got < 0)
        log(LOG_DEBUG, "Dropped a datagram: %s", std::strerror(errno));
      if (got <= 0) continue;
      const uint32_t self = ntohl(s->local_address->sin_addr.s_addr);
      if (auto reply = handle_packet(self, buffer.data(), static_cast<size_t>(got))) s->send(reply->data(), reply->size());
    }
    // Expiry runs once for each second of the clock, busy or not: datagrams arriving more often
    // than the wait lasts must not keep ended offers and leases holding their addresses.
    const int64_t now = now_();
    if (now > last) {
      expire_leases();
      last = now;
    }
  }
  running = false;
  close_sockets();
  log(LOG_INFORMATION, "DHCP Server stopped");
}

std::optional<dhcp_message> dhcpd::handle_packet(uint32_t self, const uint8_t* data, size_t length) {
  if (length < fixed_part) {
    log(LOG_ERROR, "Invalid packet length %u", static_cast<unsigned>(length));
    return std::nullopt;
  }
  if (data[2] != 6) {
    log(LOG_ERROR, "Invalid hw len %u", data[2]);
    return std::nullopt;
  }
  if (data[0] != 1) {
    log(LOG_ERROR, "Invalid op %u", data[0]);
    return std::nullopt;
  }
  const option_value server_id = find_option(data, length, OPTION_SERVER_ID);
  const option_value type = find_option(data, length, OPTION_MESSAGE_TYPE);
  const option_value requested_ip = find_option(data, length, OPTION_REQUESTED_IP);
  if ((server_id.found && server_id.data.size() != 4) || (type.found && type.data.size() != 1) ||
      (requested_ip.found && requested_ip.data.size() != 4)) {
    log(LOG_ERROR, "Invalid option length!");
    return std::nullopt;
  }
  if (server_id.found && read_u32(server_id.data.data()) != self) {
    log(LOG_INFORMATION, "Reveive dhcp packet not for me!");
    return std::nullopt;
  }
  if (!type.found) {
    log(LOG_ERROR, "Option message type is not presented!");
    return std::nullopt;
  }
  const uint32_t requested = requested_ip.found ? read_u32(requested_ip.data.data()) : 0;
  mac_address mac;
  std::memcpy(mac.data(), data + 28, mac.size());

  switch (type.data[0]) {
    case DHCPDISCOVER: {
      if (!self) {
        log(LOG_ERROR, "Failed to get self address!");
        return std::nullopt;
      }
      std::lock_guard<std::mutex> guard(lock);
      dhcp_lease* lease = find_lease(mac);
      if (!lease) {
        auto address = allocate_lease(requested);
        if (!address) {
          log(LOG_INFORMATION, "There isn't any free address!");
          return std::nullopt;
        }
        auto fresh = std::make_unique<dhcp_lease>();
        fresh->pool = address->first;
        fresh->ip = address->second;
        fresh->mac = mac;
        fresh->offer_expiry = now_() + offer_hold;
        lease = fresh.get();
        leases[fresh->ip] = std::move(fresh);
      }
      return build_reply(data, DHCPOFFER, self, *lease);
    }
    case DHCPREQUEST:
      return handle_request(self, data, requested);
    case DHCPRELEASE: {
      if (!server_id.found) return std::nullopt;
      std::lock_guard<std::mutex> guard(lock);
      dhcp_lease* lease = find_lease(mac);
      if (lease && lease->ip == read_u32(data + 12) && lease->pool->dynamic) {
        log(LOG_INFORMATION, "Release IP %s from %s", dotted_text(lease->ip).c_str(), mac_text(mac).c_str());
        leases.erase(lease->ip);
      }
      return std::nullopt;
    }
    default:
      log(LOG_ERROR, "Invalid operation!");
      return std::nullopt;
  }
}

std::optional<dhcp_message> dhcpd::handle_request(uint32_t self, const uint8_t* data, uint32_t requested) {
  if (!self) {
    log(LOG_ERROR, "Failed to get self address!");
    return std::nullopt;
  }
  mac_address mac;
  std::memcpy(mac.data(), data + 28, mac.size());
  std::lock_guard<std::mutex> guard(lock);
  dhcp_lease* lease = find_lease(mac);
  if (!lease) {
    log(LOG_INFORMATION, "There isn't any lease for request!");
    return std::nullopt;
  }
  if (!requested) requested = read_u32(data + 12);
  if (!requested) {
    log(LOG_INFORMATION, "There is no request IP!");
    return std::nullopt;
  }
  if (requested != lease->ip) {
    log(LOG_INFORMATION, "We can't allocate this IP for you!");
    return std::nullopt;
  }
  lease->offer_expiry = 0;
  if (!lease->allocated) {
    lease->allocated = now_();
    log(LOG_INFORMATION, "IP %s is allocated to %s", dotted_text(lease->ip).c_str(), mac_text(mac).c_str());
  } else {
    lease->renewed = now_();
    log(LOG_INFORMATION, "IP %s is renewed to %s", dotted_text(lease->ip).c_str(), mac_text(mac).c_str());
  }
  return build_reply(data, DHCPACK, self, *lease);
}

dhcp_message dhcpd::build_reply(const uint8_t* request, uint8_t type, uint32_t self, const dhcp_lease& lease) const {
  dhcp_message reply{};
  reply[0] = 2;  // BOOTREPLY
  reply[1] = 1;
  reply[2] = 6;
  std::memcpy(&reply[4], request + 4, 4);    // xid
  std::memcpy(&reply[10], request + 10, 2);  // flags
  std::memcpy(&reply[12], request + 12, 4);  // ciaddr
  write_u32(&reply[16], lease.ip);          // yiaddr
  std::memcpy(&reply[24], request + 24, 4);  // giaddr
  std::memcpy(&reply[28], request + 28, 16);  // chaddr
  const std::string& boot_file = lease.pool->boot_file;
  std::memcpy(&reply[file_at], boot_file.data(), std::min<size_t>(boot_file.size(), 127));
  write_u32(&reply[cookie_at], magic_cookie);
  size_t at = fixed_part;
  reply[at] = OPTION_END;
  const uint8_t message_type[] = {type};
  add_option(reply, at, OPTION_MESSAGE_TYPE, message_type);
  add_u32_option(reply, at, OPTION_SERVER_ID, self);
  if (lease.pool->lease_time) add_u32_option(reply, at, OPTION_LEASE_TIME, lease.pool->lease_time);
  if (lease.pool->router) add_u32_option(reply, at, OPTION_ROUTER, lease.pool->router);
  if (lease.pool->subnet) add_u32_option(reply, at, OPTION_SUBNET, lease.pool->subnet);
  return reply;
}

std::optional<std::pair<const dhcp_pool*, uint32_t>> dhcpd::allocate_lease(uint32_t requested) {
  auto range_of = [](const dhcp_pool& pool) {
    const uint64_t begin = pool.start_ip;
    const uint64_t end = begin + pool.count;
    // A range that wraps past 255.255.255.255 gives nothing.
    return end > (uint64_t{1} << 32) ? std::pair<uint64_t, uint64_t>{0, 0} : std::pair{begin, end};
  };
  if (requested && !leases.count(requested)) {
    for (const dhcp_pool& pool : pools) {
      const auto [begin, end] = range_of(pool);
      if (pool.dynamic && begin <= requested && requested < end) return std::pair{&pool, requested};
    }
  }
  // The first gap among the leases of each range: the walk costs the leases there, not the
  // range's size.
  for (const dhcp_pool& pool : pools) {
    if (!pool.dynamic) continue;
    const auto [begin, end] = range_of(pool);
    uint64_t candidate = begin;
    for (auto it = leases.lower_bound(static_cast<uint32_t>(begin));
         candidate < end && it != leases.end() && it->first == candidate; ++it)
      ++candidate;
    if (candidate < end) return std::pair{&pool, static_cast<uint32_t>(candidate)};
  }
  return std::nullopt;
}

dhcp_lease* dhcpd::find_lease(const mac_address& mac) {
  for (auto& [ip, lease] : leases)
    if (lease->mac == mac) return lease.get();
  return nullptr;
}

void dhcpd::expire_leases() {
  const int64_t now = now_();
  std::lock_guard<std::mutex> guard(lock);
  for (auto it = leases.begin(); it != leases.end();) {
    const dhcp_lease& lease = *it->second;
    bool expired = false;
    if (lease.pool->dynamic) {
      if (lease.offer_expiry) expired = lease.offer_expiry < now;
      else expired = (lease.renewed ? lease.renewed : lease.allocated) + lease.pool->lease_time < now;
    }
    it = expired ? leases.erase(it) : std::next(it);
  }
}

bool dhcpd::copy_leases(std::vector<dhcp_lease_info>& out) {
  out.clear();
  std::lock_guard<std::mutex> guard(lock);
  for (const auto& [ip, lease] : leases)
    out.push_back({lease->pool->dynamic, lease->ip, lease->mac, lease->allocated, lease->renewed});
  return true;
}

dhcpd::removal dhcpd::remove_lease(const mac_address& mac) {
  std::lock_guard<std::mutex> guard(lock);
  dhcp_lease* lease = find_lease(mac);
  if (!lease) return removal::none;
  if (!lease->pool->dynamic) return removal::static_lease;
  leases.erase(lease->ip);
  return removal::removed;
}
