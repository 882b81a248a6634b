#include "config/tftpd_param.h"

#include "config/param_values.h"
#include "config/server_values.h"

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
  save_path_history(doc, u"DownloadPath", download_index, download_paths);
  save_path_history(doc, u"UploadPath", upload_index, upload_paths);
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
  load_path_history(doc, u"DownloadPath", download_index, download_paths);
  load_path_history(doc, u"UploadPath", upload_index, upload_paths);
  return true;
}

bool tftpd_param::apply() {
  if (enable && starter && !starter(*this)) enable = false;
  return true;
}
