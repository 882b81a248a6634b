#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <thread>

#include "app/CHostView.h"
#include "app/CQuickConnectDlg.h"
#include "app/COutputWnd.h"
#include "app/CTessaryApp.h"
#include "app/command_ids.h"
#include "app/login_prompts.h"
#include "app/open_session.h"
#include "app/pane_focus.h"
#include "app/session_options.h"
#include "app/transfer_monitor.h"
#include "config/configuration.h"
#include "config/default_session_param.h"
#include "config/terminal_appearance_param.h"
#include "config/text_convert.h"
#include "explorer/CProgressDlg.h"
#include "platform/clock.h"
#include "platform/folders.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "scripting/CButtonBar.h"
#include "servers/pages/CServerPropertySheet.h"
#include "settings/COptionsDlg.h"
#include "settings/controls/control_look.h"
#include "terminal/CBaseDoc.h"
#include "terminal/CBaseView.h"
#include "terminal/CTerminalView.h"

// Qt resources of a static library are registered by name, outside any namespace.
static void load_tessary_resources() { Q_INIT_RESOURCE(tessary); }

namespace {

constexpr int status_size_delay_ms = 200;
constexpr int active_child_delay_ms = 50;
// How long a note on the status bar stays when no other session comes to the front first.
constexpr int status_note_ms = 10000;
constexpr int command_ui_interval_ms = 250;

// The commands this frame carries a handler for; every other id is either a session command
// (routed to the active view) or has no handler and shows disabled.
bool frame_handles(int id) {
  switch (id) {
    case ID_FILE_NEW:
    case ID_FILE_CLOSE:
    case ID_APP_EXIT:
    case ID_WINDOW_TABS:
    case ID_WINDOW_TILE_VERT:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_MANAGER:
    case ID_VIEW_CHAT_WINDOW:
    case ID_VIEW_TINY_SERVER:
    case ID_VIEW_STATUS_BAR:
    case ID_TINY_SERVER_SETTING:
    case ID_VIEW_HOSTVIEW:
    case ID_GLOBAL_OPTIONS:
    case ID_APP_ABOUT:
    case ID_FILE_PRINT_SETUP:
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
      return true;
    default:
      return id >= first_application_look && id <= last_application_look;
  }
}

int layout_of_command(int id) {
  switch (id) {
    case ID_WINDOW_TILE_VERT: return 1;
    case ID_WINDOW_TILE_HORZ: return 2;
    case ID_WINDOW_CASCADE: return 3;
    default: return 0;
  }
}

QString layout_file() { return QString::fromStdString(platform::configuration_folder() + "/layout.ini"); }

// The layout file, made private before QSettings writes it: QSettings keeps the mode of the file
// it replaces.
QString private_layout_file() {
  QString path = layout_file();
  platform::make_private_file(path.toStdString());
  return path;
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent), m_clipboard(this), m_lockPanes(platform::display_lock_indicators()) {
  load_tessary_resources();
  setObjectName("CMainFrame");
  setWindowIcon(QIcon(":/icons/tessary.xpm"));
  m_hIconConnected = QIcon(":/icons/state_connected.xpm");
  m_hIconConnecting = QIcon(":/icons/state_connecting.xpm");
  m_hIconDisconnected = QIcon(":/icons/state_disconnected.xpm");

  m_wndMdiArea = new QMdiArea(this);
  m_wndMdiArea->setObjectName("MDIClient");
  m_wndMdiArea->viewport()->installEventFilter(this);
  setCentralWidget(m_wndMdiArea);
  connect(m_wndMdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateCommandUI(); });

  m_wndButtonBar = new CButtonBar(this);
  addDockWidget(Qt::BottomDockWidgetArea, m_wndButtonBar);
  m_wndHostView = new CHostView(configuration::instance(), platform::real_clock(), this);
  // The pane's Options command runs Session Options on a saved host, every page editable.
  m_wndHostView->m_editSessionOptions = [this](session_record& record, int lock_mask) {
    return ::edit_session_options(this, record, lock_mask);
  };
  addDockWidget(Qt::LeftDockWidgetArea, m_wndHostView);
  m_wndOutput = new COutputWnd(this);
  addDockWidget(Qt::BottomDockWidgetArea, m_wndOutput, Qt::Vertical);

  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  ApplyTabSettings();

