#include "config/terminal_appearance_param.h"

#include <algorithm>

#include "config/param_values.h"
#include "config/xml_document.h"

bool terminal_appearance_param::save(xml_document& doc) {
  add_value(doc, u"Margin", decimal_text(static_cast<int32_t>(margin)));
  add_value(doc, u"MaxColumn", decimal_text(static_cast<int32_t>(max_column)));
  add_value(doc, u"LineSpacing", decimal_text(static_cast<int32_t>(line_spacing)));
  add_value(doc, u"IndicateSize", flag_text(indicate_size));
  add_value(doc, u"CursorType", decimal_text(cursor_type));
  add_value(doc, u"CursorInterval", decimal_text(static_cast<int32_t>(cursor_interval)));
  add_value(doc, u"DefaultColorScheme", default_color_scheme);
  add_value(doc, u"DefaultConsoleType", default_console_type);
  return true;
}

bool terminal_appearance_param::load(xml_document& doc) {
  std::u16string text;
  if (find_value(doc, u"Margin", text)) margin = std::min(read_number(text), 100u);
  if (find_value(doc, u"MaxColumn", text)) max_column = std::max(read_number(text), 20u);
  if (find_value(doc, u"LineSpacing", text)) line_spacing = std::min(read_number(text), 50u);
  load_flag(doc, u"IndicateSize", indicate_size);
  if (find_value(doc, u"CursorType", text)) {
    // A negative style names no cursor at all: keep the one there is.
    const auto type = static_cast<int32_t>(read_number(text));
    if (type >= 0) cursor_type = std::min(type, 2);
  }
  if (find_value(doc, u"CursorInterval", text))
    cursor_interval = std::max(read_number(text), 100u);
  load_text(doc, u"DefaultColorScheme", default_color_scheme);
  load_text(doc, u"DefaultConsoleType", default_console_type);
  return true;
}
