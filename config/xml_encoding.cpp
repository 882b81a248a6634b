#include "config/xml_encoding.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>

#include "config/xml_encoding_names.h"
#include "config/xml_references.h"
#include "platform/text_codec.h"

namespace {

bool is_high_surrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::u16string decode_utf16(std::string_view bytes, bool big_endian, size_t& replaced) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto a = uint8_t(bytes[i]), b = uint8_t(bytes[i + 1]);
    text += big_endian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
  }
  if (bytes.size() % 2) ++replaced;  // a lone last byte carries no character
  return text;
}

std::string encode_utf16(std::u16string_view text, bool big_endian) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    char high = char(c >> 8), low = char(c & 0xFF);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
}

std::u16string decode_utf32(std::string_view bytes, bool big_endian, size_t& replaced) {
  std::u16string text;
  text.reserve(bytes.size() / 4);
  for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
    uint32_t code = 0;
    for (size_t k = 0; k < 4; ++k) {
      size_t byte = big_endian ? i + k : i + 3 - k;
      code = code << 8 | uint8_t(bytes[byte]);
    }
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      code = u'?';
      ++replaced;
    }
    xml_append_code_point(text, code);
  }
  if (bytes.size() % 4) ++replaced;
  return text;
}

std::string encode_utf32(std::u16string_view text, bool big_endian, size_t& replaced) {
  std::string bytes;
  bytes.reserve(text.size() * 4);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (is_high_surrogate(text[i]) || is_low_surrogate(text[i])) {
      code = u'?';
      ++replaced;
    }
    for (size_t k = 0; k < 4; ++k) {
      size_t shift = big_endian ? 24 - 8 * k : 8 * k;
      bytes += char((code >> shift) & 0xFF);
    }
  }
  return bytes;
}

// One iconv conversion that goes on past what the target cannot take: each such input unit is
// replaced by the target's '?'.
class iconv_converter {
 public:
  iconv_converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~iconv_converter() {
    if (ok()) iconv_close(handle_);
  }
  iconv_converter(const iconv_converter&) = delete;
  iconv_converter& operator=(const iconv_converter&) = delete;

  bool ok() const { return handle_ != iconv_t(-1); }

  // Converts `input`; `unit` is the size of one input unit skipped on a failure. In place of each
  // skipped unit goes `question` converted (a '?' in the input's form), or `fallback` as it is
  // when there is none or the target cannot take it either.
  std::string convert(std::string_view input, size_t unit, std::string_view question,
                      std::string_view fallback, size_t& replaced) {
    std::string output;
    output.reserve(input.size() * 2 + 16);
    const char* in = input.data();
    size_t left = input.size();
    while (left > 0) {
      size_t result = step(&in, &left, output);
      if (result != size_t(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ (not convertible) or EINVAL (incomplete at the end): skip one unit, or a whole
      // surrogate pair when the unit starts one.
      size_t skip = std::min(left, unit);
      if (unit == 2 && left >= 4 &&
          is_high_surrogate(char16_t(uint8_t(in[1]) << 8 | uint8_t(in[0])))) {
        skip = 4;
      }
      in += skip;
      left -= skip;
      ++replaced;
      const char* q = question.data();
      size_t q_left = question.size();
      while (q_left > 0 && step(&q, &q_left, output) != size_t(-1)) {
      }
      if (q_left > 0 || question.empty()) output += fallback;
    }
    step(nullptr, nullptr, output);  // ends a stateful encoding (ISO-2022-JP, UTF-7) cleanly
    return output;
  }

 private:
  // One iconv call into the free space of `output` (grown first); the result of iconv.
  size_t step(const char** in, size_t* left, std::string& output) {
    size_t used = output.size();
    output.resize(used + 4096);
    char* out = output.data() + used;
    size_t room = 4096;
    size_t result = iconv(handle_, const_cast<char**>(in), left, &out, &room);
    int saved = errno;
    output.resize(used + 4096 - room);
    errno = saved;
    return result;
  }

  iconv_t handle_;
};

}  // namespace

std::u16string xml_decode_text(std::string_view bytes, uint32_t code_page, size_t& replaced) {
  switch (code_page) {
    case xml_code_page_utf8:
      return platform::utf8_to_utf16(bytes);
    case xml_code_page_utf16le:
      return decode_utf16(bytes, false, replaced);
    case xml_code_page_utf16be:
      return decode_utf16(bytes, true, replaced);
    case xml_code_page_utf32le:
      return decode_utf32(bytes, false, replaced);
    case xml_code_page_utf32be:
      return decode_utf32(bytes, true, replaced);
    default:
      break;
  }
  const char* charset = xml_iconv_charset(code_page);
  iconv_converter converter("UTF-16LE", charset ? charset : xml_iconv_charset(xml_code_page_ansi));
  if (!converter.ok()) return platform::utf8_to_utf16(bytes);
  std::string units = converter.convert(bytes, 1, {}, std::string_view("?\0", 2), replaced);
  return decode_utf16(units, false, replaced);
}

std::string xml_encode_text(std::u16string_view text, uint32_t code_page, size_t& replaced) {
  switch (code_page) {
    case xml_code_page_utf8:
      return platform::utf16_to_utf8(text);
    case xml_code_page_utf16le:
      return encode_utf16(text, false);
    case xml_code_page_utf16be:
      return encode_utf16(text, true);
    case xml_code_page_utf32le:
      return encode_utf32(text, false, replaced);
    case xml_code_page_utf32be:
      return encode_utf32(text, true, replaced);
    default:
      break;
  }
  const char* charset = xml_iconv_charset(code_page);
  iconv_converter converter(charset ? charset : xml_iconv_charset(xml_code_page_ansi), "UTF-16LE");
  if (!converter.ok()) return platform::utf16_to_utf8(text);
  return converter.convert(encode_utf16(text, false), 2, std::string_view("?\0", 2), "?", replaced);
}
