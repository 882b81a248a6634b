#include "servers/server_starters.h"

#include "config/configuration.h"
#include "config/tftpd_param.h"
#include "servers/tftpd.h"

void install_server_starters(configuration& settings) {
  if (settings.tftpd)
    settings.tftpd->starter = [](const tftpd_param& node) { return tftpd::instance()->start(node); };
}