  m_timerStatusSize.setSingleShot(true);
  connect(&m_timerStatusSize, &QTimer::timeout, this, &CMainFrame::OnStatusSizeTimer);
  connect(&m_timerActiveChild, &QTimer::timeout, this, &CMainFrame::OnActiveChildTimer);
  // The toolbar shows the commands' state all the time, so it is refreshed while idle.
  connect(&m_timerCommandUI, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
  m_timerCommandUI.start(command_ui_interval_ms);

  RestoreLayout();
  setWindowTitle("Tessary");

  m_prompter = std::make_shared<gui_login_prompter>(
      this, [this](const std::string& uuid, const std::string* username, const std::string* password) {
        SaveCredentials(uuid, username, password);
      });
  set_login_prompter(m_prompter);
  m_dlgProgress = new CProgressDlg(this);
  m_transferMonitor = std::make_shared<gui_transfer_monitor>(this);
  set_transfer_monitor(m_transferMonitor);
  session_frame::install(this);
  UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
  m_prompter->detach();
  set_login_prompter(nullptr);
  m_transferMonitor->detach();
  set_transfer_monitor(nullptr);
  if (session_frame::instance() == this) session_frame::install(nullptr);
  // The sessions go while the frame they report to is still whole.
  for (CChildFrame* child : SessionFrames()) delete child;
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text, const QString& icon) {
  QAction* action = Action(id);
  if (!action) {
    action = new QAction(text, this);
    action->setData(id);
    if (!icon.isEmpty()) action->setIcon(QIcon(":/icons/" + icon + ".xpm"));
    action->setObjectName(QStringLiteral("command_%1").arg(id));
    connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions[id] = action;
  }
  if (menu) menu->addAction(action);
  return action;
}

QAction* CMainFrame::Action(int id) const {
  auto found = m_actions.find(id);
  return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::BuildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu("&File");
  AddCommand(file, ID_FILE_NEW, "&New\tCtrl+N", "new")->setShortcut(QKeySequence("Ctrl+N"));
  Action(ID_FILE_NEW)->setStatusTip("Create a new session");
  Action(ID_FILE_NEW)->setToolTip("New");
  AddCommand(file, ID_FILE_OPEN, "&Open...\tCtrl+O", "open");
  AddCommand(file, ID_FILE_CLOSE, "&Close");
  file->addSeparator();
  AddCommand(file, ID_FILE_PRINT, "&Print...\tCtrl+P", "print");
  AddCommand(file, ID_FILE_PRINT_PREVIEW, "Print Pre&view");
  AddCommand(file, ID_FILE_PRINT_SETUP, "P&rint Setup...");
  file->addSeparator();
  AddCommand(file, ID_FILE_MRU_FILE1, "Recent File");
  file->addSeparator();
  AddCommand(file, ID_APP_EXIT, "E&xit");

  m_menuEdit = bar->addMenu("&Edit");
  // A terminal sends Ctrl+C and Ctrl+V to the remote program: the entries name the keys that
  // copy and paste everywhere.
  AddCommand(m_menuEdit, ID_EDIT_COPY, "&Copy\tCtrl+Insert", "copy");
  AddCommand(m_menuEdit, ID_EDIT_PASTE, "&Paste\tShift+Insert", "paste");
  AddCommand(m_menuEdit, ID_EDIT_FIND, "&Find", "find");
  m_menuEdit->addSeparator();
  AddCommand(m_menuEdit, ID_EDIT_SELECT_ALL, "&Select All");
  AddCommand(m_menuEdit, ID_CLEAR_SCROLLBACK, "Clear Scrollback");
  Action(ID_EDIT_COPY)->setShortcuts({QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Insert")});
  Action(ID_EDIT_PASTE)->setShortcuts({QKeySequence("Ctrl+V"), QKeySequence("Shift+Insert")});

  QMenu* view = bar->addMenu("&View");
  QMenu* panes = view->addMenu("&Toolbars and Docking Windows");
  connect(panes, &QMenu::aboutToShow, this, [this, panes] {
    panes->clear();
    if (QMenu* listed = createPopupMenu()) {
      for (QAction* entry : listed->actions()) panes->addAction(entry);
      listed->setParent(panes, listed->windowFlags());
    }
  });
  QAction* status = AddCommand(view, ID_VIEW_STATUS_BAR, "&Status Bar");
  status->setCheckable(true);
  view->addSeparator();
  QMenu* looks = view->addMenu("&Application Look");
  AddCommand(looks, ID_VIEW_APPLOOK_WIN_2000, "Windows &2000");
  AddCommand(looks, ID_VIEW_APPLOOK_OFF_XP, "Office &XP");
  AddCommand(looks, ID_VIEW_APPLOOK_WIN_XP, "&Windows XP");
  AddCommand(looks, ID_VIEW_APPLOOK_OFF_2003, "Office 200&3");
  AddCommand(looks, ID_VIEW_APPLOOK_VS_2005, "Visual Studio 200&5");
  AddCommand(looks, ID_VIEW_APPLOOK_VS_2008, "Visual Studio 200&8");
  QMenu* office = looks->addMenu("Office 200&7");
  AddCommand(office, ID_VIEW_APPLOOK_OFF_2007_BLUE, "&Blue Style");
  AddCommand(office, ID_VIEW_APPLOOK_OFF_2007_BLACK, "B&lack Style");
  AddCommand(office, ID_VIEW_APPLOOK_OFF_2007_SILVER, "&Silver Style");
  AddCommand(office, ID_VIEW_APPLOOK_OFF_2007_AQUA, "&Aqua Style");
  // Looks 211-214 and 219 are offered by no menu; they come only from a stored setting.
  for (int look : {211, 212, 213, 214, 219}) AddCommand(nullptr, look, {});
  for (int look = first_application_look; look <= last_application_look; ++look)
    Action(look)->setCheckable(true);
  view->addSeparator();
  AddCommand(view, ID_VIEW_CHAT_WINDOW, "&Chat Window")->setCheckable(true);
  Action(ID_VIEW_CHAT_WINDOW)->setStatusTip("Show chat window");
  Action(ID_VIEW_CHAT_WINDOW)->setToolTip("Chat window");
  AddCommand(view, ID_VIEW_TINY_SERVER, "T&iny Server Tracer")->setCheckable(true);

  m_menuSession = bar->addMenu("&Session");
  AddCommand(m_menuSession, ID_SESSION_RECONNECT, "&Reconnect", "reconnect");
  AddCommand(m_menuSession, ID_SESSION_DISCONNECT, "&Disconnect", "disconnect");
  m_menuSession->addSeparator();
  AddCommand(m_menuSession, ID_SESSION_LOG, "&Log...")->setCheckable(true);
  m_menuSession->addSeparator();
  AddCommand(m_menuSession, ID_CLONE_TERMINAL, "Clone Terminal", "clone_terminal");
  AddCommand(m_menuSession, ID_CLONE_EXPLORER, "Clone Explorer", "clone_explorer");
  m_menuSession->addSeparator();
  AddCommand(m_menuSession, ID_EXPLORER_REFRESH, "Refresh");
  AddCommand(m_menuSession, ID_EXPLORER_DOWNLOAD, "Download...", "download");
  AddCommand(m_menuSession, ID_EXPLORER_UPLOAD, "Upload...", "upload");
  AddCommand(m_menuSession, ID_EXPLORER_MODIFY, "Modify");
  AddCommand(m_menuSession, ID_EXPLORER_DELETE, "Delete\tDel");
  m_menuSession->addSeparator();
  AddCommand(m_menuSession, ID_SESSION_OPTIONS, "&Session Options...");

  QMenu* tools = bar->addMenu("&Tools");
  AddCommand(tools, ID_GLOBAL_OPTIONS, "&Global Options...");
  Action(ID_GLOBAL_OPTIONS)->setStatusTip("global option");
  Action(ID_GLOBAL_OPTIONS)->setToolTip("global option");
  AddCommand(tools, ID_TINY_SERVER_SETTING, "&Tiny Server Setting");

  QMenu* window = bar->addMenu("&Window");
  for (int id : {ID_WINDOW_TABS, ID_WINDOW_TILE_VERT, ID_WINDOW_TILE_HORZ, ID_WINDOW_CASCADE}) {
    static const std::map<int, QString> texts = {{ID_WINDOW_TABS, "Tabs"},
                                                 {ID_WINDOW_TILE_VERT, "Tile Vertically"},
                                                 {ID_WINDOW_TILE_HORZ, "Tile Horizontally"},
                                                 {ID_WINDOW_CASCADE, "Cascade"}};
    AddCommand(window, id, texts.at(id))->setCheckable(true);
  }
  window->addSeparator();
  AddCommand(window, ID_WINDOW_MANAGER, "&Windows...");

  QMenu* help = bar->addMenu("&Help");
  AddCommand(help, ID_APP_ABOUT, "&About Tessary...", "about");
  AddCommand(nullptr, ID_VIEW_HOSTVIEW, "Host View", "hostview");
  // Keys of no menu entry: the frame carries their actions itself.
  addAction(AddCommand(nullptr, ID_NEXT_PANE, "Next Pane"));
  Action(ID_NEXT_PANE)->setShortcut(QKeySequence(Qt::Key_F6));
  addAction(AddCommand(nullptr, ID_PREV_PANE, "Previous Pane"));
  Action(ID_PREV_PANE)->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));

  m_menuSessionTab = new QMenu(this);
  m_menuSessionTab->setObjectName("ChildFramePopup");
  for (int id : {int(ID_SESSION_RECONNECT), int(ID_SESSION_DISCONNECT), int(ID_FILE_CLOSE),
                 int(ID_CLONE_TERMINAL), int(ID_CLONE_EXPLORER), int(ID_SESSION_OPTIONS)})
    m_menuSessionTab->addAction(Action(id));

  for (QMenu* menu : bar->findChildren<QMenu*>())
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::BuildToolBar() {
  m_wndToolBar = addToolBar("Toolbar");
  m_wndToolBar->setObjectName("Toolbar");
  static constexpr int buttons[] = {ID_VIEW_HOSTVIEW, ID_FILE_NEW,       ID_SESSION_RECONNECT, ID_SESSION_DISCONNECT,
                                    ID_FILE_OPEN,     0,                 ID_CLONE_TERMINAL,    ID_CLONE_EXPLORER,
                                    ID_EDIT_COPY,     ID_EDIT_PASTE,     ID_EDIT_FIND,         0,
                                    ID_EXPLORER_DOWNLOAD, ID_EXPLORER_UPLOAD, 0, ID_FILE_PRINT, ID_APP_ABOUT};
  for (int id : buttons) {
    if (id == 0) m_wndToolBar->addSeparator();
    else m_wndToolBar->addAction(Action(id));
  }
}

void CMainFrame::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  m_paneSize = new QLabel(this);
  m_paneSize->setObjectName(QStringLiteral("id_%1").arg(ID_INDICATOR_SIZE));
  m_paneSize->setMinimumWidth(m_paneSize->fontMetrics().horizontalAdvance("000 Rows, 000 Cols") + 8);
  m_paneTerminalType = new QLabel(this);
  m_paneTerminalType->setObjectName(QStringLiteral("id_%1").arg(ID_INDICATOR_TERMINAL_TYPE));
  m_paneTerminalType->setMinimumWidth(m_paneTerminalType->fontMetrics().horizontalAdvance("vt100") + 8);
  bar->addPermanentWidget(m_paneSize);
  bar->addPermanentWidget(m_paneTerminalType);
  auto add_lock_pane = [&](int id, const char* widest) {
    auto* pane = new QLabel(this);
    pane->setObjectName(QStringLiteral("id_%1").arg(id));
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(widest) + 8);
    bar->addPermanentWidget(pane);
    return pane;
  };
  m_paneCapsLock = add_lock_pane(ID_INDICATOR_CAPS, "CAP");
  m_paneNumLock = add_lock_pane(ID_INDICATOR_NUM, "NUM");
  m_paneScrollLock = add_lock_pane(ID_INDICATOR_SCRL, "SCRL");
  // Key events and focus changes anywhere in the application read the indicators again.
  qApp->installEventFilter(this);
  UpdateLockPanes();
}

