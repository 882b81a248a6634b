// The application's rules apart from its windows: quick connect, the serial texts, the COM port
// list from a tty class folder, the trace window's limit, the look colours and the lock panes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/CLogCtrl.h"
#include "app/CTessaryApp.h"
#include "settings/controls/com_port_scan.h"
#include "app/lock_panes.h"
#include "app/quick_connect_rules.h"
#include "settings/controls/serial_text.h"
#include "tests/app/scripted_indicators.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

bool shown(int id, int protocol) {
  for (const auto& control : quick_connect_controls)
    if (control.id == id) return (control.mask & protocol_mask(protocol)) != 0;
  return true;  // not in the table: always shown
}

TEST(QuickConnectRules, EachProtocolShowsItsOwnControls) {
  struct row {
    int id;
    bool ssh2, telnet, serial;
  };
  const row rows[] = {
      {311, true, true, false},  {312, true, true, false},  {313, true, false, false},
      {314, true, false, false}, {320, false, false, true}, {321, false, false, true},
      {324, false, false, true}, {310, true, true, true},   {325, true, true, true},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(shown(r.id, protocol_ssh2), r.ssh2) << r.id;
    EXPECT_EQ(shown(r.id, protocol_telnet), r.telnet) << r.id;
    EXPECT_EQ(shown(r.id, protocol_serial), r.serial) << r.id;
  }
}

TEST(QuickConnectRules, PortTextFollowsTheProtocolUntilEdited) {
  session_record record;
  EXPECT_EQ(port_text_for(record, protocol_ssh2, false), u"22");
  EXPECT_EQ(port_text_for(record, protocol_telnet, false), u"23");
  EXPECT_EQ(port_text_for(record, protocol_serial, false), std::nullopt);
  EXPECT_EQ(port_text_for(record, protocol_telnet, true), std::nullopt);
}

TEST(QuickConnectRules, ConnectIsEnabledOnlyForCompleteInput) {
  struct row {
    int protocol;
    std::u16string host, port;
    unsigned com;
    int baud;
    bool enabled;
  };
  const row rows[] = {
      {protocol_ssh2, u"", u"22", 0, 0, false},
      {protocol_ssh2, u"host", u"22", 0, 0, true},
      {protocol_ssh2, u"   ", u"22", 0, 0, false},
      {protocol_ssh2, u"host  ", u"", 0, 0, false},
      {protocol_ssh2, u"host", u"0", 0, 0, true},       // 0 is still accepted
      {protocol_ssh2, u"host", u"65535", 0, 0, true},
      {protocol_ssh2, u"host", u"65536", 0, 0, false},  // refused like an empty port
      {protocol_telnet, u"host", u"99999999999", 0, 0, false},
      {protocol_telnet, u"host", u"23 ", 0, 0, true},
      {protocol_serial, u"", u"", 1, 9600, true},
      {protocol_serial, u"", u"", 0, 9600, false},
      {protocol_serial, u"", u"", 3, 0, false},
      {-1, u"host", u"22", 1, 9600, false},
  };
  for (const auto& r : rows) {
    quick_connect_input input;
    input.protocol = r.protocol;
    input.host = r.host;
    input.port = r.port;
    input.com_port = r.com;
    input.baudrate = r.baud;
    EXPECT_EQ(connect_enabled(input), r.enabled)
        << r.protocol << " host '" << std::string(r.host.begin(), r.host.end()) << "' port '"
        << std::string(r.port.begin(), r.port.end()) << "'";
  }
}

