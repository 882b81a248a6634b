// Session records: defaults, copies, the parameter blocks' texts, the stored "Host" element,
// scrambled passwords and the default log name.
#include <gtest/gtest.h>

#include "config/host_element.h"
#include "config/password_scramble.h"
#include "config/session_record.h"
#include "config/text_convert.h"
#include "tests/config/node_text.h"

namespace {

// Whether `text` has the shape of `pattern`, where '9' stands for any decimal digit and 'X' for
// any upper-case hexadecimal digit.
bool has_shape(std::string_view text, std::string_view pattern) {
  if (text.size() != pattern.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    if (pattern[i] == '9' ? !digit
        : pattern[i] == 'X' ? !(digit || (c >= 'A' && c <= 'F'))
                            : c != pattern[i])
      return false;
  }
  return true;
}

// Every stored field of a record, as one text, so a mismatch shows which field differs.
std::string stored_fields(const session_record& r) {
  const connection_params& c = r.connection;
  const session_appearance& a = r.appearance;
  std::string text = r.uuid + "|" + wcs_to_string(r.name) + "|view " + std::to_string(r.view) +
                     "|protocol " + std::to_string(c.protocol);
  switch (c.protocol) {
    case protocol_ssh2:
      text += "|" + c.ssh2.hostname + ":" + std::to_string(c.ssh2.port) + "|" + c.ssh2.username +
              "|" + c.ssh2.password;
      break;
    case protocol_telnet:
      text += "|" + c.telnet.hostname + ":" + std::to_string(c.telnet.port);
      break;
    case protocol_serial:
      text += "|COM" + std::to_string(c.serial.com_port) + " " + std::to_string(c.serial.baudrate) +
              " " + std::to_string(c.serial.databits) + std::to_string(c.serial.parity) +
              std::to_string(c.serial.stopbits);
      break;
  }
  return text + "|" + wcs_to_string(a.font_name) + " " + std::to_string(a.font_size) + "|" +
         a.console_type + "|" + std::to_string(a.scrollback_size) + " " +
         std::to_string(a.cursor_type) + " " + std::to_string(a.cursor_interval) + "|" +
         wcs_to_string(a.color_scheme);
}

// Reads the first "Host" of a document holding `text` at its top level.
std::unique_ptr<session_record> host_from_text(std::u16string_view text) {
  xml_document doc;
  doc.set_document(text);
  return load_host(doc);
}

std::u16string host_text(const session_record& record) {
  xml_document doc;
  doc.set_document();
  save_host(record, doc);
  return doc.get_document();
}

session_record sample(int32_t protocol) {
  session_record r;
  r.name = u"web <one> & \"two\"";
  r.view = session_view_explorer;
  r.connection.protocol = protocol;
  r.connection.ssh2 = {};
  r.connection.ssh2.hostname = "h\xC3\xA9st.example";
  r.connection.ssh2.port = 2222;
  r.connection.ssh2.username = "root";
  r.connection.ssh2.password = "p\xFF\x01 w<&>";
  r.connection.telnet.hostname = "router\xFE";  // not valid UTF-8: must survive as bytes
  r.connection.telnet.port = 2323;
  r.connection.serial.com_port = 7;
  r.connection.serial.baudrate = 3000000000u;
  r.connection.serial.databits = 7;
  r.connection.serial.parity = 2;
  r.connection.serial.stopbits = 2;
  r.appearance.font_name = u"DejaVu Sans Mono";
  r.appearance.font_size = 13;
  r.appearance.console_type = "vt220";
  r.appearance.scrollback_size = 5000;
  r.appearance.cursor_type = 1;
  r.appearance.cursor_interval = 800;
  r.appearance.color_scheme = u"Monochrome-Dark";
  return r;
}

TEST(SessionRecord, DefaultsComeFromTheTerminalAppearance) {
  const session_record r;
  EXPECT_TRUE(has_shape(r.uuid, std::string(32, 'X'))) << r.uuid;
  EXPECT_NE(session_record().uuid, r.uuid);
  EXPECT_EQ(r.connection.protocol, protocol_ssh2);
  EXPECT_EQ(r.connection.ssh2.port, 22);
  EXPECT_EQ(r.connection.telnet.port, 23);
  EXPECT_EQ(r.connection.serial.baudrate, 9600u);
  EXPECT_EQ(r.connection.serial.com_port, 1);
  EXPECT_EQ(r.connection.serial.databits, 8);
  EXPECT_EQ(r.view, session_view_terminal);
  EXPECT_EQ(r.appearance.console_type, "xterm");
  EXPECT_EQ(r.appearance.color_scheme, u"Standard");
  EXPECT_EQ(r.appearance.font_name, u"Lucida Console");
  EXPECT_EQ(r.appearance.cursor_type, 2);
  EXPECT_EQ(r.appearance.cursor_interval, 500);
  EXPECT_EQ(r.appearance.ansi_color_mode, 1);
  EXPECT_EQ(r.appearance.palette, builtin_ansi_color_plans[0].colors);
}

TEST(SessionRecord, CopyKeepsUuidAndBlocksAnswerAsTheirSource) {
  const session_record source = sample(protocol_telnet);
  session_record copy;
  copy = source;
  EXPECT_EQ(stored_fields(copy), stored_fields(source));
  const param_interface* block = copy.connection.selected();
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->protocol_name(), u"Telnet");
}