void CMainFrame::UpdateLockPanes() {
  if (!m_lockPanes.refresh()) return;
  const lock_pane_texts& texts = m_lockPanes.texts();
  m_paneCapsLock->setText(QString::fromStdString(texts.caps_lock));
  m_paneNumLock->setText(QString::fromStdString(texts.num_lock));
  m_paneScrollLock->setText(QString::fromStdString(texts.scroll_lock));
}

void CMainFrame::ApplyTabSettings() {
  m_wndMdiArea->setViewMode(QMdiArea::TabbedView);
  m_wndMdiArea->setDocumentMode(true);
  m_wndMdiArea->setTabsClosable(true);
  m_wndMdiArea->setTabsMovable(true);
  // The tab bar is made anew each time the tabs are turned on.
  auto* tabs = m_wndMdiArea->findChild<QTabBar*>();
  if (tabs && tabs->contextMenuPolicy() != Qt::CustomContextMenu) {
    tabs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabs, &QTabBar::customContextMenuRequested, this, [this, tabs](const QPoint& at) {
      int index = tabs->tabAt(at);
      auto windows = m_wndMdiArea->subWindowList(QMdiArea::CreationOrder);
      if (index >= 0 && index < windows.size()) m_wndMdiArea->setActiveSubWindow(windows[index]);
      show_session_menu(tabs->mapToGlobal(at));
    });
  }
}

