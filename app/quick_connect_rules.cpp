#include "app/quick_connect_rules.h"

#include "config/text_convert.h"

const std::array<quick_connect_control, 17> quick_connect_controls = {{
    {327, 3}, {311, 3}, {326, 3}, {312, 3}, {328, 1}, {313, 1}, {315, 4}, {320, 4}, {317, 4},
    {322, 4}, {316, 4}, {321, 4}, {318, 4}, {323, 4}, {319, 4}, {324, 4}, {314, 1},
}};

int protocol_mask(int protocol) {
  return protocol >= protocol_ssh2 && protocol <= protocol_serial ? 1 << protocol : 0;
}

std::u16string trim_trailing_blanks(std::u16string_view text) {
  size_t end = text.size();
  while (end > 0) {
    char16_t c = text[end - 1];
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n' && c != u'\v' && c != u'\f') break;
    --end;
  }
  return std::u16string(text.substr(0, end));
}

std::optional<uint16_t> parse_port_text(std::u16string_view text) {
  std::u16string digits = trim_trailing_blanks(text);
  if (digits.empty()) return std::nullopt;
  uint32_t value = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - u'0');
    if (value > 65535) return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

std::optional<std::u16string> port_text_for(const session_record& record, int protocol, bool port_edited) {
  if (port_edited) return std::nullopt;
  std::string port;
  if (protocol == protocol_ssh2) port = std::to_string(record.connection.ssh2.port);
  else if (protocol == protocol_telnet) port = std::to_string(record.connection.telnet.port);
  else return std::nullopt;
  return std::u16string(port.begin(), port.end());
}

bool connect_enabled(const quick_connect_input& input) {
  switch (input.protocol) {
    case protocol_ssh2:
    case protocol_telnet:
      return !trim_trailing_blanks(input.host).empty() && parse_port_text(input.port).has_value();
    case protocol_serial:
      return input.com_port != 0 && input.baudrate != 0;
    default:
      return false;
  }
}

session_record build_session(session_record base, const quick_connect_input& input) {
  connection_params& c = base.connection;
  std::string host = wcs_to_string(trim_trailing_blanks(input.host));
  uint16_t port = parse_port_text(input.port).value_or(0);
  base.view = session_view_terminal;
  switch (input.protocol) {
    case protocol_ssh2:
      c.protocol = protocol_ssh2;
      c.ssh2.hostname = host;
      c.ssh2.port = port;
      c.ssh2.username = wcs_to_string(trim_trailing_blanks(input.user));
      if (input.open_as_explorer) base.view = session_view_explorer;
      break;
    case protocol_telnet:
      c.protocol = protocol_telnet;
      c.telnet.hostname = host;
      c.telnet.port = port;
      break;
    case protocol_serial:
      c.protocol = protocol_serial;
      c.serial.com_port = static_cast<uint16_t>(input.com_port);
      c.serial.baudrate = static_cast<uint32_t>(input.baudrate);
      c.serial.databits = static_cast<uint16_t>(input.databits);
      c.serial.parity = static_cast<uint16_t>(input.parity);
      c.serial.stopbits = static_cast<uint16_t>(input.stopbits);
      break;
    default:
      break;
  }
  if (const param_interface* block = c.selected()) base.name = block->title();
  return base;
}
