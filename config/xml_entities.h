#pragma once
// The named character references of HTML 4.01, and "apos".
#include <string_view>

// The character a reference name stands for, 0 when the name is not one. The exact name wins;
// otherwise case does not matter, and of two names that differ only in case (Oslash, oslash)
// the small letter is taken.
char16_t xml_entity_character(std::u16string_view name);
