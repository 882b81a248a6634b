#include "config/default_session_param.h"

#include "config/configuration.h"
#include "config/host_element.h"
#include "config/host_param.h"
#include "config/param_values.h"
#include "config/text_convert.h"
#include "config/xml_document.h"

bool default_session_param::save(xml_document& doc) {
  add_value(doc, u"DefaultSessionType", decimal_text(session_type));
  if (session_type == default_session_last) {
    doc.add_element(u"LastSessions");
    doc.into_element();
    for (const auto& record : last_sessions)
      if (record) save_host(*record, doc);
    doc.out_of_element();
  }
  doc.add_element(u"CustomSessions");
  for (const auto& uuid : custom_sessions) doc.add_element(u"Host", mbs_to_wstring(uuid), xml_add_child);
  return true;
}

bool default_session_param::load(xml_document& doc) {
  std::u16string text;
  doc.reset_main_position();
  if (find_value(doc, u"DefaultSessionType", text)) {
    uint32_t type = read_number(text);
    session_type = type >= 3 ? default_session_none : static_cast<int32_t>(type);
  }
  doc.reset_main_position();
  if (doc.find_element(u"LastSessions")) {
    doc.into_element();
    while (auto record = load_host(doc)) last_sessions.push_back(std::move(record));
    doc.out_of_element();
  }
  doc.reset_main_position();
  if (doc.find_element(u"CustomSessions")) {
    while (doc.find_child_element(u"Host"))
      custom_sessions.push_back(wcs_to_string(doc.get_data(doc.child_position())));
  }
  return true;
}

bool default_session_param::apply() {
  if (!opener) return true;
  if (session_type == default_session_last) {
    for (const auto& record : last_sessions)
      if (record) opener(*record);
  } else if (session_type == default_session_custom) {
    const host_param* tree = hosts ? hosts : configuration::instance().hosts;
    for (const auto& uuid : custom_sessions) {
      if (auto host = tree ? tree->find(uuid) : std::nullopt) opener(*host);
    }
  }
  return true;
}
