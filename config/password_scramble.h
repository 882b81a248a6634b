#pragma once
// Saved passwords are not written in plain text: each byte is complemented, then the bytes are
// Base64-encoded on one line. This hides a password from a glance at the file; it is not
// encryption.
#include <string>
#include <string_view>

// Any byte values, 0x00 and 0xFF included, come back exactly; an empty password gives "".
std::u16string scramble_password(std::string_view password);

// The password that a scrambled text stands for. Never fails: text that is not valid Base64
// gives the complement of whatever could be decoded of it.
std::string unscramble_password(std::u16string_view text);
