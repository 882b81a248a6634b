#pragma once
// The one text codec of the program: UTF-8 bytes <-> UTF-16 units, locale-free.
//
// Narrow text (host names, passwords, remote file names) is not always valid UTF-8, and it must
// survive a trip through the GUI unchanged. So every byte that does not start a valid UTF-8
// sequence becomes the lone surrogate U+DC00 + byte (U+DC80..U+DCFF), and narrowing turns those
// units back into the original bytes. narrow -> wide -> narrow is therefore always lossless.
// Neither direction fails or overruns on any input.
#include <string>
#include <string_view>

namespace platform {

std::u16string utf8_to_utf16(std::string_view bytes);

// Lone surrogates outside U+DC80..U+DCFF have no byte form and are written as U+FFFD.
std::string utf16_to_utf8(std::u16string_view units);

}  // namespace platform
