#pragma once
// UTF-16 text between the program's std::u16string and Qt's QString, unit for unit (lone
// surrogates and a leading U+FEFF included: QString::fromUtf16 would treat the latter as a
// byte-order mark).
#include <QString>

#include <string>
#include <string_view>

namespace platform {

inline QString to_qstring(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline std::u16string to_u16string(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

}  // namespace platform