TEST(QuickConnectRules, TheRecordOfEachProtocol) {
  session_record base;
  std::string uuid = base.uuid;

  quick_connect_input ssh2;
  ssh2.host = u"example.org  ";
  ssh2.port = u"2222";
  ssh2.user = u"alice ";
  ssh2.open_as_explorer = true;
  session_record a = build_session(base, ssh2);
  EXPECT_EQ(a.uuid, uuid);
  EXPECT_EQ(a.connection.protocol, protocol_ssh2);
  EXPECT_EQ(a.connection.ssh2.hostname, "example.org");
  EXPECT_EQ(a.connection.ssh2.port, 2222);
  EXPECT_EQ(a.connection.ssh2.username, "alice");
  EXPECT_EQ(a.connection.ssh2.password, "");
  EXPECT_EQ(a.view, session_view_explorer);
  EXPECT_EQ(a.name, a.connection.ssh2.title());
  EXPECT_EQ(a.connection.telnet.port, 23);

  quick_connect_input telnet = ssh2;
  telnet.protocol = protocol_telnet;
  telnet.port = u"0";
  session_record b = build_session(base, telnet);
  EXPECT_EQ(b.connection.protocol, protocol_telnet);
  EXPECT_EQ(b.connection.telnet.hostname, "example.org");
  EXPECT_EQ(b.connection.telnet.port, 0);
  EXPECT_EQ(b.view, session_view_terminal);  // the explorer exists only for SSH2
  EXPECT_EQ(b.connection.ssh2.hostname, "");
  EXPECT_EQ(b.name, b.connection.telnet.title());

  quick_connect_input serial;
  serial.protocol = protocol_serial;
  serial.com_port = 7;
  serial.baudrate = 115200;
  serial.databits = 7;
  serial.parity = 3;
  serial.stopbits = 1;
  session_record c = build_session(base, serial);
  EXPECT_EQ(c.connection.protocol, protocol_serial);
  EXPECT_EQ(c.connection.serial.com_port, 7);
  EXPECT_EQ(c.connection.serial.baudrate, 115200u);
  EXPECT_EQ(c.connection.serial.databits, 7);
  EXPECT_EQ(c.connection.serial.parity, 3);
  EXPECT_EQ(c.connection.serial.stopbits, 1);
  EXPECT_EQ(c.name, c.connection.serial.title());
}

TEST(SerialTexts, DigitsOnly) {
  struct row {
    std::u16string text;
    int baud;
    unsigned com;
  };
  const row rows[] = {
      {u"", 0, 0},
      {u"9600", 9600, 0},
      {u"115200baud", 115200, 0},
      {u"-9600", 0, 0},
      {u"+9600", 0, 0},
      {u" 9600", 0, 0},
      {u"99999999999", 0, 0},
      {u"COM3", 0, 3},
      {u"COM7 USB Serial", 0, 7},
      {u"com3", 0, 0},
      {u"COM-1", 0, 0},
      {u"COM 1", 0, 0},
      {u"COM65536", 0, 0},
      {u"COM", 0, 0},
  };
  for (const auto& r : rows) {
    std::string shown(r.text.begin(), r.text.end());
    EXPECT_EQ(parse_baudrate(r.text), r.baud) << shown;
    EXPECT_EQ(parse_com_port(r.text), r.com) << shown;
  }
  EXPECT_EQ(com_port_text(12), u"COM12");
  EXPECT_EQ(baudrate_text(9600), u"9600");
}

// A tty class folder as /sys/class/tty lays it out, with devices elsewhere.
class FakeSysfs : public ::testing::Test {
 protected:
  void port(const std::string& name, const std::string& device_folder, const std::string& type = {}) {
    fs::path device = fs::path(folder.path()) / "devices" / device_folder;
    fs::create_directories(device);
    fs::path tty = fs::path(folder.path()) / "class" / name;
    fs::create_directories(tty);
    fs::create_directory_symlink(device, tty / "device");
    if (!type.empty()) std::ofstream(tty / "type") << type << "\n";
  }
  void file(const std::string& relative, const std::string& text) {
    std::ofstream(fs::path(folder.path()) / "devices" / relative) << text << "\n";
  }
  std::string root() const { return folder.path() + "/class"; }

  test_support::temp_folder folder;
};