CChildFrame* CMainFrame::AddSessionWindow(CBaseView* view, int template_key) {
  auto* child = new CChildFrame(view, template_key, this);
  m_wndMdiArea->addSubWindow(child);
  show_tab_titles(m_wndMdiArea);
  if (the_app.m_nWindowLayout == 0) child->showMaximized();
  else child->show();
  return child;
}

std::vector<CChildFrame*> CMainFrame::SessionFrames() const {
  std::vector<CChildFrame*> frames;
  for (QMdiSubWindow* window : m_wndMdiArea->subWindowList(QMdiArea::CreationOrder))
    if (auto* child = dynamic_cast<CChildFrame*>(window)) frames.push_back(child);
  return frames;
}

std::vector<CChildFrame*> CMainFrame::SessionFrames(int template_key) const {
  std::vector<CChildFrame*> frames;
  for (CChildFrame* child : SessionFrames())
    if (child->TemplateKey() == template_key) frames.push_back(child);
  return frames;
}

void CMainFrame::SetStatusSize(int rows, int cols) {
  const terminal_appearance_param* appearance = configuration::instance().terminal_appearance;
  bool shown = appearance && appearance->indicate_size && rows >= 0 && cols >= 0;
  m_paneSize->setText(shown ? QStringLiteral("%1 Rows, %2 Cols").arg(rows).arg(cols) : QString());
  m_paneSize->repaint();
}

