#include "config/log_level.h"

std::u16string log_level_word(int32_t level) {
  switch (level) {
    case LOG_DEBUG: return u"DEBUG";
    case LOG_INFORMATION: return u"INFORMATION";
    case LOG_ERROR: return u"ERROR";
    default: return u"DISABLED";
  }
}

log_level parse_log_level(std::u16string_view word) {
  if (word == u"DEBUG") return LOG_DEBUG;
  if (word == u"INFORMATION") return LOG_INFORMATION;
  if (word == u"ERROR") return LOG_ERROR;
  return LOG_DISABLED;
}
