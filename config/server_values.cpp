#include "config/server_values.h"

#include <arpa/inet.h>

#include "config/net_socket.h"
#include "config/param_values.h"
#include "config/paths.h"
#include "config/text_convert.h"
#include "config/xml_document.h"

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

void save_path_history(xml_document& doc, std::u16string_view name, int32_t index,
                       const std::vector<std::string>& paths) {
  add_value(doc, name, {});
  doc.set_attribute(doc.current_position(), u"index", decimal_text(index));
  for (const std::string& path : paths) doc.add_element(u"Path", mbs_to_wstring(path), xml_add_child);
}

void load_path_history(xml_document& doc, std::u16string_view name, int32_t& index,
                       std::vector<std::string>& paths) {
  doc.reset_main_position();
  if (!doc.find_element(name)) return;
  const uint32_t element = doc.current_position();
  while (doc.find_child_element(u"Path")) {
    std::u16string text = doc.get_data(doc.child_position());
    if (!text.empty()) paths.push_back(wcs_to_string(text));
  }
  // Read as unsigned, so "-1" falls outside every list.
  const uint32_t read = read_number(doc.get_attribute(element, u"index"));
  index = read < paths.size() ? static_cast<int32_t>(read) : -1;
}

std::string served_folder(int32_t index, const std::vector<std::string>& paths) {
  if (index >= 0 && static_cast<size_t>(index) < paths.size()) return paths[index];
  return wstring_to_ansi(module_folder());
}
