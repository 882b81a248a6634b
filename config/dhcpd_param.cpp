#include "config/dhcpd_param.h"

#include "config/param_values.h"
#include "config/server_values.h"
#include "config/text_convert.h"
#include "config/xml_document.h"

namespace {

void save_pool(xml_document& doc, const dhcp_pool& pool) {
  doc.add_element(u"Pool");
  doc.set_attribute(doc.current_position(), u"Type", pool.dynamic ? u"dynamic" : u"static");
  doc.into_element();
  if (pool.dynamic) {
    add_value(doc, u"StartIP", address_text(pool.start_ip));
    add_value(doc, u"IPNum", decimal_text(pool.count));
  } else {
    add_value(doc, u"IP", address_text(pool.static_ip));
    add_value(doc, u"MAC", mbs_to_wstring(mac_text(pool.mac)));
  }
  add_value(doc, u"LeaseTime", decimal_text(pool.lease_time / 60));
  if (!pool.boot_file.empty()) add_value(doc, u"BootFile", mbs_to_wstring(pool.boot_file));
  if (pool.router) add_value(doc, u"Router", address_text(pool.router));
  if (pool.subnet) add_value(doc, u"Subnet", address_text(pool.subnet));
  doc.out_of_element();
}

// The pool of the current "Pool" element.
dhcp_pool load_pool(xml_document& doc) {
  dhcp_pool pool;
  pool.dynamic = doc.get_attribute(doc.current_position(), u"Type") == u"dynamic";
  doc.into_element();
  std::u16string text;
  if (pool.dynamic) {
    load_address(doc, u"StartIP", pool.start_ip);
    load_number(doc, u"IPNum", pool.count);
  } else {
    load_address(doc, u"IP", pool.static_ip);
    if (find_value(doc, u"MAC", text)) read_mac(wcs_to_string(text), pool.mac);
  }
  if (find_value(doc, u"LeaseTime", text)) pool.lease_time = lease_seconds(read_number(text));
  if (find_value(doc, u"BootFile", text)) pool.boot_file = wcs_to_string(text);
  load_address(doc, u"Router", pool.router);
  load_address(doc, u"Subnet", pool.subnet);
  doc.out_of_element();
  return pool;
}

}  // namespace

bool dhcpd_param::save(xml_document& doc) {
  add_value(doc, u"Enable", flag_text(enable));
  add_value(doc, u"Interface", address_text(interface_address));
  add_value(doc, u"LogLevel", log_level_word(log_level));
  add_value(doc, u"Pools", {});
  doc.into_element();
  for (const dhcp_pool& pool : pools) save_pool(doc, pool);
  doc.out_of_element();
  return true;
}

bool dhcpd_param::load(xml_document& doc) {
  load_flag(doc, u"Enable", enable);
  load_address(doc, u"Interface", interface_address);
  load_log_level(doc, u"LogLevel", log_level);
  pools.clear();
  doc.reset_main_position();
  if (!doc.find_element(u"Pools")) return true;
  doc.into_element();
  while (doc.find_element(u"Pool")) pools.push_back(load_pool(doc));
  doc.out_of_element();
  return true;
}

bool dhcpd_param::apply() {
  if (enable && starter && !starter(*this)) enable = false;
  return true;
}
