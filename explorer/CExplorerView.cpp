#include "explorer/CExplorerView.h"

#include <QHeaderView>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>

#include "config/text_convert.h"
#include "connections/create_protocol.h"
#include "explorer/CExplorerDoc.h"
#include "explorer/CExplorerListCtrl.h"
#include "explorer/CFileMoidfyDlg.h"
#include "explorer/CPathBarEx.h"
#include "explorer/explorer_commands.h"
#include "explorer/explorer_list.h"
#include "explorer/explorer_model.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "settings/controls/control_look.h"

namespace {

// Not scaled by the screen DPI; each header gets 4 pixels more.
constexpr int header_extra = 4;
constexpr int icon_size = 16;
constexpr int new_folder_mode = 0755;

struct popup_entry {
  int id;
  const char* text;
};

constexpr popup_entry popup_entries[] = {
    {ID_EXPLORER_REFRESH, "Refresh"},        {ID_EXPLORER_DOWNLOAD, "Download..."},
    {ID_EXPLORER_UPLOAD, "Upload..."},       {ID_EXPLORER_NEW_FOLDER, "New Folder"},
    {ID_EXPLORER_MODIFY, "Modify"},          {ID_EXPLORER_DELETE, "Delete\tDel"},
};

QString widened(const std::string& bytes) { return platform::to_qstring(mbs_to_wstring(bytes)); }

std::string narrowed(const QString& text) { return wcs_to_string(platform::to_u16string(text)); }

}  // namespace

CExplorerView::CExplorerView(std::shared_ptr<CExplorerDoc> document, QWidget* parent)
    : QWidget(parent), CBaseView(this, std::move(document)) {
  setObjectName("CExplorerView");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_wndPathBar = new CPathBarEx(this);
  m_wndPathBar->list_folder = [this](const std::string& folder) { ListFolder(folder); };
  layout->addWidget(m_wndPathBar);

  m_model = new explorer_model(this);
  m_wndList = with_id(new CExplorerListCtrl(this), id_list);
  m_wndList->setModel(m_model);
  m_wndList->setRootIsDecorated(false);
  m_wndList->setItemsExpandable(false);
  m_wndList->setUniformRowHeights(true);
  m_wndList->setAllColumnsShowFocus(true);
  m_wndList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_wndList->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_wndList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_wndList->setContextMenuPolicy(Qt::CustomContextMenu);
  int scaled_icon = mul_div(icon_size, control_screen_dpi_x(), 96);
  m_wndList->setIconSize(QSize(scaled_icon, scaled_icon));
  QHeaderView* header = m_wndList->header();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setStretchLastSection(false);
  for (int column = 0; column < column_count; ++column)
    header->resizeSection(column, column_width(column) + header_extra);
  ShowSortMark();
  layout->addWidget(m_wndList, 1);

  m_menuPopup = new QMenu(this);
  m_menuPopup->setObjectName("ExplorerPopup");
  for (const popup_entry& entry : popup_entries) {
    QAction* action = m_menuPopup->addAction(entry.text);
    action->setData(entry.id);
    action->setObjectName(QStringLiteral("command_%1").arg(entry.id));
    connect(action, &QAction::triggered, this, [this, id = entry.id] { OnCommand(id); });
  }

  connect(header, &QHeaderView::sectionClicked, this, [this](int column) { OnHeaderClicked(column); });
  connect(m_wndList, &QAbstractItemView::doubleClicked, this, [this] { OnDoubleClick(); });
  connect(m_wndList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { OnContextMenu(m_wndList->viewport()->mapToGlobal(at)); });
  m_wndList->files_dropped = [this](std::vector<std::string> paths) { OnDropFiles(std::move(paths)); };
  // As the menu entry does (it is enabled only while a row is selected).
  m_wndList->delete_pressed = [this] { OnCommand(ID_EXPLORER_DELETE); };
  SetCaption(platform::to_qstring(GetDocument()->GetTitle()));
}

CExplorerView::~CExplorerView() { OnDestroy(); }