TEST(ParamInterface, TitlesDescriptionsAndProtocolNames) {
  connection_params c;
  c.ssh2.hostname = "alpha";
  c.telnet.hostname = "beta";
  c.telnet.port = 2323;
  c.serial.com_port = 3;
  c.serial.baudrate = 115200;
  EXPECT_EQ(c.ssh2.title(), u"alpha (SSH2)");
  EXPECT_EQ(c.ssh2.description(), u"Protocol: SSH2\r\nHost: alpha\r\nPort: 22");
  EXPECT_EQ(c.telnet.title(), u"beta (Telnet)");
  EXPECT_EQ(c.telnet.description(), u"Protocol: Telnet\r\nHost: beta\r\nPort: 2323");
  EXPECT_EQ(c.serial.title(), u"Serial COM3");
  EXPECT_EQ(c.serial.description(), u"COM: 3\r\nBaudrate: 115200");
  EXPECT_EQ(c.serial.protocol_name(), u"Serial");
}

TEST(ConnectionParams, ProtocolIndexIsExact) {
  EXPECT_EQ(connection_params::protocol_index(u"SSH2"), 0);
  EXPECT_EQ(connection_params::protocol_index(u"Telnet"), 1);
  EXPECT_EQ(connection_params::protocol_index(u"Serial"), 2);
  EXPECT_EQ(connection_params::protocol_index(u"ssh2"), 4);
  EXPECT_EQ(connection_params::protocol_index(u""), 4);
  connection_params unknown;
  unknown.protocol = protocol_unknown;
  EXPECT_EQ(unknown.selected(), nullptr);
}

TEST(HostElement, SshHostIsWrittenAsTheExampleShows) {
  session_record r;
  r.uuid = "00112233445566778899AABBCCDDEEFF";
  r.name = u"web";
  r.connection.ssh2.hostname = "example.org";
  r.connection.ssh2.username = "me";
  r.connection.ssh2.password = "a";
  EXPECT_EQ(host_text(r),
            u"<Host Uuid=\"00112233445566778899AABBCCDDEEFF\" Name=\"web\" View=\"terminal\" "
            u"Protocol=\"SSH2\">\r\n<Hostname>example.org</Hostname>\r\n<Port>22</Port>\r\n"
            u"<Username>me</Username>\r\n<Password>ng==</Password>\r\n"
            u"<FontName>Lucida Console</FontName>\r\n<FontSize>10</FontSize>\r\n"
            u"<ConsoleType>xterm</ConsoleType>\r\n<ScrollbackSize>1000</ScrollbackSize>\r\n"
            u"<CursorType>2</CursorType>\r\n<CursorInterval>500</CursorInterval>\r\n"
            u"<ColorScheme>Standard</ColorScheme>\r\n</Host>\r\n");
}

TEST(HostElement, EveryProtocolRoundTripsItsStoredFields) {
  for (int32_t protocol : {protocol_ssh2, protocol_telnet, protocol_serial, protocol_unknown}) {
    const session_record written = sample(protocol);
    const auto read = host_from_text(host_text(written));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(stored_fields(*read), stored_fields(written)) << "protocol " << protocol;
    EXPECT_EQ(read->appearance.ansi_color_mode, 0);
    EXPECT_EQ(read->appearance.palette[9], builtin_color_schemes[1].foreground);
  }
}

TEST(HostElement, OnlyTheSelectedProtocolIsStored) {
  const std::u16string telnet = host_text(sample(protocol_telnet));
  EXPECT_EQ(telnet.find(u"Username"), std::u16string::npos);
  EXPECT_EQ(telnet.find(u"Baudrate"), std::u16string::npos);
  EXPECT_NE(telnet.find(u"Protocol=\"Telnet\""), std::u16string::npos);
  const std::u16string unknown = host_text(sample(protocol_unknown));
  EXPECT_EQ(unknown.find(u"Hostname"), std::u16string::npos);
  EXPECT_NE(unknown.find(u"<FontName>"), std::u16string::npos);
}