void CMainFrame::SetStatusTerminalType(const char* type) {
  m_paneTerminalType->setText(type ? platform::to_qstring(mbs_to_wstring(type)) : QString());
  m_paneTerminalType->repaint();
}

QIcon CMainFrame::state_icon(connection_state state) const {
  switch (state) {
    case state_connected: return m_hIconConnected;
    case state_connecting: return m_hIconConnecting;
    default: return m_hIconDisconnected;
  }
}

void CMainFrame::terminal_resized(int rows, int cols) {
  m_nStatusRows = rows;
  m_nStatusCols = cols;
  m_timerStatusSize.start(status_size_delay_ms);
}

void CMainFrame::show_status(const QString& text) { statusBar()->showMessage(text, status_note_ms); }

CBaseView* CMainFrame::active_view() { return m_pActiveChild ? m_pActiveChild->GetActiveView() : nullptr; }

bool CMainFrame::open_session(const session_record& record) { return ::open_session(record); }

bool CMainFrame::edit_session_options(session_record& record, int lock_mask) {
  return ::edit_session_options(this, record, lock_mask);
}

void CMainFrame::update_host(const session_record& record) {
  if (session_record* host = m_wndHostView->LastHostWithUuid(record.uuid)) {
    *host = record;
    m_wndHostView->m_bModified = true;
  }
}

bool CMainFrame::app_closing() const { return ::app_closing; }

int CMainFrame::screen_dpi_y() const { return ::screen_dpi_y > 0 ? ::screen_dpi_y : 96; }

void CMainFrame::child_activation_changed(CChildFrame* frame, bool active) {
  // A note on the status bar is about the session that was in front; it goes when another one
  // comes there (not when the same one is activated again after a dialog).
  if (active) {
    if (frame != m_pFrontChild) statusBar()->clearMessage();
    m_pFrontChild = frame;
    m_pActiveChild = frame;
  } else if (m_pActiveChild == frame) {
    m_pActiveChild = nullptr;
  }
  m_timerActiveChild.start(active_child_delay_ms);
  UpdateCommandUI();
}

void CMainFrame::SaveCredentials(const std::string& uuid, const std::string* username, const std::string* password) {
  if (!m_wndHostView->LastHostWithUuid(uuid)) return;
  m_wndHostView->UpdateCredentials(uuid, username, password);
  // The open sessions of that host keep it too: they are what close-all remembers and what
  // Clone copies, so those log in with it as a new Connect of the host does.
  for (CChildFrame* child : SessionFrames())
    if (CBaseDoc* document = child->GetDocument(); document && document->m_session.uuid == uuid)
      keep_credentials(document->m_session.connection.ssh2, username, password);
}

