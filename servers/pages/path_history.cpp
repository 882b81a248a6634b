#include "servers/pages/path_history.h"

#include "config/choose_folder.h"
#include "config/paths.h"
#include "config/text_convert.h"
#include "platform/qt_text.h"
#include "settings/controls/CMyComboBox.h"
#include "settings/controls/CMyPage.h"

namespace {

int find_exact(const CMyComboBox& combo, const QString& text) {
  return combo.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

QString widened(const std::string& path) { return platform::to_qstring(mbs_to_wstring(path)); }

}  // namespace

void load_history(CMyComboBox& combo, const std::vector<std::string>& paths, int32_t index) {
  for (const std::string& path : paths) combo.AddString(widened(path));
  // The index names an entry of the stored order, which the sorted list need not keep.
  const bool shown = index >= 0 && static_cast<size_t>(index) < paths.size();
  combo.setCurrentIndex(shown ? find_exact(combo, widened(paths[index])) : -1);
  if (!shown) combo.clearEditText();
}

void store_history(CMyComboBox& combo, std::vector<std::string>& paths, int32_t& index) {
  const QString text = combo.currentText().trimmed();
  if (!text.isEmpty() && find_exact(combo, text) < 0) combo.AddString(text);
  paths.clear();
  for (int i = 0; i < combo.count(); ++i) paths.push_back(wcs_to_string(platform::to_u16string(combo.itemText(i))));
  index = text.isEmpty() ? -1 : find_exact(combo, text);
  if (index >= 0) combo.setCurrentIndex(index);
}

void browse_history_folder(CMyPage& page, CMyComboBox& combo, const QString& title) {
  std::u16string initial = platform::to_u16string(combo.currentText());
  if (initial.empty()) initial = module_folder();
  std::u16string chosen;
  if (!choose_folder(chosen, platform::to_u16string(title), &initial)) return;
  combo.setEditText(platform::to_qstring(chosen));
  page.SetModified();
}