TEST(HostElement, ChildrenInAnyOrderAndMissingValuesKeepDefaults) {
  const auto reordered = host_from_text(
      u"<Host Uuid=\"U1\" Name=\"n\" View=\"undef\" Protocol=\"SSH2\"><ColorScheme>CMD</ColorScheme>"
      u"<Password>ng==</Password><Port>2200</Port><Port>9</Port><Hostname>h</Hostname></Host>");
  ASSERT_NE(reordered, nullptr);
  EXPECT_EQ(reordered->view, session_view_terminal);
  EXPECT_EQ(reordered->connection.ssh2.port, 2200);
  EXPECT_EQ(reordered->connection.ssh2.password, "a");
  EXPECT_EQ(reordered->connection.ssh2.hostname, "h");
  EXPECT_EQ(reordered->appearance.color_scheme, u"CMD");
  EXPECT_EQ(reordered->appearance.font_size, 10);

  const auto telnet = host_from_text(
      u"<Host Uuid=\"U2\" Name=\"t\" Protocol=\"Telnet\"><Username>x</Username></Host>");
  ASSERT_NE(telnet, nullptr);
  EXPECT_EQ(telnet->connection.protocol, protocol_telnet);
  EXPECT_EQ(telnet->connection.ssh2.username, "");
  EXPECT_EQ(telnet->connection.telnet.port, 23);

  const auto serial = host_from_text(
      u"<Host Name=\"s\" Protocol=\"Serial\"><Baudrate>115200</Baudrate><Port>70000</Port></Host>");
  ASSERT_NE(serial, nullptr);
  EXPECT_EQ(serial->connection.serial.baudrate, 115200u);
  EXPECT_EQ(serial->connection.serial.com_port, 1);
  EXPECT_EQ(serial->connection.serial.parity, 0);
  EXPECT_EQ(serial->connection.serial.databits, 8);
  EXPECT_EQ(serial->connection.serial.stopbits, 0);
  EXPECT_EQ(serial->uuid, "");
}

TEST(HostElement, UnknownProtocolMissingNameAndNarrowFieldWidths) {
  const auto r = host_from_text(
      u"<Host Uuid=\"U3\" Protocol=\"ssh2\"><Hostname>h</Hostname><FontSize>x</FontSize></Host>");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->name, u"lost");
  EXPECT_EQ(r->connection.protocol, protocol_unknown);
  EXPECT_EQ(r->connection.ssh2.hostname, "");
  EXPECT_EQ(r->appearance.font_size, 0);
  EXPECT_TRUE(host_text(*r).find(u"Protocol=\"undef\"") != std::u16string::npos);

  const auto wide = host_from_text(u"<Host Protocol=\"Telnet\"><Port>65559</Port></Host>");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->connection.telnet.port, 23);  // 65559 keeps its low 16 bits
}

TEST(HostElement, RepeatedLoadsReadEveryHostOfTheLevelInOrder) {
  xml_document doc;
  doc.set_document(u"<List><Host Name=\"a\"/><Other/><Host Name=\"b\"/></List>");
  doc.find_element(u"List");
  doc.into_element();
  std::vector<std::u16string> names;
  while (auto r = load_host(doc)) names.push_back(r->name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"a", u"b"}));
}

TEST(PasswordScramble, KnownVectorsAndEveryByteValue) {
  struct scramble_case {
    std::string password;
    std::u16string scrambled;
  } cases[] = {
      {"", u""},
      {"a", u"ng=="},                      // ~0x61 = 0x9E
      {std::string("\xFF", 1), u"AA=="},   // complements to NUL
      {std::string("\xFF\xFF\xFF", 3), u"AAAA"},
      {std::string("a\0b", 3), u"nv+d"},
  };
  for (const scramble_case& c : cases) {
    EXPECT_EQ(scramble_password(c.password), c.scrambled);
    EXPECT_EQ(unscramble_password(c.scrambled), c.password);
  }
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(unscramble_password(scramble_password(every_byte)), every_byte);
  const std::u16string long_text = scramble_password(std::string(200, 'x'));
  EXPECT_EQ(long_text.find(u'\n'), std::u16string::npos);
  EXPECT_EQ(unscramble_password(long_text), std::string(200, 'x'));
}

TEST(PasswordScramble, TextThatIsNotBase64DoesNotFail) {
  for (const char16_t* text : {u"!!!!", u"ng=", u"n", u"\u00e9\u00e9==", u"ng==ng=="})
    unscramble_password(text);
}

TEST(SessionRecord, DefaultLogNameIsNameAndCompactLocalTime) {
  session_record r;
  r.name = u"a/b/web";
  const std::u16string name = r.default_log_name();
  const std::string narrow = wcs_to_string(name);
  EXPECT_TRUE(has_shape(narrow, "a_b_web_99999999_999999")) << narrow;
}

}  // namespace
