#pragma once
// DHCP client messages built byte by byte, and readers for the server's replies.
#include <cstdint>
#include <optional>
#include <string>

#include "config/dhcp_pool.h"
#include "servers/dhcpd.h"

namespace test_support {

struct dhcp_request {
  uint8_t type = 1;  // DHCPDISCOVER
  mac_address mac{0x02, 0, 0, 0, 0, 1};
  uint32_t xid = 0x12345678;
  uint32_t ciaddr = 0;
  uint32_t requested = 0;                // option 50 when not 0
  std::optional<uint32_t> server_id;     // option 54
  std::string more_options;              // raw bytes behind the others, before the end option
};

// The request as a 300-byte BOOTREQUEST.
std::string dhcp_datagram(const dhcp_request& request);

// The data of option `code` in a reply's options area, if there.
std::optional<std::string> reply_option(const dhcp_message& reply, uint8_t code);
uint32_t reply_u32(const dhcp_message& reply, size_t at);

}  // namespace test_support
