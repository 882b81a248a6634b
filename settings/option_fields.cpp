#include "settings/option_fields.h"

#include <algorithm>

#include "platform/parse_number.h"
#include "platform/qt_text.h"

std::optional<uint32_t> field_number(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  return platform::parse_u32(platform::to_u16string(text));
}

uint32_t typed_cursor_interval(const QString& text) {
  return std::clamp(field_number(text).value_or(0), cursor_interval_min, cursor_interval_max);
}

std::optional<uint16_t> field_port(const QString& text) {
  std::optional<uint32_t> port = field_number(text);
  if (!port || *port == 0 || *port > 65535) return std::nullopt;
  return static_cast<uint16_t>(*port);
}

QString cursor_interval_too_long() { return QString("Cursor interval must <= %1ms!").arg(cursor_interval_max); }

QString number_text(uint32_t number) { return QString::number(number); }
