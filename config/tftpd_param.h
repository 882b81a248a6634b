#pragma once
// The "Tftpd" settings node (inside "TinyServer"): whether the TFTP server runs, where it
// listens, how it retries, and the histories of download and upload folders with the index of
// the one served (-1: the program's own folder).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/log_level.h"
#include "config/parameter.h"

class tftpd_param : public parameter {
 public:
  // Starts the TFTP server with these settings; the application installs it at start-up.
  using server_starter = std::function<bool(const tftpd_param&)>;

  tftpd_param() : parameter(u"Tftpd") {}

  // The values in the order of the members, then "DownloadPath" and "UploadPath" (always) with
  // their "index" attribute and one "Path" per entry.
  bool save(xml_document& doc) override;
  // Each element looked up by name; a missing one keeps its value. Empty paths are skipped and
  // an index outside its list becomes -1.
  bool load(xml_document& doc) override;
  // When enabled, starts the server through the starter; a failed start clears `enable`, so
  // the next save records the server as disabled. Always true.
  bool apply() override;

  bool enable = false;
  uint32_t interface_address = 0;  // host order; 0 = every address
  ::log_level log_level = LOG_DEBUG;
  uint32_t port = 69;              // the server listens on its low 16 bits
  uint32_t timeout = 3;            // seconds
  uint32_t max_retry = 6;
  bool read_enable = true;
  bool write_enable = false;
  bool path_restriction = true;
  int32_t download_index = -1;
  std::vector<std::string> download_paths;
  int32_t upload_index = -1;
  std::vector<std::string> upload_paths;

  server_starter starter;
};
