#pragma once
// The "TerminalAppearance" settings node: margins, column limit, line spacing, size display,
// cursor, and the colour scheme and terminal type that new sessions start with. Its children are
// "AnsiColor" and "ColorScheme".
#include <cstdint>
#include <string>

#include "config/parameter.h"

class terminal_appearance_param : public parameter {
 public:
  terminal_appearance_param() : parameter(u"TerminalAppearance") {}

  bool save(xml_document& doc) override;
  // Reads the values in any order and bounds them: margin at most 100, max column at least 20,
  // line spacing at most 50, cursor type at most 2 (a negative one is ignored), cursor interval at
  // least 100 ms.
  bool load(xml_document& doc) override;

  bool indicate_size = true;     // "Display terminal size on status bar"
  uint32_t margin = 3;           // pixels, "Terminal Margin"
  uint32_t line_spacing = 0;     // pixels, "Line Spacing"
  uint32_t max_column = 256;     // "Max Column Number"
  int32_t cursor_type = 2;       // 0 "Vertical", 1 "Horizontal", 2 "Block"
  uint32_t cursor_interval = 500;  // ms
  std::u16string default_color_scheme = u"Standard";
  std::u16string default_console_type = u"xterm";
};
