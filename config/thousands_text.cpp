#include "config/thousands_text.h"

#include <cstdio>

std::string thousands_text(uint64_t value) {
  std::string text;
  while (value != 0) {
    const uint64_t quotient = value / 1000;
    const auto group = static_cast<unsigned>(value % 1000);
    char printed[8];
    std::snprintf(printed, sizeof printed, quotient != 0 ? "%03u" : "%u", group);
    if (!text.empty()) text.insert(0, ",");
    text.insert(0, printed);
    value = quotient;
  }
  return text;
}
