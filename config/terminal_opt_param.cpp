#include "config/terminal_opt_param.h"

#include "config/param_values.h"
#include "config/xml_document.h"

bool terminal_opt_param::save(xml_document& doc) {
  add_value(doc, u"PromptMlinePaste", flag_text(prompt_mline_paste));
  doc.set_attribute(doc.current_position(), u"Lines", decimal_text(static_cast<int32_t>(lines)));
  add_value(doc, u"ExpandSelect", flag_text(expand_select));
  add_value(doc, u"WholeSelect", flag_text(whole_select));
  add_value(doc, u"HideOnType", flag_text(hide_on_type));
  add_value(doc, u"RightPaste", flag_text(right_paste));
  add_value(doc, u"SelectCopy", flag_text(select_copy));
  return true;
}

bool terminal_opt_param::load(xml_document& doc) {
  std::u16string text;
  if (find_value(doc, u"PromptMlinePaste", text)) {
    prompt_mline_paste = read_flag(text);
    lines = read_number(doc.get_attribute(doc.current_position(), u"Lines"));
  }
  load_flag(doc, u"SelectCopy", select_copy);
  load_flag(doc, u"RightPaste", right_paste);
  load_flag(doc, u"HideOnType", hide_on_type);
  load_flag(doc, u"WholeSelect", whole_select);
  load_flag(doc, u"ExpandSelect", expand_select);
  return true;
}
