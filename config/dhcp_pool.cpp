#include "config/dhcp_pool.h"

#include <algorithm>
#include <cstdio>

std::string mac_text(const mac_address& mac) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4],
                mac[5]);
  return text;
}

bool read_mac(const std::string& text, mac_address& mac) {
  unsigned fields[6];
  if (std::sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x", &fields[0], &fields[1], &fields[2], &fields[3], &fields[4],
                  &fields[5]) != 6)
    return false;
  for (int i = 0; i < 6; ++i) mac[i] = static_cast<uint8_t>(fields[i]);
  return true;
}

uint32_t lease_seconds(uint32_t minutes) {
  return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{minutes} * 60, max_lease_time));
}
