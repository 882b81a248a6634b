#pragma once
// The time text of logs and listings: "YYYY-MM-DD hh:mm:ss" in the local time zone.
#include <cstdint>
#include <string>

// `seconds` counts from 1970-01-01 00:00:00 UTC, 64-bit (no 2038 wrap). Empty only when the
// time cannot be expressed as a calendar date. Any thread may call it.
std::string time_text(int64_t seconds);

// time_text of the current time.
std::string now_text();
