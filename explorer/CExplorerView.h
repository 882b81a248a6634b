#pragma once
// The window of one explorer session: the path bar above a six-column list of one remote folder
// of the session's SSH2 connection (running in explorer mode). Every remote action is a request
// placed in the connection's one-slot mailbox; the worker runs it and posts a notice, and the
// view then takes the result out of the mailbox. At most one request is pending: while it is,
// the wait cursor shows and every further request is dropped. The view never touches the
// network itself.
//
// Connection state, tab icon, focus, release and the session commands come from CBaseView.
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "connections/file_request.h"
#include "terminal/CBaseView.h"

class CExplorerDoc;
class CExplorerListCtrl;
class CPathBarEx;
class QMenu;
class explorer_model;

class CExplorerView : public QWidget, public CBaseView {
  Q_OBJECT

 public:
  static constexpr int id_list = 100;

  explicit CExplorerView(std::shared_ptr<CExplorerDoc> document, QWidget* parent = nullptr);
  ~CExplorerView() override;

  command_state UpdateCommand(int id) const override;
  bool OnCommand(int id) override;

  // The connection is ready: host and home folder into the path bar, the home folder shown,
  // then listed.
  void OnSftpReady(const std::string& host, const std::string& home_folder) override;
  // A request ended: its result is taken out of the mailbox and acted on.
  void OnFileRequestDone() override;

  // Lists the current folder again; a disconnected session is started again instead (its
  // listing follows when it is ready). The queue or start result.
  int Refresh();
  // The selected rows but "..", in list order, as remote paths (folders with a trailing '/').
  std::vector<std::string> GetSelectedPaths() const;

  void OnRefresh();
  void OnDownload();
  void OnUpload();
  void OnNewFolder();
  void OnModify();
  void OnDelete();
  // Local paths dropped on the list (folders with a trailing '/') are uploaded here.
  void OnDropFiles(std::vector<std::string> paths);
  // A click on a column header: that column orders the rows (again: the other way round), and
  // the folder is listed again.
  void OnHeaderClicked(int column);
  // A double click: the first selected row's name is listed as a folder.
  void OnDoubleClick();
  // The pop-up menu of the list at a global position.
  void OnContextMenu(const QPoint& global_position);

  int m_nSortColumn = 0;
  bool m_bAscending = true;
  explorer_model* m_model;
  CExplorerListCtrl* m_wndList;
  CPathBarEx* m_wndPathBar;
  QMenu* m_menuPopup;

 private:
  // Asks the connection to list a folder; dropped silently while a request is pending.
  void ListFolder(const std::string& folder);
  // Places a request in the mailbox; dropped silently while another is pending.
  void Place(int32_t kind, file_request_argument argument);
  // The wait cursor while the mailbox is not idle.
  void UpdateCursor();
  // The selected rows, in list order.
  std::vector<int> SelectedRows() const;
  void ShowError(const std::u16string& text);
  void ShowSortMark();
};
