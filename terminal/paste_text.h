#pragma once
// The rules of a paste: what is sent for the clipboard's text, and when it is shown for
// confirmation first.
#include <cstdint>
#include <string>
#include <string_view>

// The clipboard text as the bytes to send: UTF-8, every "\r\n" turned into "\n".
std::string paste_bytes(std::u16string_view clipboard_text);

// Whether the paste asks first: with the prompt on, when its line count (1 + the number of
// "\n") reaches `lines`, or always when `lines` is 1 or less.
bool paste_needs_confirmation(std::string_view text, bool prompt, uint32_t lines);
