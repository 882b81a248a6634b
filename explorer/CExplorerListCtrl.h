#pragma once
// The explorer's list: a report view of the remote folder that also takes local files and
// folders dropped on it (they are uploaded into the folder shown) and the Delete key its menu
// advertises.
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

class CExplorerListCtrl : public QTreeView {
  Q_OBJECT

 public:
  explicit CExplorerListCtrl(QWidget* parent = nullptr);

  // The dropped local paths as bytes, a folder's with a trailing '/'.
  std::function<void(std::vector<std::string> paths)> files_dropped;
  // The Delete key (main or keypad) was pressed on the list.
  std::function<void()> delete_pressed;

  // The local paths of a drop's uri list, byte for byte (a name that is not valid UTF-8 keeps
  // its bytes); entries that are not local files, or whose path holds a NUL, are left out.
  static std::vector<std::string> dropped_paths(const QByteArray& uri_list);

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
};
