#pragma once
// Numbers typed into dialogs and stored in settings are read with the rules users' files were
// written for: leading blanks, an optional sign (a minus negates modulo 2^32), decimal digits,
// saturation at 0xFFFFFFFF. The C library's strtoul is 64-bit here and would answer differently.
#include <cstdint>
#include <string_view>

namespace platform {

// `used` receives the number of units read up to the last digit (0 when no digit was found,
// in which case the result is 0).
uint32_t parse_u32(std::u16string_view text, size_t* used = nullptr);
uint32_t parse_u32(std::string_view text, size_t* used = nullptr);

// True when the text is one or more decimal digits and nothing else.
bool is_digits(std::u16string_view text);

}  // namespace platform
