#pragma once
// The one top-level window: the session tabs in an MDI area, the menus, the toolbar, the status
// bar with the active terminal's size and type, and the "Output" pane. It carries the commands
// that belong to no session (quick connect, window layout, application look, the output tabs,
// close-all), routes the session commands to the active session's view, answers the SSH2 login
// questions, and is what the session windows know of their host.
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <map>
#include <memory>
#include <vector>

#include "app/CChildFrame.h"
#include "app/lock_panes.h"
#include "config/clipboard_access.h"
#include "terminal/session_frame.h"

class CButtonBar;
class CHostView;
class COutputWnd;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
class gui_login_prompter;
class gui_transfer_monitor;
class CProgressDlg;
class transfer_control;

class CMainFrame : public QMainWindow, public session_frame, public child_frame_host {
 public:
  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  // --- Used by open_session and the session windows
  // Puts a new session's view into a child frame of the MDI area and shows it.
  CChildFrame* AddSessionWindow(CBaseView* view, int template_key);
  // The open session frames made by one template, in the order they were opened.
  std::vector<CChildFrame*> SessionFrames(int template_key) const;
  // Every open session frame, in the order they were opened.
  std::vector<CChildFrame*> SessionFrames() const;

  // The status panes: "%u Rows, %u Cols" when the option "Display terminal size on status bar"
  // is on and both are 0 or more, else empty; the terminal type, empty for null.
  void SetStatusSize(int rows, int cols);
  void SetStatusTerminalType(const char* type);

  // Close-all without the question (SIGTERM, SIGINT): the sessions are remembered and closed
  // as after OK.
  void CloseWithoutAsking();

  // The transfer messages of the SFTP workers, posted through the transfer monitor: the begin
  // opens the transfer's progress dialog (unless the transfer already ended), the reports go to
  // it, the end closes it.
  void OnTransferBegin(const std::shared_ptr<transfer_control>& transfer);
  void OnTransferProgress(const std::shared_ptr<transfer_control>& transfer);
  void OnTransferEnd(const std::shared_ptr<transfer_control>& transfer);

  // Runs a command by its id, as its menu entry or toolbar button does.
  void OnCommand(int id);
  // Brings every command's enabling and check mark up to date.
  void UpdateCommandUI();
  QAction* Action(int id) const;

  // session_frame
  QIcon state_icon(connection_state state) const override;
  clipboard_access* clipboard() override { return &m_clipboard; }
  void terminal_resized(int rows, int cols) override;
  void show_status(const QString& text) override;
  CBaseView* active_view() override;
  bool open_session(const session_record& record) override;
  bool edit_session_options(session_record& record, int lock_mask) override;
  void update_host(const session_record& record) override;
  bool app_closing() const override;
  int screen_dpi_y() const override;

  // child_frame_host
  void child_activation_changed(CChildFrame* frame, bool active) override;
  void show_session_menu(const QPoint& global_position) override;

  clipboard_access m_clipboard;
  CButtonBar* m_wndButtonBar;
  CHostView* m_wndHostView;
  COutputWnd* m_wndOutput;
  QIcon m_hIconConnected;
  QIcon m_hIconConnecting;
  QIcon m_hIconDisconnected;
  int m_nStatusRows = 0;
  int m_nStatusCols = 0;
  CChildFrame* m_pActiveChild = nullptr;
  // The Caps Lock, Num Lock and Scroll Lock panes, read again on every key event and focus change.
  lock_panes m_lockPanes;
  // The transfer progress dialog, reused for every transfer (a second transfer at the same
  // time gets a dialog of its own).
  CProgressDlg* m_dlgProgress;
  QMdiArea* m_wndMdiArea;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QAction* AddCommand(QMenu* menu, int id, const QString& text, const QString& icon = {});
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void UpdateLockPanes();
  void OnFileNew();
  void OnTinyServerSetting();
  // "Global Options...": on OK the open terminals take the new settings.
  void OnGlobalOptions();
  void SetWindowLayout(int layout);
  void ApplyTabSettings();
  void ArrangeTiles(bool side_by_side);
  void SetApplicationLook(int look);
  void ToggleOutput(int tab);
  // F6 and Shift+F6: the Host View, the active session, the Button Bar and the Output pane, in
  // this cycle.
  void FocusNextPane(bool forward);
  // "Save username" or "Save password" at a login prompt: the saved host with the session's
  // uuid and the open sessions of that host keep the answer. Without such a host nothing keeps
  // it (the answer serves the one login).
  void SaveCredentials(const std::string& uuid, const std::string* username, const std::string* password);
  void OnActiveChildTimer();
  void OnStatusSizeTimer();
  void ShowWindowManager();
  // Close-all: remembers the open sessions as the last sessions, arms the save, sets
  // app_closing and closes every session, stopping their connections together.
  void RememberAndCloseSessions(std::vector<session_record> sessions);
  std::vector<session_record> SessionsToRemember() const;
  void SaveLayout();
  void RestoreLayout();

  std::map<int, QAction*> m_actions;
  QMenu* m_menuEdit = nullptr;
  QMenu* m_menuSession = nullptr;
  QMenu* m_menuSessionTab = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  QLabel* m_paneSize = nullptr;
  QLabel* m_paneTerminalType = nullptr;
  QLabel* m_paneCapsLock = nullptr;
  QLabel* m_paneNumLock = nullptr;
  QLabel* m_paneScrollLock = nullptr;
  QTimer m_timerStatusSize;
  QTimer m_timerActiveChild;
  QTimer m_timerCommandUI;
  // The dialog showing a transfer, or null.
  CProgressDlg* ProgressDialogOf(const transfer_control* transfer) const;

  // The session frame last activated, kept while it lives (null once it is gone).
  QPointer<CChildFrame> m_pFrontChild;

  std::shared_ptr<gui_login_prompter> m_prompter;
  std::shared_ptr<gui_transfer_monitor> m_transferMonitor;
  bool m_closing = false;
};
