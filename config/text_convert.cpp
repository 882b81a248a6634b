#include "config/text_convert.h"

#include "platform/text_codec.h"

namespace {

// The texts these functions were made for end at their first NUL.
template <typename Char>
std::basic_string_view<Char> up_to_nul(std::basic_string_view<Char> text) {
  const auto nul = text.find(Char(0));
  return nul == text.npos ? text : text.substr(0, nul);
}

}  // namespace

std::u16string mbs_to_wstring(std::string_view text) {
  return platform::utf8_to_utf16(up_to_nul(text));
}

std::string wcs_to_string(std::u16string_view text) {
  return platform::utf16_to_utf8(up_to_nul(text));
}

std::u16string ansi_to_wstring(std::string_view text) { return mbs_to_wstring(text); }

std::string wstring_to_ansi(std::u16string_view text) { return wcs_to_string(text); }

std::u16string lower_ascii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return out;
}
