#pragma once
// Finding the encoding a text declares for itself.
#include <string>
#include <string_view>

// How much of a text is searched for a declaration: the first 1024 characters (a file's first
// 1024 bytes when it is read).
inline constexpr size_t xml_declaration_search_length = 1024;

// The "encoding" of an XML declaration at the very start of `text`; or else, when the first
// element is "html", the charset named by a "meta" element whose "http-equiv" is "Content-Type",
// looked for up to the end of "head". Empty when the text declares nothing.
std::u16string xml_declared_encoding(std::u16string_view text);
