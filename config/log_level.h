#pragma once
// The tiny servers' log levels and their words in Tessary.conf. A server writes a message
// whose level is at least its own; a server at LOG_DISABLED writes nothing.
#include <cstdint>
#include <string>
#include <string_view>

enum log_level : int32_t {
  LOG_DEBUG = 0,
  LOG_INFORMATION = 1,
  LOG_ERROR = 2,
  LOG_DISABLED = 3,
};

// "DEBUG", "INFORMATION", "ERROR"; "DISABLED" for any other value.
std::u16string log_level_word(int32_t level);
// The exact, case-sensitive word back; anything else is LOG_DISABLED.
log_level parse_log_level(std::u16string_view word);
