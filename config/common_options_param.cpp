#include "config/common_options_param.h"

#include "config/param_values.h"
#include "config/xml_document.h"

bool common_options_param::save(xml_document& doc) {
  add_value(doc, u"CloseConfirm", flag_text(close_confirm));
  add_value(doc, u"DisconnectConfirm", flag_text(disconnect_confirm));
  add_value(doc, u"ReconnectConfirm", flag_text(reconnect_confirm));
  return true;
}

bool common_options_param::load(xml_document& doc) {
  load_flag(doc, u"CloseConfirm", close_confirm);
  load_flag(doc, u"DisconnectConfirm", disconnect_confirm);
  load_flag(doc, u"ReconnectConfirm", reconnect_confirm);
  return true;
}
