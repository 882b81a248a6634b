#pragma once
// Encoding names as files declare them, and the code pages they stand for.
#include <cstdint>
#include <string_view>

// Code pages with a meaning of their own here.
inline constexpr uint32_t xml_code_page_ansi = 0;  // the ANSI code page: windows-1252
inline constexpr uint32_t xml_code_page_utf16le = 1200;
inline constexpr uint32_t xml_code_page_utf16be = 1201;
inline constexpr uint32_t xml_code_page_utf32le = 12000;
inline constexpr uint32_t xml_code_page_utf32be = 12001;
inline constexpr uint32_t xml_code_page_utf8 = 65001;

// The code page of an encoding name, looked up without regard to the case of ASCII letters.
// An empty name, one of 100 characters or more and a name not in the table give the ANSI code
// page.
uint32_t xml_code_page(std::u16string_view encoding_name);

// The iconv(3) charset that converts a code page (windows-1252 for the ANSI code page); null for
// the code pages converted by our own code (UTF-8, UTF-16, UTF-32) and those iconv lacks.
const char* xml_iconv_charset(uint32_t code_page);
