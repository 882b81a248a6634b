#include "terminal/paste_text.h"

#include <algorithm>

#include "config/text_convert.h"

std::string paste_bytes(std::u16string_view clipboard_text) {
  std::string bytes = wcs_to_string(clipboard_text);
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out += bytes[i];
  }
  return out;
}

bool paste_needs_confirmation(std::string_view text, bool prompt, uint32_t lines) {
  if (!prompt) return false;
  uint64_t count = 1 + std::count(text.begin(), text.end(), '\n');
  return lines <= 1 || count >= lines;
}
