// Apart from the test files, because <asm/termbits.h> clashes with <termios.h>.
#include "tests/connections/line_rate_probe.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

uint32_t output_rate(int fd) {
  termios2 settings{};
  if (ioctl(fd, TCGETS2, &settings) != 0) return 0;
  return settings.c_ospeed;
}
