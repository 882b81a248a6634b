#pragma once
// Base64 (RFC 4648, standard alphabet, with padding) on one line, through OpenSSL's Base64
// filter with the no-newline flag over a memory buffer. Used for scrambled passwords.
#include <cstddef>
#include <string>
#include <string_view>

// The Base64 text of `length` bytes, without line breaks or a final newline.
std::string base64_text(const void* bytes, size_t length);

// The bytes that a one-line Base64 text stands for. Never fails: text that is not valid Base64
// gives whatever OpenSSL could decode of it, possibly nothing.
std::string base64_bytes(std::string_view text);
