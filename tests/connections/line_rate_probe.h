#pragma once
// Reads a port's output rate in bits per second through the kernel's termios2, which also
// shows rates that have no B constant.
#include <cstdint>

uint32_t output_rate(int fd);
