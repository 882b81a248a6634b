#pragma once
// Character references in XML text and attribute values, and the escaping of values written in.
#include <cstdint>
#include <string>
#include <string_view>

// Replaces each "&name;" (an HTML 4.01 name or "apos"), "&#decimal;" and "&#xhex;" by its
// character. Anything else, including references to code points above U+10FFFF or to
// surrogates, stays as written.
std::u16string xml_decode_references(std::u16string_view text);

// Appends a code point (at most U+10FFFF), as a surrogate pair above U+FFFF.
void xml_append_code_point(std::u16string& out, uint32_t code);

// Appends `text` escaped for element text ("&", "<", ">"), or for a double-quoted attribute
// value (the quotes as well).
void xml_append_escaped(std::u16string& out, std::u16string_view text, bool attribute);
