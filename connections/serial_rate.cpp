// The kernel's termios2 interface, for rates that have no B constant. It lives apart from the
// files that include <termios.h>, whose definitions clash with the kernel's.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cstdint>

#include "connections/serial_rate.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

bool set_custom_rate(int fd, uint32_t rate) {
  termios2 settings{};
  if (ioctl(fd, TCGETS2, &settings) != 0) return false;
  settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  settings.c_ispeed = rate;
  settings.c_ospeed = rate;
  return ioctl(fd, TCSETS2, &settings) == 0;
}
