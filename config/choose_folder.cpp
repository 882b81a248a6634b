#include "config/choose_folder.h"

#include "platform/qt_text.h"
#include "platform/ui.h"

bool choose_folder(std::u16string& folder, std::u16string_view title, const std::u16string* initial) {
  const auto chosen = platform::ui::instance().pick_folder(
      nullptr, platform::to_qstring(title), initial ? platform::to_qstring(*initial) : QString());
  if (!chosen || chosen->isEmpty()) return false;
  folder = platform::to_u16string(*chosen);
  return true;
}
