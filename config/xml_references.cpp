#include "config/xml_references.h"

#include <cstdint>

#include "config/xml_entities.h"

namespace {

// Longest name between "&" and ";" that counts as a reference.
constexpr size_t longest_reference_name = 9;

int digit_value(char16_t c, bool hex) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (!hex) return -1;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The code point of "#digits" or "#xhex", 0 when it is not one or names no character that UTF-16
// can carry (0, surrogates, beyond U+10FFFF).
uint32_t numeric_reference(std::u16string_view name) {
  bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
  std::u16string_view digits = name.substr(hex ? 2 : 1);
  if (digits.empty()) return 0;
  uint32_t value = 0;
  for (char16_t c : digits) {
    int d = digit_value(c, hex);
    if (d < 0) return 0;
    value = value * (hex ? 16 : 10) + uint32_t(d);  // at most 8 digits: no overflow
  }
  if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return value;
}

// Appends the character of the reference name (between "&" and ";"); false when it is none.
bool append_reference(std::u16string& out, std::u16string_view name) {
  if (!name.empty() && name[0] == u'#') {
    uint32_t code = numeric_reference(name);
    if (code == 0) return false;
    xml_append_code_point(out, code);
    return true;
  }
  char16_t c = xml_entity_character(name);
  if (c == 0) return false;
  out += c;
  return true;
}

}  // namespace

void xml_append_code_point(std::u16string& out, uint32_t code) {
  if (code > 0xFFFF) {
    code -= 0x10000;
    out += char16_t(0xD800 + (code >> 10));
    out += char16_t(0xDC00 + (code & 0x3FF));
  } else {
    out += char16_t(code);
  }
}

std::u16string xml_decode_references(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    size_t amp = text.find(u'&', i);
    if (amp == std::u16string_view::npos) break;
    out.append(text.substr(i, amp - i));
    size_t semicolon = std::u16string_view::npos;
    for (size_t j = amp + 1; j < text.size() && j <= amp + 1 + longest_reference_name; ++j) {
      if (text[j] == u';') {
        semicolon = j;
        break;
      }
      if (text[j] > 0x7F) break;
    }
    if (semicolon != std::u16string_view::npos &&
        append_reference(out, text.substr(amp + 1, semicolon - amp - 1))) {
      i = semicolon + 1;
    } else {
      out += u'&';
      i = amp + 1;
    }
  }
  out.append(text.substr(i));
  return out;
}

void xml_append_escaped(std::u16string& out, std::u16string_view text, bool attribute) {
  for (char16_t c : text) {
    switch (c) {
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'"':
        if (attribute)
          out += u"&quot;";
        else
          out += c;
        break;
      case u'\'':
        if (attribute)
          out += u"&apos;";
        else
          out += c;
        break;
      default:
        out += c;
    }
  }
}
