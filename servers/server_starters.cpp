#include "servers/server_starters.h"

#include "config/configuration.h"
#include "config/dhcpd_param.h"
#include "config/httpd_param.h"
#include "config/tftpd_param.h"
#include "servers/dhcpd.h"
#include "servers/httpd.h"
#include "servers/tftpd.h"

void install_server_starters(configuration& settings) {
  if (settings.tftpd)
    settings.tftpd->starter = [](const tftpd_param& node) { return tftpd::instance()->start(node); };
  if (settings.dhcpd)
    settings.dhcpd->starter = [](const dhcpd_param& node) { return dhcpd::instance()->start(node); };
  if (settings.httpd)
    settings.httpd->starter = [](const httpd_param& node) { return httpd::instance()->start(node); };
}