TEST_F(FakeSysfs, PresentPortsInComOrderWithTheirDescriptions) {
  port("ttyUSB0", "pci0/usb1/1-1/1-1:1.0/ttyUSB0");
  file("pci0/usb1/1-1/product", "FT232R USB UART");
  port("ttyS0", "platform/serial8250/tty/ttyS0", "4");
  fs::create_directories(fs::path(folder.path()) / "drivers/serial8250");
  fs::create_directory_symlink(fs::path(folder.path()) / "drivers/serial8250",
                               fs::path(folder.path()) / "devices/platform/serial8250/tty/ttyS0/driver");
  port("ttyS1", "platform/serial8250/tty/ttyS1", "0");  // a UART slot with no chip
  port("ttyACM2", "pci0/usb2/2-1/2-1:1.0/ttyACM2");
  fs::create_directories(fs::path(folder.path()) / "class/tty0");  // a console, no device
  fs::create_directories(fs::path(folder.path()) / "class/ttyS3");  // no device link

  auto ports = find_serial_ports(root());
  ASSERT_EQ(ports.size(), 3u);
  EXPECT_EQ(ports[0].device_path, u"/dev/ttyS0");
  EXPECT_EQ(ports[0].friendly_name, u"serial8250 (COM1)");
  EXPECT_FALSE(ports[0].is_usb);
  EXPECT_EQ(ports[1].friendly_name, u"FT232R USB UART (COM100)");
  EXPECT_TRUE(ports[1].is_usb);
  EXPECT_EQ(ports[2].device_path, u"/dev/ttyACM2");
  EXPECT_EQ(ports[2].friendly_name, u"Serial Port (COM202)");
}

TEST(ComPortItems, NumberAfterComAndTheDescription) {
  std::vector<com_port_info> ports(3);
  ports[0].friendly_name = u"USB Serial Port (COM7)";
  ports[0].description = u"USB Serial Port";
  ports[1].friendly_name = u"Bluetooth link";  // no "(COM": not listed
  ports[1].description = u"Bluetooth";
  ports[2].friendly_name = u"Modem (COM12";
  ports[2].description = u"Modem";
  auto items = com_port_items(ports);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0], u"COM7 USB Serial Port");
  EXPECT_EQ(parse_com_port(items[0]), 7u);
  EXPECT_EQ(items[1], u"COM12 Modem");
}

TEST(SerialLinks, TheLinksOfTheSerialFolder) {
  test_support::temp_folder folder;
  for (const char* name : {"com2", "com10", "peer1", "comx"}) std::ofstream(folder.file(name)) << "";
  auto ports = find_serial_links(folder.path());
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[0].friendly_name, u"Serial link (COM2)");
  EXPECT_EQ(ports[1].friendly_name, u"Serial link (COM10)");
}

TEST(TraceWindow, KeepsTheLastCharacters) {
  QString shown(9000, 'a');
  QString pending(3000, 'b');
  QString kept = keep_last_characters(shown, pending, CLogCtrl::max_characters);
  EXPECT_EQ(kept.size(), 10240);
  EXPECT_EQ(kept.count('a'), 9000 - 1760);
  EXPECT_TRUE(kept.endsWith(pending));
  EXPECT_EQ(keep_last_characters("x\n", "line\r\n", 100), "x\nline\n");
}

TEST(ApplicationLook, BackgroundColours) {
  EXPECT_EQ(look_background_color(210), 0xFCEDEBu);
  EXPECT_EQ(look_background_color(216), 0x535353u);
  uint32_t window = look_background_color(219);
  for (int look : {211, 212, 213, 214}) EXPECT_EQ(look_background_color(look), window);
}

TEST(LockPanes, ShowTheKeysThatAreOn) {
  auto script = std::make_shared<indicator_script>();
  lock_panes panes(std::make_unique<scripted_indicators>(script));
  struct row {
    std::optional<platform::lock_state> state;  // empty: the source does not answer
    lock_pane_texts texts;
    bool changed;
  };
  const row rows[] = {
      {platform::lock_state{}, {}, false},
      {platform::lock_state{true, false, false}, {"CAP", "", ""}, true},
      {platform::lock_state{true, false, false}, {"CAP", "", ""}, false},
      {platform::lock_state{false, true, true}, {"", "NUM", "SCRL"}, true},
      {platform::lock_state{true, true, true}, {"CAP", "NUM", "SCRL"}, true},
      {std::nullopt, {}, true},
      {platform::lock_state{false, false, true}, {"", "", "SCRL"}, true},
  };
  for (const row& r : rows) {
    script->state = r.state;
    EXPECT_EQ(panes.refresh(), r.changed) << r.texts.caps_lock << r.texts.num_lock << r.texts.scroll_lock;
    EXPECT_EQ(panes.texts(), r.texts);
  }
  // Without a source (Wayland, offscreen) the panes stay empty.
  panes.set_source(nullptr);
  EXPECT_TRUE(panes.refresh());
  EXPECT_EQ(panes.texts(), lock_pane_texts{});
  EXPECT_FALSE(panes.refresh());
}

}  // namespace
