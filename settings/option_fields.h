#pragma once
// Reading the number fields of the options pages, and their bounds. Every number is read the
// one way the settings file reads its numbers (platform::parse_u32), so a page and the file
// agree on what a text means.
#include <QString>

#include <cstdint>
#include <optional>

// The bounds the pages check, the same the settings loaders keep to.
constexpr uint32_t margin_max = 100;           // pixels
constexpr uint32_t line_spacing_max = 50;      // pixels
constexpr uint32_t max_column_min = 20;
constexpr uint32_t cursor_interval_min = 100;  // ms
constexpr uint32_t cursor_interval_max = INT32_MAX;  // ms: the most a timer and a session record hold
constexpr uint32_t scrollback_min = 500;       // lines

// A field's number: nothing for an empty field, else the text read as an unsigned decimal
// (text without leading digits reads as 0).
std::optional<uint32_t> field_number(const QString& text);

// The interval a cursor field gives a sample (and a session record) while the user types: its
// number, raised to the least and kept to the most.
uint32_t typed_cursor_interval(const QString& text);

// A TCP port typed into a field: 1 to 65535, else nothing (empty, 0 or too large).
std::optional<uint16_t> field_port(const QString& text);

// The message that refuses a cursor interval above cursor_interval_max.
QString cursor_interval_too_long();

// "%u" of a number, for filling a field.
QString number_text(uint32_t number);
