#include "config/shell_icon.h"

#include <QFileIconProvider>
#include <QHash>
#include <QMimeDatabase>
#include <QMimeType>

#include "platform/qt_text.h"

namespace {

// The number handed out for each distinct icon, in the order first asked for: the stand-in for
// the desktop's image-list index.
int index_of(const QString& key) {
  static QHash<QString, int> indexes;
  const auto found = indexes.constFind(key);
  if (found != indexes.constEnd()) return *found;
  const int index = static_cast<int>(indexes.size());
  indexes.insert(key, index);
  return index;
}

// The theme icon named `name`, or the style's own icon of `kind` when the theme has none.
// `key` receives the name of the icon given.
QIcon themed_or_standard(const QString& name, QFileIconProvider::IconType kind, QString& key) {
  QIcon icon = name.isEmpty() ? QIcon() : QIcon::fromTheme(name);
  if (!icon.isNull()) {
    key = name;
    return icon;
  }
  key = kind == QFileIconProvider::Folder ? QStringLiteral(":folder") : QStringLiteral(":file");
  return QFileIconProvider().icon(kind);
}

}  // namespace

QIcon shell_icon(std::u16string_view name, bool folder, int* index) {
  QString key;
  QIcon icon;
  if (folder) {
    // A folder's icon does not depend on its name, ".." included.
    icon = themed_or_standard(QStringLiteral("folder"), QFileIconProvider::Folder, key);
  } else {
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(platform::to_qstring(name), QMimeDatabase::MatchExtension);
    icon = QIcon::fromTheme(type.iconName());
    key = type.iconName();
    if (icon.isNull()) icon = themed_or_standard(type.genericIconName(), QFileIconProvider::File, key);
  }
  if (icon.isNull()) return {};
  if (index) *index = index_of(key);
  return icon;
}
