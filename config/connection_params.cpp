#include "config/connection_params.h"

#include "config/param_values.h"
#include "config/text_convert.h"

namespace {

std::u16string network_description(std::u16string_view protocol, const std::string& hostname,
                                   uint16_t port) {
  return u"Protocol: " + std::u16string(protocol) + u"\r\nHost: " + mbs_to_wstring(hostname) +
         u"\r\nPort: " + decimal_text(port);
}

}  // namespace

std::u16string ssh2_param::title() const { return mbs_to_wstring(hostname) + u" (SSH2)"; }

std::u16string ssh2_param::description() const {
  return network_description(protocol_name(), hostname, port);
}

std::u16string telnet_param::title() const { return mbs_to_wstring(hostname) + u" (Telnet)"; }

std::u16string telnet_param::description() const {
  return network_description(protocol_name(), hostname, port);
}

std::u16string serial_param::title() const { return u"Serial COM" + decimal_text(com_port); }

std::u16string serial_param::description() const {
  return u"COM: " + decimal_text(com_port) + u"\r\nBaudrate: " + decimal_text(baudrate);
}

int32_t connection_params::protocol_index(std::u16string_view name) {
  if (name == ssh2_param().protocol_name()) return protocol_ssh2;
  if (name == telnet_param().protocol_name()) return protocol_telnet;
  if (name == serial_param().protocol_name()) return protocol_serial;
  return protocol_unknown;
}

const param_interface* connection_params::selected() const {
  switch (protocol) {
    case protocol_ssh2: return &ssh2;
    case protocol_telnet: return &telnet;
    case protocol_serial: return &serial;
    default: return nullptr;
  }
}
