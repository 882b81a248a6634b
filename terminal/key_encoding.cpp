#include "terminal/key_encoding.h"

#include <string>

#include "platform/text_codec.h"

namespace {

// Home and End differ between the two types; Page Up and Page Down do not depend on the mode.
struct key_sequences {
  std::string_view application;
  std::string_view normal;
};

constexpr key_sequences cursor_keys[] = {
    {"\x1bOA", "\x1b[A"},  // up
    {"\x1bOB", "\x1b[B"},  // down
    {"\x1bOD", "\x1b[D"},  // left
    {"\x1bOC", "\x1b[C"},  // right
};

constexpr key_sequences xterm_home_end[] = {
    {"\x1bOH", "\x1b[H"},
    {"\x1bOF", "\x1b[F"},
};

constexpr key_sequences linux_home_end[] = {
    {"\x1bO1~", "\x1b[1~"},
    {"\x1bO4~", "\x1b[4~"},
};

std::string_view pick(const key_sequences& keys, bool application_mode) {
  return application_mode ? keys.application : keys.normal;
}

}  // namespace

std::string_view navigation_key_sequence(std::string_view console_type, bool application_mode,
                                         navigation_key key) {
  const bool xterm = console_type == "xterm";
  const bool linux_console = console_type == "linux";
  switch (key) {
    case navigation_key::up:
    case navigation_key::down:
    case navigation_key::left:
    case navigation_key::right:
      return pick(cursor_keys[static_cast<int>(key) - static_cast<int>(navigation_key::up)],
                  application_mode);
    case navigation_key::home:
    case navigation_key::end: {
      if (!xterm && !linux_console) return {};
      const auto& table = xterm ? xterm_home_end : linux_home_end;
      return pick(table[key == navigation_key::home ? 0 : 1], application_mode);
    }
    case navigation_key::page_down:
      return xterm || linux_console ? "\x1b[6~" : std::string_view();
    case navigation_key::page_up:
      return xterm || linux_console ? "\x1b[5~" : std::string_view();
  }
  return {};
}

send_item typed_char_item(char32_t character) {
  if (character < 0x80) return send_item::one_byte(static_cast<unsigned char>(character));
  // A lone surrogate would reach the codec as one of its byte escapes; it is no typed character.
  if ((character >= 0xD800 && character <= 0xDFFF) || character > 0x10FFFF) character = 0xFFFD;
  std::u16string units;
  if (character < 0x10000) {
    units += static_cast<char16_t>(character);
  } else {
    units += static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10));
    units += static_cast<char16_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
  }
  return send_item::inline_text(platform::utf16_to_utf8(units));
}
