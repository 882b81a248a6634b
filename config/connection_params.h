#pragma once
// How a session connects: the protocol and one parameter block per protocol. All three blocks
// are always present; only the one the protocol selects is used and stored.
#include <cstdint>
#include <string>
#include <string_view>

// Values of connection_params::protocol; also the index of the connection factory and of the
// protocol combo boxes. 4 is a protocol name that was not recognised when a host was read.
enum protocol_kind : int32_t {
  protocol_ssh2 = 0,
  protocol_telnet = 1,
  protocol_serial = 2,
  protocol_unknown = 4,
};

// What the host manager and the stored host need to know about a block whatever its protocol.
// The blocks live inside their record and are never deleted through this interface.
class param_interface {
 public:
  virtual std::u16string title() const = 0;          // names a new host item
  virtual std::u16string description() const = 0;    // the host's tooltip text
  virtual std::u16string protocol_name() const = 0;  // the "Protocol" attribute of a stored host

 protected:
  param_interface() = default;
  param_interface(const param_interface&) = default;
  param_interface& operator=(const param_interface&) = default;
  ~param_interface() = default;
};

class ssh2_param : public param_interface {
 public:
  std::u16string title() const override;
  std::u16string description() const override;
  std::u16string protocol_name() const override { return u"SSH2"; }

  std::string hostname;
  uint16_t port = 22;
  std::string username;
  std::string password;  // plain text in memory; scrambled only in the file
};

class telnet_param : public param_interface {
 public:
  std::u16string title() const override;
  std::u16string description() const override;
  std::u16string protocol_name() const override { return u"Telnet"; }

  std::string hostname;
  uint16_t port = 23;
};

class serial_param : public param_interface {
 public:
  std::u16string title() const override;
  std::u16string description() const override;
  std::u16string protocol_name() const override { return u"Serial"; }

  uint32_t baudrate = 9600;
  uint16_t com_port = 1;  // COM 1
  uint16_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint16_t databits = 8;
  uint16_t stopbits = 0;  // 0, 1, 2 stand for 1, 1.5 and 2 stop bits
};

struct connection_params {
  // 0, 1 or 2 for "SSH2", "Telnet", "Serial" (exact, case-sensitive); 4 for anything else.
  static int32_t protocol_index(std::u16string_view name);

  // The block the protocol selects; null for an unrecognised protocol.
  const param_interface* selected() const;

  int32_t protocol = protocol_ssh2;
  ssh2_param ssh2;
  telnet_param telnet;
  serial_param serial;
};
