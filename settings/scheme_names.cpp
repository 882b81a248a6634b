#include "settings/scheme_names.h"

#include <QComboBox>

#include <algorithm>

#include "config/color_scheme_param.h"
#include "platform/qt_text.h"

bool list_scheme_names(QComboBox& combo, const color_scheme_param& schemes, std::u16string_view name) {
  int found = -1;
  for (const color_scheme& scheme : schemes.schemes) {
    if (found < 0 && scheme.name == name) found = combo.count();
    combo.addItem(platform::to_qstring(scheme.name));
  }
  combo.setCurrentIndex(schemes.schemes.empty() ? -1 : std::max(found, 0));
  return found >= 0;
}
