#pragma once
// The "TerminalOptions" settings node: mouse, selection and paste behaviour of every terminal.
#include <cstdint>

#include "config/parameter.h"

class terminal_opt_param : public parameter {
 public:
  terminal_opt_param() : parameter(u"TerminalOptions") {}

  bool save(xml_document& doc) override;
  bool load(xml_document& doc) override;

  bool prompt_mline_paste = true;  // "Prompt when pasting more than" `lines` "lines"
  uint32_t lines = 5;
  bool select_copy = true;    // "Copy when select"
  bool right_paste = true;    // "Paste with right button"
  bool hide_on_type = true;   // "Hide mouse when type"
  bool whole_select = true;   // "Whole line selection when with SHIFT key pressed"
  bool expand_select = true;  // "Expand double click selection when with CTRL key"
};
