#pragma once
// Reading the baud rate and the COM port back from the texts of their editable combo boxes.
// Both accept digits only: a sign or blank where the number should start gives 0, which the
// dialogs treat as missing input.
#include <string>
#include <string_view>

// The leading decimal digits of the text (anything after them is ignored); 0 when the text
// does not start with a digit or the number does not fit a signed 32-bit value.
int parse_baudrate(std::u16string_view text);

// The number right after an upper-case "COM" at the start of the text (anything after its
// digits is ignored); 0 when there is none or it is above 65535.
unsigned parse_com_port(std::u16string_view text);

// "%u" and "COM%u" of a value.
std::u16string baudrate_text(unsigned rate);
std::u16string com_port_text(unsigned port);
