// The serial connection over socat pty pairs made for each test (COM 7 is <folder>/com7, its
// peer <folder>/peer7): bytes both ways, line settings, exclusivity, what a failed open says,
// a vanishing port.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "config/connection_params.h"
#include "connections/serial.h"
#include "connections/serial_line.h"
#include "platform/worker_thread.h"
#include "tests/connections/connection_test_support.h"
#include "tests/connections/line_rate_probe.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace connection_test;

constexpr uint16_t com_number = 7;

std::shared_ptr<serial> make_serial(uint32_t rate = 9600, uint16_t databits = 8, uint16_t parity = 0,
                                    uint16_t stopbits = 0) {
  serial_param param;
  param.com_port = com_number;
  param.baudrate = rate;
  param.databits = databits;
  param.parity = parity;
  param.stopbits = stopbits;
  return std::make_shared<serial>("uuid-serial", param);
}

class pty_pair : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TESSARY_SERIAL_DIR", folder.path().c_str(), 1);
    REQUIRE_PEER(pair.ready(), "socat pty pair");
    peer = ::open(folder.file("peer7").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(peer, 0);
  }
  void TearDown() override {
    if (peer >= 0) ::close(peer);
  }

  test_support::temp_folder folder;
  socat_pty_pair pair{folder.path(), com_number};
  int peer = -1;
  platform::worker_control run;
};

// Reads from the connection until `count` bytes came or a while passed.
std::string read_from(serial& port, size_t count) {
  std::string data;
  char buffer[8192];
  wait_until([&] {
    int n = port.read(buffer, sizeof buffer);
    if (n > 0) data.append(buffer, static_cast<size_t>(n));
    return data.size() >= count || n < 0;
  });
  return data;
}

TEST_F(pty_pair, every_byte_value_passes_both_ways) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  auto port = make_serial();
  ASSERT_TRUE(port->open(run));
  char buffer[16];
  EXPECT_EQ(port->read(buffer, sizeof buffer), 0);  // nothing waiting is not an end
  EXPECT_EQ(port->write(all.data(), static_cast<int>(all.size())), 256);
  EXPECT_EQ(read_exactly(peer, all.size()), all);
  ASSERT_EQ(::write(peer, all.data(), all.size()), 256);
  EXPECT_EQ(read_from(*port, all.size()), all);
  port->close();
}

struct line_row {
  uint32_t rate;
  uint16_t databits, parity, stopbits;
  tcflag_t size, parity_flags;
  bool two_stop_bits;
};
const line_row line_rows[] = {
    {9600, 8, 0, 0, CS8, 0, false},
    {19200, 7, 2, 2, CS7, PARENB, true},
    {115200, 7, 1, 0, CS7, PARENB | PARODD, false},
    {1200, 5, 3, 1, CS5, PARENB | PARODD | CMSPAR, true},
    {57600, 6, 4, 0, CS6, PARENB | CMSPAR, false},
    {250000, 8, 0, 0, CS8, 0, false},  // no B constant
};

serial_param line_param(const line_row& r) {
  serial_param param;
  param.baudrate = r.rate;
  param.databits = r.databits;
  param.parity = r.parity;
  param.stopbits = r.stopbits;
  return param;
}

