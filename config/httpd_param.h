#pragma once
// The "Httpd" settings node (inside "TinyServer"): whether the HTTP file server runs, where it
// listens, its log level and page title, and the history of home paths with the index of the
// one served (-1: the program's own folder). A home path is a folder or a storage location
// (ftp://, sftp://, tftp://, file://).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/log_level.h"
#include "config/parameter.h"

class httpd_param : public parameter {
 public:
  // Starts the HTTP server with these settings; the application installs it at start-up.
  using server_starter = std::function<bool(const httpd_param&)>;

  httpd_param() : parameter(u"Httpd") {}

  // "Enable", "Interface", "LogLevel", "Port", then "HomePath" (always) with its "index"
  // attribute and one "Path" per entry, then "Title".
  bool save(xml_document& doc) override;
  // Each element looked up by name; a missing one keeps its value. Empty paths are skipped and
  // an index outside the list becomes -1.
  bool load(xml_document& doc) override;
  // When enabled, starts the server through the starter; a failed start clears `enable`, so
  // the next save records the server as disabled. Always true.
  bool apply() override;

  bool enable = false;
  uint32_t interface_address = 0;  // host order; 0 = every address
  ::log_level log_level = LOG_DEBUG;
  uint16_t port = 80;
  int32_t home_index = -1;
  std::vector<std::string> home_paths;
  std::string title;

  server_starter starter;
};
