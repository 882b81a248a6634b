#pragma once
// Digit grouping for sizes: 1234567 -> "1,234,567". 0 gives an empty text.
#include <cstdint>
#include <string>

std::string thousands_text(uint64_t value);
