#include "config/color_text.h"

#include <cstdint>

namespace {

int hex_digit(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_space(char16_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// One "#%x" at `pos`; on success `pos` moves past the digits.
bool scan_one(std::u16string_view text, size_t& pos, color_ref& color) {
  size_t i = pos;
  if (i >= text.size() || text[i] != '#') return false;
  ++i;
  while (i < text.size() && is_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      hex_digit(text[i + 2]) >= 0)
    i += 2;
  const size_t first_digit = i;
  uint64_t value = 0;
  for (; i < text.size() && hex_digit(text[i]) >= 0; ++i)
    if (value <= 0xFFFFFFFFu) value = value * 16 + static_cast<uint64_t>(hex_digit(text[i]));
  if (i == first_digit) return false;
  const uint32_t v = value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
  color = negative ? 0u - v : v;
  pos = i;
  return true;
}

}  // namespace

std::u16string color_text(color_ref color) {
  static const char16_t digits[] = u"0123456789ABCDEF";
  std::u16string text(9, u'#');
  for (int i = 0; i < 8; ++i) text[8 - i] = digits[(color >> (4 * i)) & 0xF];
  return text;
}

std::u16string plan_colors_text(const std::array<color_ref, 16>& colors) {
  std::u16string text;
  text.reserve(159);
  for (size_t i = 0; i < colors.size(); ++i) {
    if (i > 0) text += u',';
    text += color_text(colors[i]);
  }
  return text;
}

bool scan_color_text(std::u16string_view text, color_ref& color) {
  size_t pos = 0;
  return scan_one(text, pos, color);
}

bool scan_plan_colors_text(std::u16string_view text, std::array<color_ref, 16>& colors) {
  std::array<color_ref, 16> read{};
  size_t pos = 0;
  for (size_t i = 0; i < read.size(); ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != ',') return false;
      ++pos;
    }
    if (!scan_one(text, pos, read[i])) return false;
  }
  colors = read;
  return true;
}
