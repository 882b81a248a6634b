#pragma once
// Serial ports on this system: which device a COM number names, and the line settings.
#include <cstdint>
#include <string>

class serial_param;

// COM n is $TESSARY_SERIAL_DIR/com<n> when that variable is set; else COM 1-99 is
// /dev/ttyS<n-1>, 100-199 /dev/ttyUSB<n-100>, 200-299 /dev/ttyACM<n-200>. Empty for any other
// number.
std::string serial_device_path(unsigned com_port);

// Puts the open port into raw mode with the record's rate, data bits, parity and stop bits, the
// receiver on, modem lines ignored, no flow control, reads returning at once. A rate without a
// constant of its own is set as a custom rate. False when a value is out of range or the port
// refuses the settings. Stop bits 1 (one and a half) become two, as the line driver has no
// half bit; parity mark and space use the stick-parity flag.
bool apply_line_settings(int fd, const serial_param& param);

// Sets a rate that has no B constant (BOTHER); false when the port refuses it.
bool set_custom_rate(int fd, uint32_t rate);
