#include "servers/pages/dhcp_pool_form.h"

#include "config/net_socket.h"
#include "config/server_values.h"
#include "config/text_convert.h"
#include "config/time_text.h"
#include "platform/parse_number.h"
#include "platform/qt_text.h"
#include "servers/dhcpd.h"

namespace {

QString dotted(uint32_t host_order_address) { return QString::fromStdString(dotted_text(host_order_address)); }
QString dotted_or_empty(uint32_t host_order_address) { return host_order_address ? dotted(host_order_address) : QString(); }

bool read_dotted(const QString& text, uint32_t& host_order_address) {
  return !text.isEmpty() && read_address(platform::to_u16string(text), host_order_address);
}

uint32_t read_decimal(const QString& text) { return platform::parse_u32(platform::to_u16string(text)); }

QString narrow_text(const std::string& text) { return platform::to_qstring(mbs_to_wstring(text)); }
std::string narrowed(const QString& text) { return wcs_to_string(platform::to_u16string(text)); }

QString time_or_empty(int64_t seconds) { return seconds ? QString::fromStdString(time_text(seconds)) : QString(); }

// An optional address field: empty clears the value, anything else must be an address.
bool read_optional_address(const QString& text, uint32_t& host_order_address) {
  if (text.isEmpty()) {
    host_order_address = 0;
    return true;
  }
  return read_dotted(text, host_order_address);
}

}  // namespace

dhcp_pool_form form_of(const dhcp_pool& pool) {
  dhcp_pool_form form;
  form.dynamic = pool.dynamic;
  form.address = dotted_or_empty(pool.dynamic ? pool.start_ip : pool.static_ip);
  form.second = pool.dynamic ? QString::number(pool.count) : QString::fromStdString(mac_text(pool.mac));
  form.lease_minutes = QString::number(pool.lease_time / 60);
  form.boot_file = narrow_text(pool.boot_file);
  form.subnet = dotted_or_empty(pool.subnet);
  form.router = dotted_or_empty(pool.router);
  return form;
}

QString read_form(const dhcp_pool_form& form, dhcp_pool& pool) {
  pool.dynamic = form.dynamic;
  if (!read_dotted(form.address, pool.dynamic ? pool.start_ip : pool.static_ip))
    return QStringLiteral("Invalid IP adress!");
  if (pool.dynamic) {
    pool.count = read_decimal(form.second);
    if (pool.count == 0) return QStringLiteral("Invalid adress number!");
  } else if (!read_mac(narrowed(form.second), pool.mac)) {
    return QStringLiteral("Invalid MAC address!");
  }
  pool.lease_time = lease_seconds(read_decimal(form.lease_minutes));
  if (pool.lease_time == 0) return QStringLiteral("Invalid lease time!");
  pool.boot_file = narrowed(form.boot_file);
  if (!read_optional_address(form.subnet, pool.subnet)) return QStringLiteral("Invalid subnet mask!");
  if (!read_optional_address(form.router, pool.router)) return QStringLiteral("Invalid default router!");
  return {};
}

QStringList pool_row(const dhcp_pool& pool) {
  QString range = pool.dynamic
                      ? QStringLiteral("Start IP %1 size %2").arg(dotted(pool.start_ip)).arg(pool.count)
                      : QStringLiteral("Static IP %1 for MAC %2")
                            .arg(dotted(pool.static_ip), QString::fromStdString(mac_text(pool.mac)));
  return {pool.dynamic ? QStringLiteral("dynamic") : QStringLiteral("static"), range,
          QString::number(pool.lease_time / 60)};
}

QStringList lease_row(const dhcp_lease_info& lease) {
  return {dotted(lease.ip), QString::fromStdString(mac_text(lease.mac)), time_or_empty(lease.allocated),
          time_or_empty(lease.renewed)};
}
