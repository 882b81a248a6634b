#pragma once
// Converting file bytes to the document's UTF-16 text and back, by code page (see
// xml_encoding_names.h). UTF-8, UTF-16 and UTF-32 are converted by our own code; every other
// code page goes through iconv(3), the ANSI code page being windows-1252.
#include <cstdint>
#include <string>
#include <string_view>

// Bytes to UTF-16. Bytes the code page cannot decode become '?' and are counted in `replaced`.
// UTF-8 is decoded losslessly: an invalid byte becomes U+DC80 + byte and is written back as it
// was.
std::u16string xml_decode_text(std::string_view bytes, uint32_t code_page, size_t& replaced);

// UTF-16 to bytes. Characters the code page cannot represent become '?' and are counted in
// `replaced`.
std::string xml_encode_text(std::u16string_view text, uint32_t code_page, size_t& replaced);
