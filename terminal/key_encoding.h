#pragma once
// What the terminal sends for the keys it encodes itself: the eight navigation keys, by terminal
// type and cursor-key mode, and typed characters.
#include <cstdint>
#include <string_view>

#include "terminal/send_item.h"

enum class navigation_key : int32_t {
  up = 1,
  down = 2,
  left = 3,
  right = 4,
  home = 5,
  end = 6,
  page_down = 7,
  page_up = 8,
};

// The bytes the key sends. `application_mode` is the cursor-key application mode (CSI ?1 h).
// Home, End, Page Up and Page Down are known only for the terminal types "xterm" and "linux"
// (compared exactly); for any other type, and for an unknown key, the result is empty.
std::string_view navigation_key_sequence(std::string_view console_type, bool application_mode,
                                         navigation_key key);

// The item for one typed character: a character up to 0x7F is its own byte; any other is sent
// as its UTF-8 form, so every peer that speaks UTF-8 sees the character that was typed.
// A surrogate or a value past U+10FFFF is sent as U+FFFD.
send_item typed_char_item(char32_t character);
