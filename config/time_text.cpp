#include "config/time_text.h"

#include <cstdio>
#include <ctime>

std::string time_text(int64_t seconds) {
  const time_t t = static_cast<time_t>(seconds);
  static_assert(sizeof(time_t) >= 8, "time_t must be 64-bit so dates after 2038 stay right");
  // Follow the zone the system is set to now, as a log line written after a zone change should.
  tzset();
  tm local{};
  if (!localtime_r(&t, &local) || local.tm_year < -1900) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%4u-%02u-%02u %02u:%02u:%02u",
                static_cast<unsigned>(local.tm_year + 1900), static_cast<unsigned>(local.tm_mon + 1),
                static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_hour),
                static_cast<unsigned>(local.tm_min), static_cast<unsigned>(local.tm_sec));
  return text;
}

std::string now_text() { return time_text(static_cast<int64_t>(std::time(nullptr))); }
