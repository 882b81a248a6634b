#include "config/xml_result_log.h"

#include "config/xml_references.h"

namespace {
constexpr size_t log_limit = 1000;
}

void xml_note(std::u16string& log, std::u16string_view event,
              std::initializer_list<xml_note_attribute> attributes) {
  if (log.size() >= log_limit) return;
  log += u'<';
  log += event;
  for (const auto& [name, value] : attributes) {
    log += u' ';
    log += name;
    log += u"=\"";
    xml_append_escaped(log, value, true);
    log += u'"';
  }
  log += u"/>\r\n";
}

std::u16string xml_number_text(size_t value) {
  std::u16string digits;
  do {
    digits.insert(digits.begin(), char16_t(u'0' + value % 10));
    value /= 10;
  } while (value);
  return digits;
}
