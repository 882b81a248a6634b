#pragma once
// Conversions between narrow text (UTF-8 bytes: host names, user names, passwords, terminal
// types, remote paths) and UTF-16 text (window, settings and XML text).
//
// All four are the program's one codec (platform/text_codec.h): locale-free UTF-8, where every
// byte that starts no valid sequence becomes U+DC80 + byte and turns back into that byte when
// narrowed, so narrow -> wide -> narrow gives the original bytes. They never fail and never
// overrun. Each reads its input up to the first NUL, as the NUL-terminated texts they were made
// for; any thread may call them.
#include <string>
#include <string_view>

std::u16string mbs_to_wstring(std::string_view text);
std::string wcs_to_string(std::u16string_view text);
std::u16string ansi_to_wstring(std::string_view text);
std::string wstring_to_ansi(std::u16string_view text);

// A copy in which 'A'..'Z' become 'a'..'z'; every other unit (accented capitals included) stays.
std::u16string lower_ascii(std::u16string_view text);
