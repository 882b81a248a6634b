#pragma once
// The rows of the explorer's list as a Qt model: the listed entries, owned here, in the order
// they were sorted into once per listing, with their six texts made when a row is shown and the
// small icon of each file type looked up once per type.
#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>

#include <memory>
#include <vector>

#include "connections/file_entry.h"

class explorer_model : public QAbstractTableModel {
 public:
  explicit explorer_model(QObject* parent = nullptr);

  // The new rows, in their final order, replace all rows at once.
  void replace(std::vector<std::unique_ptr<file_entry>> rows);
  // The entry of a row, or null.
  const file_entry* entry(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // How many distinct icons were looked up so far.
  int cached_icons() const { return static_cast<int>(m_iconCache.size()); }

 private:
  // The icon of a folder, or of the entry's file type (its name's extension, or the whole name
  // when it has none).
  QIcon row_icon(const file_entry& entry) const;

  std::vector<std::unique_ptr<file_entry>> m_rows;
  mutable QHash<QString, QIcon> m_iconCache;
};
