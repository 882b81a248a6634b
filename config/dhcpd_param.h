#pragma once
// The "Dhcpd" settings node (inside "TinyServer"): whether the DHCP server runs, on which
// interface (0: every one), its log level and its pools, each a "Pool" element inside "Pools".
#include <cstdint>
#include <functional>
#include <vector>

#include "config/dhcp_pool.h"
#include "config/log_level.h"
#include "config/parameter.h"

class dhcpd_param : public parameter {
 public:
  // Starts the DHCP server with these settings; the application installs it at start-up.
  using server_starter = std::function<bool(const dhcpd_param&)>;

  dhcpd_param() : parameter(u"Dhcpd") {}

  // "Enable", "Interface", "LogLevel", then "Pools" (always) with one "Pool" per pool.
  bool save(xml_document& doc) override;
  // Each element looked up by name; a missing one keeps its value. The pools are replaced by
  // those of the file.
  bool load(xml_document& doc) override;
  // When enabled, starts the server through the starter; a failed start clears `enable`, so
  // the next save records the server as disabled. Always true.
  bool apply() override;

  bool enable = false;
  uint32_t interface_address = 0;  // host order; 0 = every interface
  ::log_level log_level = LOG_DISABLED;
  std::vector<dhcp_pool> pools;

  server_starter starter;
};
