#pragma once
// Rates without a B constant, through the kernel's termios2 (BOTHER). Kept apart from
// <termios.h>, whose definitions clash with the kernel's.
#include <cstdint>

// Sets the port's input and output rate to `rate` bits per second; false when refused.
bool set_custom_rate(int fd, uint32_t rate);
