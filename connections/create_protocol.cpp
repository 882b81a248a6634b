#include "connections/create_protocol.h"

#include "config/session_record.h"
#include "connections/serial.h"
#include "connections/ssh2.h"
#include "connections/telnet.h"

std::shared_ptr<protocol> create_protocol(const session_record& record) {
  std::shared_ptr<protocol> made;
  switch (record.connection.protocol) {
    case protocol_ssh2: made = std::make_shared<ssh2>(record.uuid, record.connection.ssh2); break;
    case protocol_telnet: made = std::make_shared<telnet>(record.uuid, record.connection.telnet); break;
    case protocol_serial: made = std::make_shared<serial>(record.uuid, record.connection.serial); break;
    default: return nullptr;
  }
  made->mode = record.view;
  made->terminal_type = record.appearance.console_type;
  return made;
}