command_state CExplorerView::UpdateCommand(int id) const {
  // Whole selected rows, what the commands act on; the row that only holds the keyboard focus
  // (Qt's current index) is not selected.
  bool selected = !SelectedRows().empty();
  switch (id) {
    case ID_EXPLORER_REFRESH: return {true, !selected, false};
    case ID_EXPLORER_DOWNLOAD:
    case ID_EXPLORER_MODIFY:
    case ID_EXPLORER_DELETE: return {true, selected, false};
    case ID_EXPLORER_UPLOAD:
    case ID_EXPLORER_NEW_FOLDER: return {true, true, false};
    default: return CBaseView::UpdateCommand(id);
  }
}

bool CExplorerView::OnCommand(int id) {
  command_state state = UpdateCommand(id);
  if (!state.handled || !state.enabled) return false;
  switch (id) {
    case ID_EXPLORER_REFRESH: OnRefresh(); return true;
    case ID_EXPLORER_DOWNLOAD: OnDownload(); return true;
    case ID_EXPLORER_UPLOAD: OnUpload(); return true;
    case ID_EXPLORER_NEW_FOLDER: OnNewFolder(); return true;
    case ID_EXPLORER_MODIFY: OnModify(); return true;
    case ID_EXPLORER_DELETE: OnDelete(); return true;
    default: return CBaseView::OnCommand(id);
  }
}

void CExplorerView::OnSftpReady(const std::string& host, const std::string& home_folder) {
  m_wndPathBar->m_strHost = host;
  m_wndPathBar->m_strHome = home_folder;
  m_wndPathBar->SetPath(home_folder.c_str());
  Refresh();
}

void CExplorerView::OnFileRequestDone() {
  if (!m_pProtocol) return;
  std::optional<file_request_result> result = m_pProtocol->request.collect();
  UpdateCursor();
  if (!result) return;
  switch (result->kind) {
    case request_list_folder:
      if (!result->success) break;
      sort_entries(result->listing, m_nSortColumn, m_bAscending);
      m_model->replace(std::move(result->listing));
      if (auto* folder = std::get_if<std::string>(&result->argument)) m_wndPathBar->SetPath(folder->c_str());
      break;
    case request_upload:
      // What did arrive is listed, also behind the box of a failed upload.
      Refresh();
      break;
    case request_download:
      break;
    case request_delete_files:
    case request_modify_entry:
    case request_make_folder:
      if (result->success) Refresh();
      break;
    default:
      return;
  }
  // What the connection noted beside the request (a partial upload it had to leave) comes in
  // the same box, after the request's own error.
  std::u16string text = result->success ? std::u16string() : result->error_text;
  if (!result->note.empty()) text += (text.empty() ? u"" : u"\n") + result->note;
  if (!result->success || !text.empty()) ShowError(text);
}

int CExplorerView::Refresh() {
  if (ConnectionState() != state_disconnected) {
    int queued = m_pProtocol->queue_list_folder(m_wndPathBar->m_strCurrent.c_str());
    UpdateCursor();
    return queued;
  }
  if (!m_pProtocol) AttachProtocol(create_protocol(GetDocument()->m_session));
  return m_pProtocol ? m_pProtocol->start() : 0;
}

std::vector<int> CExplorerView::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : m_wndList->selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::vector<std::string> CExplorerView::GetSelectedPaths() const {
  std::vector<std::string> paths;
  for (int row : SelectedRows()) {
    const file_entry* entry = m_model->entry(row);
    if (entry && entry->name != "..") paths.push_back(entry_path(m_wndPathBar->m_strCurrent, *entry));
  }
  return paths;
}

void CExplorerView::OnRefresh() { Refresh(); }

void CExplorerView::OnDownload() {
  std::vector<std::string> paths = GetSelectedPaths();
  if (paths.empty() || !m_pProtocol) return;
  std::optional<QString> folder = platform::ui::instance().pick_folder(this, "Download to...", {});
  if (!folder) return;
  m_pProtocol->queue_download(paths, narrowed(*folder).c_str());
  UpdateCursor();
}

void CExplorerView::OnUpload() {
  if (!m_pProtocol) return;
  std::optional<QStringList> chosen = platform::ui::instance().pick_open_files(this, "Open", {}, {});
  if (!chosen || chosen->isEmpty()) return;
  std::vector<std::string> paths;
  for (const QString& path : *chosen) paths.push_back(narrowed(path));
  m_pProtocol->queue_upload(paths, (m_wndPathBar->m_strCurrent + "/").c_str());
  UpdateCursor();
}

