#include "settings/controls/serial_text.h"

#include <cstdint>

namespace {

// The value of the digits at the start of `text`, or 0 when there are none or the value
// exceeds `limit`.
uint64_t leading_number(std::u16string_view text, uint64_t limit) {
  uint64_t value = 0;
  size_t digits = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    value = value * 10 + static_cast<uint64_t>(c - u'0');
    if (value > limit) return 0;
    ++digits;
  }
  return digits ? value : 0;
}

std::u16string decimal(unsigned value) {
  std::string narrow = std::to_string(value);
  return std::u16string(narrow.begin(), narrow.end());
}

}  // namespace

int parse_baudrate(std::u16string_view text) {
  return static_cast<int>(leading_number(text, INT32_MAX));
}

unsigned parse_com_port(std::u16string_view text) {
  if (!text.starts_with(u"COM")) return 0;
  return static_cast<unsigned>(leading_number(text.substr(3), 65535));
}

std::u16string baudrate_text(unsigned rate) { return decimal(rate); }

std::u16string com_port_text(unsigned port) { return u"COM" + decimal(port); }
