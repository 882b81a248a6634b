#include "config/httpd_param.h"

#include "config/param_values.h"
#include "config/server_values.h"
#include "config/text_convert.h"

bool httpd_param::save(xml_document& doc) {
  add_value(doc, u"Enable", flag_text(enable));
  add_value(doc, u"Interface", address_text(interface_address));
  add_value(doc, u"LogLevel", log_level_word(log_level));
  add_value(doc, u"Port", decimal_text(port));
  save_path_history(doc, u"HomePath", home_index, home_paths);
  add_value(doc, u"Title", mbs_to_wstring(title));
  return true;
}

bool httpd_param::load(xml_document& doc) {
  load_flag(doc, u"Enable", enable);
  load_address(doc, u"Interface", interface_address);
  load_log_level(doc, u"LogLevel", log_level);
  uint32_t number = port;
  load_number(doc, u"Port", number);
  port = static_cast<uint16_t>(number);
  load_path_history(doc, u"HomePath", home_index, home_paths);
  std::u16string text;
  if (find_value(doc, u"Title", text)) title = wcs_to_string(text);
  return true;
}

bool httpd_param::apply() {
  if (enable && starter && !starter(*this)) enable = false;
  return true;
}