TEST(serial_line_settings, are_raw_with_the_record_format) {
  for (const auto& r : line_rows) {
    termios settings{};
    settings.c_lflag = ICANON | ECHO | ISIG;
    settings.c_iflag = IXON | ICRNL;
    settings.c_oflag = OPOST;
    settings.c_cflag = CRTSCTS | PARENB | CSTOPB;
    ASSERT_TRUE(make_line_settings(settings, line_param(r))) << r.rate;
    EXPECT_EQ(settings.c_cflag & CSIZE, r.size) << r.rate;
    EXPECT_EQ(settings.c_cflag & (PARENB | PARODD | CMSPAR), r.parity_flags) << r.rate;
    EXPECT_EQ((settings.c_cflag & CSTOPB) != 0, r.two_stop_bits) << r.rate;
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(settings.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(settings.c_cc[VMIN], 0);
    EXPECT_EQ(settings.c_cc[VTIME], 0);
  }
  termios settings{};
  serial_param standard;
  ASSERT_TRUE(make_line_settings(settings, standard));
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
}

TEST(serial_line_settings, refuse_values_out_of_range) {
  struct row {
    uint32_t rate;
    uint16_t databits, parity, stopbits;
  };
  const row rows[] = {{9600, 9, 0, 0}, {9600, 4, 0, 0}, {9600, 8, 5, 0}, {9600, 8, 0, 3}, {0, 8, 0, 0}};
  for (const auto& r : rows) {
    serial_param param;
    param.baudrate = r.rate;
    param.databits = r.databits;
    param.parity = r.parity;
    param.stopbits = r.stopbits;
    termios settings{};
    EXPECT_FALSE(make_line_settings(settings, param)) << r.rate << " " << r.databits << r.parity << r.stopbits;
  }
}

TEST_F(pty_pair, line_settings_reach_the_port) {
  // Line settings belong to the terminal, so a descriptor opened before the exclusive open
  // sees them. A pty keeps everything but the character size and the parity enable, which its
  // driver forces to 8 bits without parity.
  int probe = ::open(folder.file("com7").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(probe, 0);
  for (const auto& r : line_rows) {
    auto port = make_serial(r.rate, r.databits, r.parity, r.stopbits);
    ASSERT_TRUE(port->open(run)) << r.rate;
    termios settings{};
    ASSERT_EQ(tcgetattr(probe, &settings), 0);
    EXPECT_EQ(output_rate(probe), r.rate);
    EXPECT_EQ(settings.c_cflag & (PARODD | CMSPAR), r.parity_flags & (PARODD | CMSPAR)) << r.rate;
    EXPECT_EQ((settings.c_cflag & CSTOPB) != 0, r.two_stop_bits) << r.rate;
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    port->close();
  }
  ::close(probe);
}

// What a failed open says on the standard error stream.
template <typename Open>
std::string said_while(Open open) {
  testing::internal::CaptureStderr();
  open();
  return testing::internal::GetCapturedStderr();
}

TEST_F(pty_pair, a_refused_setting_fails_the_open_and_lets_the_port_go) {
  EXPECT_EQ(said_while([&] { EXPECT_FALSE(make_serial(9600, 9)->open(run)); }), "COM 7: invalid argument\n");
  EXPECT_TRUE(make_serial()->open(run));
}

TEST_F(pty_pair, a_second_open_is_refused_until_the_first_closes) {
  auto first = make_serial();
  auto second = make_serial();
  ASSERT_TRUE(first->open(run));
  EXPECT_EQ(said_while([&] { EXPECT_FALSE(second->open(run)); }), "COM 7: device or resource busy\n");
  first->close();
  EXPECT_EQ(said_while([&] { EXPECT_TRUE(second->open(run)); }), "");
  second->close();
}

TEST_F(pty_pair, a_session_on_a_port_held_by_another_says_it_is_busy) {
  // The port is held as another tab holds it: opened exclusively by its own connection.
  auto holder = make_serial();
  ASSERT_TRUE(holder->open(run));
  auto port = make_serial();
  auto owner = std::make_shared<recording_owner>();
  core_terminal terminal;
  port->set_owner(owner);
  port->set_terminal(terminal.link);
  std::string said = said_while([&] {
    port->start();
    EXPECT_TRUE(owner->wait_for_state(state_disconnected));
  });
  EXPECT_EQ(said, "COM 7: device or resource busy\n");
  EXPECT_EQ(owner->states(), (std::vector<connection_state>{state_connecting, state_disconnected}));
  port->release();
  holder->close();
}

TEST_F(pty_pair, a_terminal_core_is_fed_until_the_port_goes_away) {
  auto port = make_serial();
  auto owner = std::make_shared<recording_owner>();
  core_terminal terminal;
  port->set_owner(owner);
  port->set_terminal(terminal.link);
  port->start();
  ASSERT_TRUE(owner->wait_for_state(state_connected));
  ASSERT_EQ(::write(peer, "hello\r\nlast", 11), 11);
  EXPECT_TRUE(terminal.wait_for_screen("hello\nlast")) << terminal.screen_text();
  terminal.type("typed");
  EXPECT_EQ(read_exactly(peer, 5), "typed");
  ::close(peer);
  peer = -1;
  pair.stop();
  EXPECT_TRUE(owner->wait_for_state(state_disconnected));
  port->release();
}

TEST(serial_connection, com_numbers_name_devices) {
  unsetenv("TESSARY_SERIAL_DIR");
  struct row {
    unsigned com;
    const char* path;
  };
  const row rows[] = {{1, "/dev/ttyS0"},   {3, "/dev/ttyS2"},    {99, "/dev/ttyS98"}, {100, "/dev/ttyUSB0"},
                      {199, "/dev/ttyUSB99"}, {200, "/dev/ttyACM0"}, {0, ""},          {300, ""}};
  for (const auto& r : rows) EXPECT_EQ(serial_device_path(r.com), r.path) << r.com;
  serial_param unnamed;
  unnamed.com_port = 300;
  platform::worker_control run;
  EXPECT_EQ(said_while([&] { EXPECT_FALSE(serial("uuid-serial", unnamed).open(run)); }), "COM 300: no such device\n");
  setenv("TESSARY_SERIAL_DIR", "/tmp/ports", 1);
  EXPECT_EQ(serial_device_path(12), "/tmp/ports/com12");
}

TEST(serial_connection, names_parameters_and_a_missing_port) {
  setenv("TESSARY_SERIAL_DIR", "/nonexistent", 1);
  auto port = make_serial(38400, 7, 2, 2);
  EXPECT_EQ(port->display_name(), u"COM7");
  connection_params out;
  EXPECT_EQ(port->get_params(out), 1);
  EXPECT_EQ(out.protocol, protocol_serial);
  EXPECT_EQ(out.serial.baudrate, 38400u);
  EXPECT_EQ(out.serial.com_port, com_number);
  EXPECT_EQ(out.serial.databits, 7);
  EXPECT_EQ(out.serial.parity, 2);
  EXPECT_EQ(out.serial.stopbits, 2);
  platform::worker_control run;
  EXPECT_EQ(said_while([&] { EXPECT_FALSE(port->open(run)); }), "COM 7: no such file or directory\n");
  char buffer[4];
  EXPECT_LT(port->read(buffer, sizeof buffer), 0);
  EXPECT_EQ(port->close(), 1);
}

}  // namespace
