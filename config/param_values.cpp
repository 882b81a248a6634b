#include "config/param_values.h"

#include "config/xml_document.h"
#include "platform/parse_number.h"

std::u16string flag_text(bool flag) { return flag ? u"true" : u"false"; }

std::u16string decimal_text(int64_t number) {
  const std::string digits = std::to_string(number);
  return std::u16string(digits.begin(), digits.end());
}

bool read_flag(std::u16string_view text) { return text == u"true"; }

uint32_t read_number(std::u16string_view text) { return platform::parse_u32(text); }

void add_value(xml_document& doc, std::u16string_view name, std::u16string_view text) {
  doc.add_element(name, text, 0);
}

bool find_value(xml_document& doc, std::u16string_view name, std::u16string& text) {
  doc.reset_main_position();
  if (!doc.find_element(name)) return false;
  text = doc.get_data(doc.current_position());
  return true;
}

void load_flag(xml_document& doc, std::u16string_view name, bool& flag) {
  std::u16string text;
  if (find_value(doc, name, text)) flag = read_flag(text);
}

void load_number(xml_document& doc, std::u16string_view name, uint32_t& number) {
  std::u16string text;
  if (find_value(doc, name, text)) number = read_number(text);
}

void load_text(xml_document& doc, std::u16string_view name, std::u16string& text) {
  find_value(doc, name, text);
}