void CMainFrame::FocusNextPane(bool forward) {
  CBaseView* view = active_view();
  focus_next_pane({m_wndHostView->widget(), view ? view->widget() : nullptr, m_wndButtonBar->widget(),
                   m_wndOutput->widget()},
                  forward);
}

void CMainFrame::OnStatusSizeTimer() {
  // Any terminal may report, one behind the active tab too: the pane shows the active session's
  // size, and nothing for an explorer.
  if (auto* terminal = dynamic_cast<CTerminalView*>(active_view())) SetStatusSize(terminal->m_nRows, terminal->m_nCols);
  else SetStatusSize(-1, -1);
}

void CMainFrame::OnActiveChildTimer() {
  if (!m_pActiveChild) {
    SetStatusSize(-1, -1);
    SetStatusTerminalType(nullptr);
    m_timerActiveChild.stop();
    return;
  }
  CBaseView* view = m_pActiveChild->GetActiveView();
  if (!view) return;  // fires again until the frame has its view
  if (auto* terminal = dynamic_cast<CTerminalView*>(view)) {
    CBaseDoc* document = terminal->GetDocument();
    SetStatusTerminalType(document ? document->m_session.appearance.console_type.c_str() : nullptr);
    SetStatusSize(terminal->m_nRows, terminal->m_nCols);
  } else {
    SetStatusSize(-1, -1);
    SetStatusTerminalType(nullptr);
  }
  m_timerActiveChild.stop();
}

void CMainFrame::show_session_menu(const QPoint& global_position) {
  UpdateCommandUI();
  m_menuSessionTab->popup(global_position);
}

void CMainFrame::UpdateCommandUI() {
  CBaseView* view = active_view();
  bool has_session = !SessionFrames().empty();
  // The session menus exist only while a session is open.
  m_menuEdit->menuAction()->setVisible(has_session);
  m_menuSession->menuAction()->setVisible(has_session);
  for (auto& [id, action] : m_actions) {
    if (frame_handles(id)) {
      bool enabled = id != ID_FILE_CLOSE || m_wndMdiArea->activeSubWindow();
      action->setEnabled(enabled);
      continue;
    }
    command_state state = view ? view->UpdateCommand(id) : command_state{};
    action->setEnabled(state.handled && state.enabled);
    if (action->isCheckable()) action->setChecked(state.handled && state.checked);
  }
  Action(ID_FILE_CLOSE)->setVisible(has_session);
  Action(ID_VIEW_STATUS_BAR)->setChecked(statusBar()->isVisible());
  for (int id : {ID_WINDOW_TABS, ID_WINDOW_TILE_VERT, ID_WINDOW_TILE_HORZ, ID_WINDOW_CASCADE})
    Action(id)->setChecked(layout_of_command(id) == the_app.m_nWindowLayout);
  for (int look = first_application_look; look <= last_application_look; ++look)
    Action(look)->setChecked(look == the_app.m_nApplicationLook);
  bool output_shown = m_wndOutput->isVisible();
  int tab = m_wndOutput->m_wndTabs->currentIndex();
  Action(ID_VIEW_CHAT_WINDOW)->setChecked(output_shown && tab == COutputWnd::chat_tab);
  Action(ID_VIEW_TINY_SERVER)->setChecked(output_shown && tab == COutputWnd::trace_tab);
}

void CMainFrame::OnCommand(int id) {
  switch (id) {
    case ID_FILE_NEW: OnFileNew(); break;
    case ID_FILE_CLOSE:
      if (QMdiSubWindow* active = m_wndMdiArea->activeSubWindow()) active->close();
      break;
    case ID_APP_EXIT: close(); break;
    case ID_VIEW_STATUS_BAR: statusBar()->setVisible(!statusBar()->isVisible()); break;
    case ID_WINDOW_TABS:
    case ID_WINDOW_TILE_VERT:
    case ID_WINDOW_TILE_HORZ:
    case ID_WINDOW_CASCADE: SetWindowLayout(layout_of_command(id)); break;
    case ID_WINDOW_MANAGER: ShowWindowManager(); break;
    case ID_VIEW_CHAT_WINDOW: ToggleOutput(COutputWnd::chat_tab); break;
    case ID_VIEW_TINY_SERVER: ToggleOutput(COutputWnd::trace_tab); break;
    case ID_TINY_SERVER_SETTING: OnTinyServerSetting(); break;
    case ID_VIEW_HOSTVIEW:
      if (!m_wndHostView->isVisible()) m_wndHostView->show();
      m_wndHostView->raise();
      break;
    case ID_GLOBAL_OPTIONS: OnGlobalOptions(); break;
    case ID_NEXT_PANE:
    case ID_PREV_PANE: FocusNextPane(id == ID_NEXT_PANE); break;
    case ID_APP_ABOUT: the_app.OnAppAbout(); break;
    case ID_FILE_PRINT_SETUP: the_app.OnFilePrintSetup(); break;
    default:
      if (id >= first_application_look && id <= last_application_look) {
        SetApplicationLook(id);
      } else if (CBaseView* view = active_view()) {
        view->OnCommand(id);
      }
      break;
  }
  UpdateCommandUI();
}

