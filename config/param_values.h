#pragma once
// Reading and writing the value elements of a settings section: flags as "true"/"false",
// numbers in decimal, strings as they are. Every section node uses these, so that a missing
// element keeps its default and elements may stand in any order.
#include <cstdint>
#include <string>
#include <string_view>

class xml_document;

std::u16string flag_text(bool flag);
// Decimal digits with a leading '-' for a negative number (what "%d" and "%u" print).
std::u16string decimal_text(int64_t number);

// True only for exactly "true".
bool read_flag(std::u16string_view text);
// Unsigned decimal with the Windows 32-bit rules; 0 when the text has no leading digits.
uint32_t read_number(std::u16string_view text);

// Adds <name>text</name> after the current element (an empty element for an empty text); the
// new element becomes current.
void add_value(xml_document& doc, std::u16string_view name, std::u16string_view text);

// Finds the first element of that name on the current level, from its start, makes it current
// and gives its text. False (and `text` untouched) when there is none.
bool find_value(xml_document& doc, std::u16string_view name, std::u16string& text);

// find_value, then the field is set only when the element was found.
void load_flag(xml_document& doc, std::u16string_view name, bool& flag);
void load_number(xml_document& doc, std::u16string_view name, uint32_t& number);
void load_text(xml_document& doc, std::u16string_view name, std::u16string& text);
