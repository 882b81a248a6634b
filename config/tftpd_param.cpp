#include "config/tftpd_param.h"

#include "config/param_values.h"
#include "config/server_values.h"
#include "config/text_convert.h"
#include "config/xml_document.h"

namespace {

void save_paths(xml_document& doc, std::u16string_view name, int32_t index,
                const std::vector<std::string>& paths) {
  add_value(doc, name, {});
  doc.set_attribute(doc.current_position(), u"index", decimal_text(index));
  for (const std::string& path : paths) doc.add_element(u"Path", mbs_to_wstring(path), xml_add_child);
}

void load_paths(xml_document& doc, std::u16string_view name, int32_t& index, std::vector<std::string>& paths) {
  doc.reset_main_position();
  if (!doc.find_element(name)) return;
  const uint32_t element = doc.current_position();
  while (doc.find_child_element(u"Path")) {
    std::u16string text = doc.get_data(doc.child_position());
    if (!text.empty()) paths.push_back(wcs_to_string(text));
  }
  // Read as unsigned, so "-1" and a missing attribute fall outside every list.
  const uint32_t read = read_number(doc.get_attribute(element, u"index"));
  index = read < paths.size() ? static_cast<int32_t>(read) : -1;
}

}  // namespace

bool tftpd_param::save(xml_document& doc) {
  add_value(doc, u"Enable", flag_text(enable));
  add_value(doc, u"Interface", address_text(interface_address));
  add_value(doc, u"LogLevel", log_level_word(log_level));
  add_value(doc, u"Port", decimal_text(static_cast<int32_t>(port)));
  add_value(doc, u"Timeout", decimal_text(static_cast<int32_t>(timeout)));
  add_value(doc, u"MaxRetry", decimal_text(static_cast<int32_t>(max_retry)));
  add_value(doc, u"ReadEnable", flag_text(read_enable));
  add_value(doc, u"WriteEnable", flag_text(write_enable));
  add_value(doc, u"PathRestriction", flag_text(path_restriction));
  save_paths(doc, u"DownloadPath", download_index, download_paths);
  save_paths(doc, u"UploadPath", upload_index, upload_paths);
  return true;
}

bool tftpd_param::load(xml_document& doc) {
  load_flag(doc, u"Enable", enable);
  load_address(doc, u"Interface", interface_address);
  load_log_level(doc, u"LogLevel", log_level);
  load_number(doc, u"Port", port);
  load_number(doc, u"Timeout", timeout);
  load_number(doc, u"MaxRetry", max_retry);
  load_flag(doc, u"ReadEnable", read_enable);
  load_flag(doc, u"WriteEnable", write_enable);
  load_flag(doc, u"PathRestriction", path_restriction);
  load_paths(doc, u"DownloadPath", download_index, download_paths);
  load_paths(doc, u"UploadPath", upload_index, upload_paths);
  return true;
}

bool tftpd_param::apply() {
  if (enable && starter && !starter(*this)) enable = false;
  return true;
}
