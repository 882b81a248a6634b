#include "connections/serial_line.h"

#include <termios.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "config/connection_params.h"
#include "connections/serial_rate.h"

namespace {

constexpr std::array<std::pair<uint32_t, speed_t>, 30> standard_rates{{
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
}};

// The B constant of a rate, or B0 when it has none.
speed_t rate_constant(uint32_t rate) {
  for (const auto& [value, constant] : standard_rates)
    if (value == rate) return constant;
  return B0;
}

bool set_character_format(termios& settings, const serial_param& param) {
  static constexpr std::array<tcflag_t, 4> sizes{CS5, CS6, CS7, CS8};
  if (param.databits < 5 || param.databits > 8) return false;
  settings.c_cflag = (settings.c_cflag & ~CSIZE) | sizes[param.databits - 5];

  settings.c_cflag &= ~(PARENB | PARODD | CMSPAR);
  switch (param.parity) {
    case 0: break;
    case 1: settings.c_cflag |= PARENB | PARODD; break;
    case 2: settings.c_cflag |= PARENB; break;
    case 3: settings.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: settings.c_cflag |= PARENB | CMSPAR; break;
    default: return false;
  }

  if (param.stopbits > 2) return false;
  if (param.stopbits == 0)
    settings.c_cflag &= ~CSTOPB;
  else
    settings.c_cflag |= CSTOPB;
  return true;
}

}  // namespace

std::string serial_device_path(unsigned com_port) {
  if (const char* folder = std::getenv("TESSARY_SERIAL_DIR"))
    return std::string(folder) + "/com" + std::to_string(com_port);
  if (com_port >= 1 && com_port <= 99) return "/dev/ttyS" + std::to_string(com_port - 1);
  if (com_port >= 100 && com_port <= 199) return "/dev/ttyUSB" + std::to_string(com_port - 100);
  if (com_port >= 200 && com_port <= 299) return "/dev/ttyACM" + std::to_string(com_port - 200);
  return {};
}

bool make_line_settings(termios& settings, const serial_param& param) {
  if (param.baudrate == 0) return false;
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cflag &= ~CRTSCTS;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (!set_character_format(settings, param)) return false;
  speed_t constant = rate_constant(param.baudrate);
  return constant == B0 || (cfsetispeed(&settings, constant) == 0 && cfsetospeed(&settings, constant) == 0);
}

bool apply_line_settings(int fd, const serial_param& param) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return false;
  if (!make_line_settings(settings, param)) {
    errno = EINVAL;
    return false;
  }
  if (tcsetattr(fd, TCSANOW, &settings) != 0) return false;
  return rate_constant(param.baudrate) != B0 || set_custom_rate(fd, param.baudrate);
}
