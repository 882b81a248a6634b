#include "platform/parse_number.h"

namespace platform {
namespace {

bool is_blank(char32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

template <typename Char>
uint32_t parse(std::basic_string_view<Char> s, size_t* used) {
  size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  uint64_t value = 0;
  bool saturated = false;
  const size_t first_digit = i;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (!saturated) {
      value = value * 10 + static_cast<uint64_t>(s[i] - '0');
      if (value > 0xFFFFFFFFull) saturated = true;
    }
  }
  if (i == first_digit) {
    if (used) *used = 0;
    return 0;
  }
  if (used) *used = i;
  if (saturated) return 0xFFFFFFFFu;
  const auto v = static_cast<uint32_t>(value);
  return negative ? static_cast<uint32_t>(0u - v) : v;
}

}  // namespace

uint32_t parse_u32(std::u16string_view text, size_t* used) { return parse(text, used); }
uint32_t parse_u32(std::string_view text, size_t* used) { return parse(text, used); }

bool is_digits(std::u16string_view text) {
  if (text.empty()) return false;
  for (char16_t c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace platform
