#pragma once
// One pool of the DHCP server: a range of addresses handed out in turn, or one fixed address
// for one hardware address, with the lease time and the options its replies carry.
#include <array>
#include <cstdint>
#include <string>

using mac_address = std::array<uint8_t, 6>;

struct dhcp_pool {
  bool dynamic = true;
  uint32_t start_ip = 0;   // host order; first address of a dynamic pool
  uint32_t count = 0;      // addresses of a dynamic pool
  uint32_t static_ip = 0;  // host order; the address of a static pool
  mac_address mac{};       // the hardware address of a static pool
  uint32_t lease_time = 172800;  // seconds
  uint32_t subnet = 0;     // host order; option 1 when not 0
  uint32_t router = 0;     // host order; option 3 when not 0
  std::string boot_file;   // the reply's file field when not empty

  bool operator==(const dhcp_pool&) const = default;
};

// "%02X:%02X:%02X:%02X:%02X:%02X".
std::string mac_text(const mac_address& mac);
// Six hexadecimal fields separated by ':' (each field's low byte is taken); false when fewer
// than six were read.
bool read_mac(const std::string& text, mac_address& mac);

// The longest lease time: the most whole minutes that 32 bits of seconds hold, so that it is
// written to the file and read back unchanged.
constexpr uint32_t max_lease_time = 0xFFFFFFFFu / 60 * 60;
// A lease time given in minutes (the file's and the pool dialog's unit) as seconds, held at
// max_lease_time instead of wrapping.
uint32_t lease_seconds(uint32_t minutes);
