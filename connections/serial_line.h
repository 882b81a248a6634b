#pragma once
// Serial ports on this system: which device a COM number names, and the line settings.
#include <termios.h>

#include <cstdint>
#include <string>

class serial_param;

// COM n is $TESSARY_SERIAL_DIR/com<n> when that variable is set; else COM 1-99 is
// /dev/ttyS<n-1>, 100-199 /dev/ttyUSB<n-100>, 200-299 /dev/ttyACM<n-200>. Empty for any other
// number.
std::string serial_device_path(unsigned com_port);

// Turns `settings` (as read from the port) into raw mode with the record's rate, data bits,
// parity and stop bits, the receiver on, modem lines ignored, no flow control, reads returning
// at once. False when a value is out of range. A rate without a B constant of its own is left
// for set_custom_rate. Stop bits 1 (one and a half) become two, as the line driver has no half
// bit; parity mark and space use the stick-parity flag.
bool make_line_settings(termios& settings, const serial_param& param);

// Reads the open port's settings, makes them as above and applies them, the custom rate
// included; false when a value is out of range (errno EINVAL) or the port refuses the settings
// (errno as the port set it).
bool apply_line_settings(int fd, const serial_param& param);