void CExplorerView::OnNewFolder() {
  CFileMoidfyDlg dialog(this);
  dialog.m_bNew = true;
  // Its owner may enter it and everybody may look inside, as mkdir makes folders.
  dialog.m_nMode = new_folder_mode;
  dialog.OnInitDialog();
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  if (dialog.m_strName.isEmpty()) {
    platform::ui::instance().message_box(this, "Empty name!", "Error", platform::MB_OK);
    return;
  }
  std::string path = m_wndPathBar->m_strCurrent + "/" + narrowed(dialog.m_strName);
  Place(request_make_folder, make_folder_request{path, dialog.m_nMode});
}

void CExplorerView::OnModify() {
  std::vector<int> rows = SelectedRows();
  const file_entry* entry = rows.empty() ? nullptr : m_model->entry(rows.front());
  if (!entry || entry->name == "." || entry->name == ".." || !m_pProtocol) return;
  const std::string old_name = entry->name;
  const int old_mode = mode_bits(entry->mode);
  const QString shown_name = widened(old_name);
  CFileMoidfyDlg dialog(this);
  dialog.m_bNew = false;
  dialog.m_strName = shown_name;
  dialog.m_nMode = old_mode;
  dialog.OnInitDialog();
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  // An unchanged name keeps the server's bytes exactly.
  std::string new_name = dialog.m_strName == shown_name ? old_name : narrowed(dialog.m_strName);
  if (new_name.empty()) return;
  const std::string& folder = m_wndPathBar->m_strCurrent;
  m_pProtocol->queue_modify_entry(folder + "/" + old_name, folder + "/" + new_name,
                                  dialog.m_nMode == old_mode ? -1 : dialog.m_nMode);
  UpdateCursor();
}

void CExplorerView::OnDelete() {
  if (platform::ui::instance().message_box(this, "Are you sure to delete these files?", "Confirm",
                                           platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
    return;
  std::vector<std::string> paths = GetSelectedPaths();
  if (!paths.empty()) Place(request_delete_files, std::move(paths));
}

void CExplorerView::OnDropFiles(std::vector<std::string> paths) {
  if (paths.empty() || !m_pProtocol) return;
  m_pProtocol->queue_upload(paths, (m_wndPathBar->m_strCurrent + "/").c_str());
  UpdateCursor();
}

void CExplorerView::OnHeaderClicked(int column) {
  if (column == m_nSortColumn) {
    m_bAscending = !m_bAscending;
  } else {
    m_nSortColumn = column;
    m_bAscending = true;
  }
  ShowSortMark();
  Refresh();
}

void CExplorerView::OnDoubleClick() {
  std::vector<int> rows = SelectedRows();
  const file_entry* entry = rows.empty() ? nullptr : m_model->entry(rows.front());
  if (entry) ListFolder(m_wndPathBar->ChildPath(entry->name));
}

void CExplorerView::OnContextMenu(const QPoint& global_position) {
  m_wndList->setFocus();
  for (QAction* action : m_menuPopup->actions()) action->setEnabled(UpdateCommand(action->data().toInt()).enabled);
  m_menuPopup->popup(global_position);
}

void CExplorerView::ListFolder(const std::string& folder) {
  if (!m_pProtocol) return;
  m_pProtocol->queue_list_folder(folder.c_str());
  UpdateCursor();
}

void CExplorerView::Place(int32_t kind, file_request_argument argument) {
  if (!m_pProtocol) return;
  m_pProtocol->request.place(kind, std::move(argument));
  UpdateCursor();
}

void CExplorerView::UpdateCursor() {
  if (m_pProtocol && m_pProtocol->request.state.load() != request_idle) setCursor(Qt::WaitCursor);
  else unsetCursor();
}

void CExplorerView::ShowError(const std::u16string& text) {
  platform::ui::instance().message_box(this, platform::to_qstring(text), "Error",
                                       platform::MB_OK | platform::MB_ICONERROR);
}

void CExplorerView::ShowSortMark() {
  m_wndList->header()->setSortIndicator(m_nSortColumn, m_bAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}