void CMainFrame::OnTinyServerSetting() {
  CServerPropertySheet sheet(this);
  platform::ui::instance().run_modal(sheet);
}

void CMainFrame::OnFileNew() {
  CQuickConnectDlg dialog(this);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  ::open_session(dialog.m_session);
  if (dialog.m_bSaveSession) m_wndHostView->AddHost(dialog.m_session);
}

void CMainFrame::OnGlobalOptions() {
  COptionsDlg dialog(this);
  if (platform::ui::instance().run_modal(dialog) == platform::IDOK) reapply_terminal_settings();
}

void CMainFrame::SetWindowLayout(int layout) {
  if (layout == the_app.m_nWindowLayout) return;
  the_app.m_nWindowLayout = layout;
  QMdiSubWindow* active = m_wndMdiArea->activeSubWindow();
  if (layout == 0) {
    ApplyTabSettings();
    show_tab_titles(m_wndMdiArea);
    for (CChildFrame* child : SessionFrames()) child->FitBehindTab();
    if (active) {
      active->showMaximized();
      active->raise();
    }
    return;
  }
  m_wndMdiArea->setViewMode(QMdiArea::SubWindowView);
  for (QMdiSubWindow* window : m_wndMdiArea->subWindowList()) window->showNormal();
  if (layout == 3) m_wndMdiArea->cascadeSubWindows();
  else ArrangeTiles(layout == 1);
  if (active) {
    m_wndMdiArea->setActiveSubWindow(active);
    active->raise();
  }
}

void CMainFrame::ArrangeTiles(bool side_by_side) {
  auto windows = m_wndMdiArea->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  QRect area = m_wndMdiArea->viewport()->rect();
  int count = static_cast<int>(windows.size());
  for (int i = 0; i < count; ++i) {
    QRect cell = side_by_side
                     ? QRect(area.width() * i / count, 0, area.width() * (i + 1) / count - area.width() * i / count,
                             area.height())
                     : QRect(0, area.height() * i / count, area.width(),
                             area.height() * (i + 1) / count - area.height() * i / count);
    windows[i]->setGeometry(cell);
  }
}

void CMainFrame::SetApplicationLook(int look) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  the_app.m_nApplicationLook = look;
  if (QStyle* style = QStyleFactory::create("Fusion")) QApplication::setStyle(style);
  QPalette palette = QApplication::style()->standardPalette();
  uint32_t background = look_background_color(look);
  if (background != qcolor_to_color_ref(palette.color(QPalette::Base))) {
    QColor pane = color_ref_to_qcolor(background);
    palette.setColor(QPalette::Window, pane);
    palette.setColor(QPalette::Button, pane);
    if (pane.lightness() < 128) {
      palette.setColor(QPalette::WindowText, Qt::white);
      palette.setColor(QPalette::ButtonText, Qt::white);
    }
  }
  QApplication::setPalette(palette);
  update();
  QApplication::restoreOverrideCursor();
  QSettings(private_layout_file(), QSettings::IniFormat).setValue("ApplicationLook", look);
}

void CMainFrame::ToggleOutput(int tab) {
  QTabWidget* tabs = m_wndOutput->m_wndTabs;
  if (m_wndOutput->isVisible() && tabs->currentIndex() == tab) {
    m_wndOutput->hide();
    return;
  }
  if (!m_wndOutput->isVisible()) m_wndOutput->show();
  tabs->setCurrentIndex(tab);
  m_wndOutput->raise();
}

