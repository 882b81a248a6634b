#include "explorer/CExplorerListCtrl.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <sys/stat.h>

namespace {

const char* const uri_list_type = "text/uri-list";

}  // namespace

CExplorerListCtrl::CExplorerListCtrl(QWidget* parent) : QTreeView(parent) {
  // Drops arrive at the viewport.
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDropIndicatorShown(false);
}

std::vector<std::string> CExplorerListCtrl::dropped_paths(const QByteArray& uri_list) {
  std::vector<std::string> paths;
  for (QByteArray line : uri_list.split('\n')) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith('#') || !line.startsWith("file://")) continue;
    // "file://host/path" or "file:///path": the path starts at the first '/' after the host.
    qsizetype slash = line.indexOf('/', 7);
    if (slash < 0) continue;
    QByteArray bytes = QByteArray::fromPercentEncoding(line.mid(slash));
    // A "%00" would cut the path short at the file system, naming another file.
    if (bytes.contains('\0')) continue;
    std::string path(bytes.constData(), static_cast<size_t>(bytes.size()));
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && path.back() != '/') path += '/';
    paths.push_back(std::move(path));
  }
  return paths;
}

void CExplorerListCtrl::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasFormat(uri_list_type)) e->acceptProposedAction();
}

void CExplorerListCtrl::dragMoveEvent(QDragMoveEvent* e) {
  if (e->mimeData()->hasFormat(uri_list_type)) e->acceptProposedAction();
}

void CExplorerListCtrl::dropEvent(QDropEvent* e) {
  std::vector<std::string> paths = dropped_paths(e->mimeData()->data(uri_list_type));
  e->acceptProposedAction();
  if (!paths.empty() && files_dropped) files_dropped(std::move(paths));
}

void CExplorerListCtrl::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Delete && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && delete_pressed) {
    delete_pressed();
    e->accept();
    return;
  }
  QTreeView::keyPressEvent(e);
}
