#include "config/password_scramble.h"

#include "config/base64.h"
#include "config/text_convert.h"

namespace {

std::string complemented(std::string bytes) {
  for (char& byte : bytes) byte = static_cast<char>(~static_cast<unsigned char>(byte));
  return bytes;
}

}  // namespace

std::u16string scramble_password(std::string_view password) {
  if (password.empty()) return {};
  const std::string flipped = complemented(std::string(password));
  return mbs_to_wstring(base64_text(flipped.data(), flipped.size()));
}

std::string unscramble_password(std::u16string_view text) {
  return complemented(base64_bytes(wcs_to_string(text)));
}