void CMainFrame::ShowWindowManager() {
  QDialog dialog(this);
  dialog.setObjectName("CMDIWindowsDlg");
  dialog.setWindowTitle("Windows");
  auto* layout = new QVBoxLayout(&dialog);
  auto* list = new QListWidget(&dialog);
  auto frames = SessionFrames();
  for (CChildFrame* child : frames) list->addItem(child->windowTitle());
  layout->addWidget(list);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText("Activate");
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  int row = list->currentRow();
  if (row >= 0 && row < static_cast<int>(frames.size())) m_wndMdiArea->setActiveSubWindow(frames[row]);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::FocusIn:
      // A key event passes the filter once for every widget it is offered to: read once.
      if (watched->isWidgetType() && static_cast<QWidget*>(watched) == QApplication::focusWidget()) UpdateLockPanes();
      break;
    default:
      break;
  }
  if (watched == m_wndMdiArea->viewport() && e->type() == QEvent::Resize)
    for (CChildFrame* child : SessionFrames()) child->FitBehindTab();
  // A double click on the empty MDI area opens quick connect, after the click is done with.
  if (watched == m_wndMdiArea->viewport() && e->type() == QEvent::MouseButtonDblClick &&
      static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
    QMetaObject::invokeMethod(this, [this] { OnCommand(ID_FILE_NEW); }, Qt::QueuedConnection);
    return true;
  }
  return QMainWindow::eventFilter(watched, e);
}

std::vector<session_record> CMainFrame::SessionsToRemember() const {
  const default_session_param* defaults = configuration::instance().default_session;
  bool all = defaults && defaults->session_type == default_session_last;
  std::vector<session_record> sessions;
  for (const auto& [key, doc_template] : the_app.m_docTemplates) {
    for (CChildFrame* child : SessionFrames(key)) {
      if (CBaseDoc* document = child->GetDocument()) sessions.push_back(document->m_session);
      if (!all && !sessions.empty()) return sessions;
    }
  }
  return sessions;
}

void CMainFrame::RememberAndCloseSessions(std::vector<session_record> sessions) {
  if (default_session_param* defaults = configuration::instance().default_session) {
    defaults->last_sessions.clear();
    for (auto& record : sessions) defaults->last_sessions.push_back(std::make_shared<session_record>(std::move(record)));
  }
  configuration::instance().schedule_save();
  ::app_closing = true;

  // Every connection is told to stop at once and the waits overlap, so closing many sessions
  // that are stuck in the network takes one stop grace, not one per session.
  std::vector<std::thread> stopping;
  for (CChildFrame* child : SessionFrames()) {
    CBaseView* view = child->GetActiveView();
    if (!view || !view->m_pProtocol) continue;
    stopping.emplace_back([connection = view->m_pProtocol] { connection->release(); });
  }
  for (auto& stopper : stopping) stopper.join();
  for (CChildFrame* child : SessionFrames()) delete child;
}

void CMainFrame::CloseWithoutAsking() {
  if (m_closing) return;
  m_closing = true;
  RememberAndCloseSessions(SessionsToRemember());
  close();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
  if (!m_closing) {
    std::vector<session_record> sessions = SessionsToRemember();
    if (!sessions.empty() &&
        platform::ui::instance().message_box(this, "Are you sure close all these sessions?", "Confirm",
                                             platform::MB_OKCANCEL | platform::MB_ICONQUESTION) != platform::IDOK) {
      e->ignore();
      return;
    }
    m_closing = true;
    RememberAndCloseSessions(std::move(sessions));
  }
  // The host tree is collected once more, so an edit made since the pane's last tick reaches
  // the exit save.
  m_wndHostView->OnTimer();
  SaveLayout();
  e->accept();
}

void CMainFrame::SaveLayout() {
  QSettings layout(private_layout_file(), QSettings::IniFormat);
  layout.setValue("MainFrame/Geometry", saveGeometry());
  layout.setValue("MainFrame/State", saveState());
  layout.setValue("ApplicationLook", the_app.m_nApplicationLook);
}

void CMainFrame::RestoreLayout() {
  QSettings layout(layout_file(), QSettings::IniFormat);
  int look = layout.value("ApplicationLook", default_application_look).toInt();
  if (look < first_application_look || look > last_application_look) look = default_application_look;
  restoreGeometry(layout.value("MainFrame/Geometry").toByteArray());
  // Without a stored layout the output pane starts low, leaving the room to the sessions.
  if (!restoreState(layout.value("MainFrame/State").toByteArray())) {
    resizeDocks({m_wndOutput}, {120}, Qt::Vertical);
    resizeDocks({m_wndHostView}, {200}, Qt::Horizontal);
  }
  SetApplicationLook(look);
}
