#include "app/host_wizard_rules.h"

#include "app/quick_connect_rules.h"
#include "config/text_convert.h"

namespace {

// A saved host's port: 1 to 65535, as Session Options takes it, so that every saved host can be
// edited there without changing its port.
std::optional<uint16_t> host_port(std::u16string_view text) {
  std::optional<uint16_t> number = parse_port_text(text);
  if (number == 0) return std::nullopt;
  return number;
}

}  // namespace

int host_wizard_next_page(int page, int protocol) {
  switch (page) {
    case page_protocol:
      switch (protocol) {
        case protocol_ssh2: return page_ssh2;
        case protocol_telnet: return page_telnet;
        case protocol_serial: return page_serial;
        default: return -1;
      }
    case page_serial:
    case page_ssh2:
    case page_telnet:
      return page_host_name;
    default:
      return -1;
  }
}

int store_ssh2_page(session_record& record, std::u16string_view host, std::u16string_view port,
                    std::u16string_view user, bool open_as_explorer) {
  std::u16string hostname = trim_trailing_blanks(host);
  std::optional<uint16_t> number = host_port(port);
  if (hostname.empty() || !number) return buttons_back;
  ssh2_param& ssh2 = record.connection.ssh2;
  ssh2.hostname = wcs_to_string(hostname);
  ssh2.port = *number;
  ssh2.username = wcs_to_string(trim_trailing_blanks(user));
  record.view = open_as_explorer ? session_view_explorer : session_view_terminal;
  return buttons_back_next;
}

int store_telnet_page(session_record& record, std::u16string_view host, std::u16string_view port) {
  std::u16string hostname = trim_trailing_blanks(host);
  std::optional<uint16_t> number = host_port(port);
  if (hostname.empty() || !number) return buttons_back;
  record.connection.telnet.hostname = wcs_to_string(hostname);
  record.connection.telnet.port = *number;
  return buttons_back_next;
}

int store_serial_page(session_record& record, unsigned com_port, int baudrate, int databits, int parity,
                      int stopbits) {
  if (com_port == 0 || baudrate == 0) return buttons_back;
  serial_param& serial = record.connection.serial;
  serial.com_port = static_cast<uint16_t>(com_port);
  serial.baudrate = static_cast<uint32_t>(baudrate);
  serial.databits = static_cast<uint16_t>(databits);
  serial.parity = static_cast<uint16_t>(parity);
  serial.stopbits = static_cast<uint16_t>(stopbits);
  return buttons_back_next;
}

std::u16string proposed_host_name(const session_record& record) {
  if (!record.name.empty()) return record.name;
  const param_interface* block = record.connection.selected();
  return block ? block->title() : std::u16string();
}

int host_name_buttons(std::u16string_view name) {
  return trim_trailing_blanks(name).empty() ? buttons_back : buttons_back_finish;
}

void finish_host(session_record& record, std::u16string_view name) {
  record.name = std::u16string(name);
  if (record.connection.protocol != protocol_ssh2) record.view = session_view_terminal;
}
