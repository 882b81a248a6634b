#include "config/host_element.h"

#include "config/param_values.h"
#include "config/password_scramble.h"
#include "config/session_record.h"
#include "config/text_convert.h"
#include "config/xml_document.h"

namespace {

std::u16string view_text(int32_t view) {
  switch (view) {
    case session_view_terminal: return u"terminal";
    case session_view_explorer: return u"explorer";
    default: return u"undef";
  }
}

// A record whose protocol was not recognised keeps a protocol name that reads back the same way.
std::u16string protocol_text(const connection_params& connection) {
  const param_interface* block = connection.selected();
  return block ? block->protocol_name() : u"undef";
}

void add_number(xml_document& doc, std::u16string_view name, int64_t number) {
  add_value(doc, name, decimal_text(number));
}

void save_protocol_values(const connection_params& connection, xml_document& doc) {
  switch (connection.protocol) {
    case protocol_ssh2:
      add_value(doc, u"Hostname", mbs_to_wstring(connection.ssh2.hostname));
      add_number(doc, u"Port", connection.ssh2.port);
      add_value(doc, u"Username", mbs_to_wstring(connection.ssh2.username));
      add_value(doc, u"Password", scramble_password(connection.ssh2.password));
      break;
    case protocol_telnet:
      add_value(doc, u"Hostname", mbs_to_wstring(connection.telnet.hostname));
      add_number(doc, u"Port", connection.telnet.port);
      break;
    case protocol_serial:
      add_number(doc, u"ComPort", connection.serial.com_port);
      add_number(doc, u"Baudrate", static_cast<int32_t>(connection.serial.baudrate));
      add_number(doc, u"Databits", connection.serial.databits);
      add_number(doc, u"Stopbits", connection.serial.stopbits);
      add_number(doc, u"Parity", connection.serial.parity);
      break;
    default: break;
  }
}

// Reads the children of the current "Host" element, each searched from the first child.
class host_children {
 public:
  explicit host_children(xml_document& doc) : doc_(doc) {}

  bool text(std::u16string_view name, std::u16string& value) {
    doc_.reset_child_position();
    if (!doc_.find_child_element(name)) return false;
    value = doc_.get_data(doc_.child_position());
    return true;
  }
  void narrow(std::u16string_view name, std::string& value) {
    std::u16string wide;
    if (text(name, wide)) value = wcs_to_string(wide);
  }
  void wide(std::u16string_view name, std::u16string& value) { text(name, value); }
  template <typename Number>
  void number(std::u16string_view name, Number& value) {
    std::u16string wide;
    if (text(name, wide)) value = static_cast<Number>(read_number(wide));
  }

 private:
  xml_document& doc_;
};

void load_protocol_values(host_children& children, connection_params& connection) {
  switch (connection.protocol) {
    case protocol_ssh2: {
      children.narrow(u"Hostname", connection.ssh2.hostname);
      children.number(u"Port", connection.ssh2.port);
      children.narrow(u"Username", connection.ssh2.username);
      std::u16string scrambled;
      if (children.text(u"Password", scrambled))
        connection.ssh2.password = unscramble_password(scrambled);
      break;
    }
    case protocol_telnet:
      children.narrow(u"Hostname", connection.telnet.hostname);
      children.number(u"Port", connection.telnet.port);
      break;
    case protocol_serial:
      children.number(u"ComPort", connection.serial.com_port);
      children.number(u"Baudrate", connection.serial.baudrate);
      children.number(u"Databits", connection.serial.databits);
      children.number(u"Stopbits", connection.serial.stopbits);
      children.number(u"Parity", connection.serial.parity);
      break;
    default: break;
  }
}

}  // namespace

bool save_host(const session_record& record, xml_document& doc) {
  doc.add_element(u"Host", {}, 0);
  const uint32_t host = doc.current_position();
  doc.set_attribute(host, u"Uuid", mbs_to_wstring(record.uuid));
  doc.set_attribute(host, u"Name", record.name);
  doc.set_attribute(host, u"View", view_text(record.view));
  doc.set_attribute(host, u"Protocol", protocol_text(record.connection));
  doc.into_element();
  save_protocol_values(record.connection, doc);
  const session_appearance& look = record.appearance;
  add_value(doc, u"FontName", look.font_name);
  add_number(doc, u"FontSize", look.font_size);
  add_value(doc, u"ConsoleType", mbs_to_wstring(look.console_type));
  add_number(doc, u"ScrollbackSize", look.scrollback_size);
  add_number(doc, u"CursorType", look.cursor_type);
  add_number(doc, u"CursorInterval", look.cursor_interval);
  add_value(doc, u"ColorScheme", look.color_scheme);
  doc.out_of_element();
  return true;
}

std::unique_ptr<session_record> load_host(xml_document& doc) {
  if (!doc.find_element(u"Host")) return nullptr;
  auto record = std::make_unique<session_record>();
  const uint32_t host = doc.current_position();
  record->uuid = wcs_to_string(doc.get_attribute(host, u"Uuid"));
  record->name = doc.get_attribute(host, u"Name");
  if (record->name.empty()) record->name = u"lost";
  record->view = doc.get_attribute(host, u"View") == u"explorer" ? session_view_explorer
                                                                  : session_view_terminal;
  record->connection.protocol =
      connection_params::protocol_index(doc.get_attribute(host, u"Protocol"));

  host_children children(doc);
  load_protocol_values(children, record->connection);
  session_appearance& look = record->appearance;
  children.wide(u"FontName", look.font_name);
  children.number(u"FontSize", look.font_size);
  children.narrow(u"ConsoleType", look.console_type);
  children.number(u"ScrollbackSize", look.scrollback_size);
  children.number(u"CursorType", look.cursor_type);
  children.number(u"CursorInterval", look.cursor_interval);
  children.wide(u"ColorScheme", look.color_scheme);
  doc.reset_child_position();
  // The constructor resolved the default scheme; the record names its own.
  look.resolve_colors();
  return record;
}
