#pragma once
// The rules of the quick-connect dialog, apart from its widgets: which controls each protocol
// shows, what the port text becomes on a protocol switch, when Connect is enabled, and the
// session record that Connect builds.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/session_record.h"

// Protocol mask bits: 1 SSH2, 2 Telnet, 4 Serial.
struct quick_connect_control {
  int id;
  int mask;
};
extern const std::array<quick_connect_control, 17> quick_connect_controls;

// The mask bit of a protocol index (0, 1 or 2); 0 for any other value (none selected).
int protocol_mask(int protocol);

// What the dialog's controls hold, read back.
struct quick_connect_input {
  int protocol = protocol_ssh2;  // the protocol combo's index; -1 when none is selected
  std::u16string host;
  std::u16string port;
  std::u16string user;
  unsigned com_port = 0;  // CComPortComboBox::GetPort
  int baudrate = 0;       // CBaudrateComboBox::GetBaudrate
  int databits = 8;       // the item data of the selected entries
  int parity = 0;
  int stopbits = 0;
  bool open_as_explorer = false;
};

// The text with blanks (white space) removed at its end.
std::u16string trim_trailing_blanks(std::u16string_view text);

// The port of a port text: digits only after trailing blanks are removed, at most 65535
// (0 included); nothing for an empty text, anything else, or a larger number.
std::optional<uint16_t> parse_port_text(std::u16string_view text);

// The port text after switching to `protocol` while the user has not edited the port: the
// record's SSH2 or Telnet port; nothing (the text stays) for Serial or once the port was edited.
std::optional<std::u16string> port_text_for(const session_record& record, int protocol, bool port_edited);

// Connect is enabled for SSH2 and Telnet with a host and a valid port, for Serial with a
// non-zero COM port and baud rate, and never with no protocol selected.
bool connect_enabled(const quick_connect_input& input);

// `base` filled from the input: the selected protocol's block, the name (that block's title)
// and the view (explorer only for SSH2 with "Open as explorer"). The other blocks keep their
// values. Only called once connect_enabled holds.
session_record build_session(session_record base, const quick_connect_input& input);
