#include "explorer/explorer_model.h"

#include "config/shell_icon.h"
#include "config/text_convert.h"
#include "explorer/explorer_list.h"
#include "platform/qt_text.h"

namespace {

QString widened(const std::string& bytes) { return platform::to_qstring(mbs_to_wstring(bytes)); }

}  // namespace

explorer_model::explorer_model(QObject* parent) : QAbstractTableModel(parent) {}

void explorer_model::replace(std::vector<std::unique_ptr<file_entry>> rows) {
  beginResetModel();
  m_rows = std::move(rows);
  endResetModel();
}

const file_entry* explorer_model::entry(int row) const {
  return row >= 0 && row < static_cast<int>(m_rows.size()) ? m_rows[static_cast<size_t>(row)].get() : nullptr;
}

int explorer_model::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int explorer_model::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : column_count; }

QVariant explorer_model::data(const QModelIndex& index, int role) const {
  const file_entry* row = entry(index.row());
  if (!row) return {};
  if (role == Qt::DisplayRole) return widened(cell_text(*row, index.column()));
  if (role == Qt::DecorationRole && index.column() == column_name) return row_icon(*row);
  return {};
}

QVariant explorer_model::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return QString::fromLatin1(column_title(section));
}

QIcon explorer_model::row_icon(const file_entry& entry) const {
  bool folder = is_folder(entry);
  QString name = widened(entry.name);
  QString type = QStringLiteral(":folder");
  if (!folder) {
    qsizetype dot = name.lastIndexOf('.');
    type = dot > 0 ? name.mid(dot) : name;
  }
  auto found = m_iconCache.constFind(type);
  if (found != m_iconCache.constEnd()) return *found;
  QIcon icon = shell_icon(platform::to_u16string(name), folder, nullptr);
  m_iconCache.insert(type, icon);
  return icon;
}
