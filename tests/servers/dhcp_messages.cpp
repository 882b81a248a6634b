#include "tests/servers/dhcp_messages.h"

namespace test_support {

namespace {

void put_u32(std::string& text, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) text[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

std::string u32_bytes(uint32_t value) {
  std::string text(4, '\0');
  put_u32(text, 0, value);
  return text;
}

}  // namespace

std::string dhcp_datagram(const dhcp_request& request) {
  std::string message(240, '\0');
  message[0] = 1;  // BOOTREQUEST
  message[1] = 1;
  message[2] = 6;
  put_u32(message, 4, request.xid);
  message[10] = static_cast<char>(0x80);  // broadcast flag
  put_u32(message, 12, request.ciaddr);
  for (size_t i = 0; i < request.mac.size(); ++i) message[28 + i] = static_cast<char>(request.mac[i]);
  put_u32(message, 236, 0x63825363);
  if (request.type) message += std::string{53, 1, static_cast<char>(request.type)};
  if (request.requested) message += std::string{50, 4} + u32_bytes(request.requested);
  if (request.server_id) message += std::string{54, 4} + u32_bytes(*request.server_id);
  message += request.more_options;
  message += static_cast<char>(255);
  message.resize(300, '\0');
  return message;
}

std::optional<std::string> reply_option(const dhcp_message& reply, uint8_t code) {
  for (size_t at = 240; at + 1 < reply.size() && reply[at] != 255;) {
    if (reply[at] == 0) {
      ++at;
      continue;
    }
    const size_t size = reply[at + 1];
    if (reply[at] == code) return std::string(reinterpret_cast<const char*>(&reply[at + 2]), size);
    at += 2 + size;
  }
  return std::nullopt;
}

uint32_t reply_u32(const dhcp_message& reply, size_t at) {
  return (uint32_t{reply[at]} << 24) | (uint32_t{reply[at + 1]} << 16) | (uint32_t{reply[at + 2]} << 8) |
         reply[at + 3];
}

}  // namespace test_support
