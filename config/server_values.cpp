#include "config/server_values.h"

#include <arpa/inet.h>

#include "config/net_socket.h"
#include "config/param_values.h"
#include "config/text_convert.h"

std::u16string address_text(uint32_t host_order_address) {
  return mbs_to_wstring(dotted_text(host_order_address));
}

bool read_address(std::u16string_view text, uint32_t& host_order_address) {
  const in_addr_t address = ::inet_addr(wcs_to_string(text).c_str());
  if (address == INADDR_NONE) return false;
  host_order_address = ntohl(address);
  return true;
}

void load_address(xml_document& doc, std::u16string_view name, uint32_t& host_order_address) {
  std::u16string text;
  if (find_value(doc, name, text)) read_address(text, host_order_address);
}

void load_log_level(xml_document& doc, std::u16string_view name, log_level& level) {
  std::u16string text;
  if (find_value(doc, name, text)) level = parse_log_level(text);
}
