#include "terminal/send_item.h"

#include <algorithm>
#include <cstring>

send_item send_item::one_byte(unsigned char byte) {
  send_item item;
  item.kind = send_kind::one_byte;
  item.data[0] = static_cast<char>(byte);
  return item;
}

send_item send_item::inline_text(std::string_view text) {
  send_item item;
  item.kind = send_kind::inline_text;
  std::memcpy(item.data.data(), text.data(), std::min(text.size(), inline_capacity));
  return item;
}

send_item send_item::heap_buffer(std::string_view bytes) {
  send_item item;
  item.kind = send_kind::heap_buffer;
  item.buffer = std::make_unique_for_overwrite<char[]>(bytes.size());
  std::memcpy(item.buffer.get(), bytes.data(), bytes.size());
  item.length = bytes.size();
  return item;
}

std::string_view send_item::inline_bytes() const {
  switch (kind) {
    case send_kind::one_byte:
      return std::string_view(data.data(), 1);
    case send_kind::inline_text:
      return std::string_view(data.data(), ::strnlen(data.data(), inline_capacity));
    default:
      return {};
  }
}
