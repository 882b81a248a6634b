// The explorer view over a connection that reaches no peer: the test plays the worker, taking
// each request the view places from the mailbox and storing its result. Listing and sorting,
// the commands and their enabling, the requests each command places, the error boxes, drops,
// the busy mailbox and the session commands of an explorer tab.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTreeView>
#include <QCheckBox>
#include <QLineEdit>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "config/session_record.h"
#include "config/text_convert.h"
#include "explorer/CExplorerDoc.h"
#include "explorer/CExplorerListCtrl.h"
#include "explorer/CExplorerView.h"
#include "explorer/CFileMoidfyDlg.h"
#include "explorer/CPathBarEx.h"
#include "explorer/explorer_commands.h"
#include "explorer/explorer_model.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_folder.h"
#include "tests/terminal/terminal_view_fixture.h"

namespace {

using view_test::fake_protocol;

std::unique_ptr<file_entry> entry(const std::string& name, const std::string& mode, uint64_t size = 0) {
  auto row = std::make_unique<file_entry>();
  row->name = name;
  row->mode = mode;
  row->size = size;
  return row;
}

class explorer_view : public ::testing::Test {
 protected:
  void SetUp() override {
    session_record record;
    record.name = u"files";
    record.view = session_view_explorer;
    record.connection.protocol = protocol_ssh2;
    auto document = std::make_shared<CExplorerDoc>();
    document->OnOpenDocument(record);
    view = std::make_unique<CExplorerView>(document);
    connection = std::make_shared<fake_protocol>(protocol_ssh2);
    connection->mode = session_view_explorer;
    view->AttachProtocol(connection);
    connection->state = state_connected;
    view->resize(900, 500);
    view->show();
  }

  // The worker takes the queued request: its kind and argument.
  std::pair<int32_t, file_request_argument> take() {
    EXPECT_TRUE(connection->request.take()) << "no request was placed";
    return connection->request.running_request();
  }
  // The worker stores the result; the view gets its notice.
  void finish(int success, std::u16string error = {}) {
    connection->request.finish(success, std::move(error));
    view->OnFileRequestDone();
  }
  // The next request must list `folder`; it succeeds with the rows, in the server's order.
  void answer_listing(const std::string& folder, std::vector<std::unique_ptr<file_entry>> rows) {
    auto [kind, argument] = take();
    EXPECT_EQ(kind, request_list_folder);
    EXPECT_EQ(std::get<std::string>(argument), folder);
    connection->request.store_listing(std::move(rows));
    finish(1);
  }
  // The folder holding "..", a folder "docs", files "b.txt" (5 GiB) and "A.txt" (1 KiB).
  void show_standard_folder() {
    view->OnSftpReady("host", "/home/u");
    std::vector<std::unique_ptr<file_entry>> rows;
    rows.push_back(entry("b.txt", "-rw-r--r--", uint64_t{5} << 30));
    rows.push_back(entry("docs", "drwxr-xr-x", 4096));
    rows.push_back(entry("A.txt", "-rw-r--r--", 1024));
    rows.push_back(entry("..", "drwxr-xr-x", 4096));
    answer_listing("/home/u", std::move(rows));
  }
  std::vector<std::string> names() const {
    std::vector<std::string> shown;
    for (int row = 0; row < view->m_model->rowCount(); ++row) shown.push_back(view->m_model->entry(row)->name);
    return shown;
  }
  void select(const std::vector<std::string>& wanted) {
    view->m_wndList->clearSelection();
    for (int row = 0; row < view->m_model->rowCount(); ++row)
      for (const std::string& name : wanted)
        if (view->m_model->entry(row)->name == name)
          view->m_wndList->selectionModel()->select(view->m_model->index(row, 0),
                                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

  std::unique_ptr<CExplorerView> view;
  std::shared_ptr<fake_protocol> connection;
};

TEST_F(explorer_view, shows_the_home_folder_sorted_once_the_connection_is_ready) {
  show_standard_folder();
  EXPECT_EQ(names(), (std::vector<std::string>{"..", "docs", "A.txt", "b.txt"}));
  EXPECT_EQ(view->m_wndPathBar->m_strCurrent, "/home/u");
  EXPECT_EQ(view->m_wndPathBar->m_strHome, "/home/u");
  EXPECT_EQ(view->m_wndPathBar->m_strHost, "host");
  EXPECT_EQ(view->m_model->data(view->m_model->index(3, 4), Qt::DisplayRole).toString(), "5368709120");
  EXPECT_EQ(view->m_model->headerData(5, Qt::Horizontal, Qt::DisplayRole).toString(), "Modify Time");
  EXPECT_EQ(view->m_wndList->header()->sectionSize(0), 204);
  EXPECT_EQ(connection->request.state.load(), request_idle);
}

TEST_F(explorer_view, a_header_click_orders_by_that_column_and_lists_again) {
  show_standard_folder();
  view->OnHeaderClicked(0);  // Name again: descending
  EXPECT_FALSE(view->m_bAscending);
  EXPECT_EQ(view->m_wndList->header()->sortIndicatorOrder(), Qt::DescendingOrder);
  std::vector<std::unique_ptr<file_entry>> rows;
  rows.push_back(entry("b.txt", "-rw-r--r--", 5));
  rows.push_back(entry("docs", "drwxr-xr-x", 4096));
  rows.push_back(entry("A.txt", "-rw-r--r--", 1024));
  answer_listing("/home/u", std::move(rows));
  EXPECT_EQ(names(), (std::vector<std::string>{"b.txt", "A.txt", "docs"}));

  view->OnHeaderClicked(4);  // Size: ascending
  EXPECT_EQ(view->m_nSortColumn, 4);
  EXPECT_TRUE(view->m_bAscending);
  EXPECT_EQ(view->m_wndList->header()->sortIndicatorSection(), 4);
  rows.clear();
  rows.push_back(entry("big", "-rw-r--r--", uint64_t{5} << 30));
  rows.push_back(entry("small", "-rw-r--r--", 1024));
  answer_listing("/home/u", std::move(rows));
  EXPECT_EQ(names(), (std::vector<std::string>{"small", "big"}));
}

TEST_F(explorer_view, commands_follow_the_selection) {
  show_standard_folder();
  auto enabled = [&](int id) { return view->UpdateCommand(id).enabled; };
  EXPECT_TRUE(enabled(ID_EXPLORER_REFRESH));
  EXPECT_FALSE(enabled(ID_EXPLORER_DOWNLOAD));
  EXPECT_FALSE(enabled(ID_EXPLORER_MODIFY));
  EXPECT_FALSE(enabled(ID_EXPLORER_DELETE));
  EXPECT_TRUE(enabled(ID_EXPLORER_UPLOAD));
  EXPECT_TRUE(enabled(ID_EXPLORER_NEW_FOLDER));
  select({"A.txt"});
  EXPECT_FALSE(enabled(ID_EXPLORER_REFRESH));
  EXPECT_TRUE(enabled(ID_EXPLORER_DOWNLOAD));
  EXPECT_TRUE(enabled(ID_EXPLORER_MODIFY));
  EXPECT_TRUE(enabled(ID_EXPLORER_DELETE));
  // The pop-up menu shows the same.
  view->OnContextMenu(view->mapToGlobal(QPoint(10, 10)));
  for (QAction* action : view->m_menuPopup->actions())
    EXPECT_EQ(action->isEnabled(), enabled(action->data().toInt())) << action->text().toStdString();
  view->m_menuPopup->hide();
  EXPECT_EQ(view->m_menuPopup->actions().size(), 6);
  // Clone Explorer is offered for an SSH2 session; the base commands stay.
  EXPECT_TRUE(enabled(ID_CLONE_EXPLORER));
  EXPECT_TRUE(enabled(ID_SESSION_OPTIONS));
}

TEST_F(explorer_view, delete_asks_and_leaves_dot_dot_out) {
  test_support::scripted_ui ui;
  show_standard_folder();
  select({"..", "docs", "b.txt"});
  ui.expect_message(platform::IDNO);
  view->OnCommand(ID_EXPLORER_DELETE);
  EXPECT_EQ(connection->request.state.load(), request_idle);
  ui.expect_message(platform::IDYES);
  view->OnCommand(ID_EXPLORER_DELETE);
  EXPECT_EQ(ui.messages().back().text, "Are you sure to delete these files?");
  EXPECT_EQ(ui.messages().back().caption, "Confirm");
  auto [kind, argument] = take();
  EXPECT_EQ(kind, request_delete_files);
  EXPECT_EQ(std::get<std::vector<std::string>>(argument),
            (std::vector<std::string>{"/home/u/docs/", "/home/u/b.txt"}));
  // Done: the folder is listed again.
  finish(1);
  answer_listing("/home/u", {});
  EXPECT_TRUE(names().empty());
}

TEST_F(explorer_view, a_failed_request_shows_its_error_and_keeps_the_rows) {
  test_support::scripted_ui ui;
  show_standard_folder();
  view->m_wndPathBar->list_folder("/nowhere");
  take();
  ui.expect_message(platform::IDOK);
  finish(0, u"Failed to list the folder (2)");
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Failed to list the folder (2)");
  EXPECT_EQ(ui.messages()[0].caption, "Error");
  EXPECT_EQ(ui.messages()[0].style, unsigned(platform::MB_OK | platform::MB_ICONERROR));
  EXPECT_EQ(names().size(), 4u);
  EXPECT_EQ(view->m_wndPathBar->m_strCurrent, "/home/u");
  // A download shows nothing when it succeeds, and its error when it failed.
  connection->request.place(request_download, transfer_request{{"/a"}, "/tmp"});
  take();
  finish(1);
  EXPECT_EQ(ui.messages().size(), 1u);
  connection->request.place(request_download, transfer_request{{"/a"}, "/tmp"});
  take();
  ui.expect_message(platform::IDOK);
  finish(0, u"Download of /a failed, reading it failed: x; the partial file /tmp/a was removed");
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[1].text, "Download of /a failed, reading it failed: x; the partial file /tmp/a was removed");
  EXPECT_EQ(ui.messages()[1].caption, "Error");
  EXPECT_EQ(connection->request.state.load(), request_idle);
  // An upload lists the folder again in any case, and shows its error when it failed.
  for (int success : {1, 0}) {
    SCOPED_TRACE(success);
    connection->request.place(request_upload, transfer_request{{"/tmp/a"}, "/home/u/"});
    take();
    if (!success) ui.expect_message(platform::IDOK);
    finish(success, success ? u"" : u"Upload of /tmp/a skipped: cannot open /home/u/a: x (status 3)");
    answer_listing("/home/u", {});
  }
  ASSERT_EQ(ui.messages().size(), 3u);
  EXPECT_EQ(ui.messages()[2].text, "Upload of /tmp/a skipped: cannot open /home/u/a: x (status 3)");
  EXPECT_EQ(ui.messages()[2].caption, "Error");
  EXPECT_EQ(ui.messages()[2].style, unsigned(platform::MB_OK | platform::MB_ICONERROR));
}

// What the connection noted beside a request (a partial upload of an earlier session that it
// left) is shown in the error box with that request's result, after its own error if it failed.
TEST_F(explorer_view, a_note_with_a_result_is_shown_in_the_error_box) {
  test_support::scripted_ui ui;
  show_standard_folder();
  const std::u16string note = u"The partial file /home/u/big.bin was left alone: it was written after the upload stopped";
  view->OnCommand(ID_EXPLORER_REFRESH);
  take();
  std::vector<std::unique_ptr<file_entry>> rows;
  rows.push_back(entry("big.bin", "-rw-r--r--", 17));
  connection->request.store_listing(std::move(rows));
  connection->request.store_note(note);
  ui.expect_message(platform::IDOK);
  finish(1);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text.toStdU16String(), note);
  EXPECT_EQ(ui.messages()[0].caption, "Error");
  EXPECT_EQ(names(), (std::vector<std::string>{"big.bin"}));

  connection->request.place(request_delete_files, std::vector<std::string>{"/home/u/x"});
  take();
  connection->request.store_note(note);
  ui.expect_message(platform::IDOK);
  finish(0, u"Failed delete /home/u/x (-31)");
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[1].text.toStdU16String(), u"Failed delete /home/u/x (-31)\n" + note);
  // The note went with those results only.
  view->OnCommand(ID_EXPLORER_REFRESH);
  answer_listing("/home/u", {});
  EXPECT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.left(), 0u);
}

TEST_F(explorer_view, modify_passes_the_mode_only_when_changed_and_keeps_unchanged_name_bytes) {
  test_support::scripted_ui ui;
  view->OnSftpReady("host", "/srv");
  std::vector<std::unique_ptr<file_entry>> rows;
  rows.push_back(entry("bad\xff name", "-rwxr-x---"));
  answer_listing("/srv", std::move(rows));
  struct row {
    const char* what;
    const char* new_name;  // null: leave the name as shown
    int click_box;         // 0: leave the mode
    std::string new_path;
    int mode;
  };
  const row rows_table[] = {
      {"rename only", "good name", 0, "/srv/good name", -1},
      {"mode only", nullptr, 1045, "/srv/bad\xff name", 0751},
      {"neither", nullptr, 0, "/srv/bad\xff name", -1},
  };
  for (const row& r : rows_table) {
    SCOPED_TRACE(r.what);
    select({"bad\xff name"});
    ui.expect_modal([&](QDialog& dialog) {
      auto& modify = static_cast<CFileMoidfyDlg&>(dialog);
      EXPECT_EQ(modify.windowTitle(), "Edit");
      EXPECT_EQ(modify.m_nMode, 0750);
      if (r.new_name) modify.findChild<QLineEdit*>("id_1035")->setText(r.new_name);
      if (r.click_box) modify.findChild<QCheckBox*>(QStringLiteral("id_%1").arg(r.click_box))->click();
      dialog.accept();
    });
    view->OnCommand(ID_EXPLORER_MODIFY);
    auto [kind, argument] = take();
    ASSERT_EQ(kind, request_modify_entry);
    const auto& change = std::get<modify_request>(argument);
    EXPECT_EQ(change.path, "/srv/bad\xff name");
    EXPECT_EQ(change.new_path, r.new_path);
    EXPECT_EQ(change.mode, r.mode);
    connection->request.finish(1, {});
    connection->request.collect();
  }
}

TEST_F(explorer_view, new_folder_places_its_path_and_mode) {
  test_support::scripted_ui ui;
  show_standard_folder();
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "New");
    // A folder its owner can enter, unless the user says otherwise.
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_1046")->text(), "0755");
    dialog.findChild<QLineEdit*>("id_1035")->setText("made");
    dialog.accept();
  });
  view->OnCommand(ID_EXPLORER_NEW_FOLDER);
  auto [kind, argument] = take();
  EXPECT_EQ(kind, request_make_folder);
  EXPECT_EQ(std::get<make_folder_request>(argument).path, "/home/u/made");
  EXPECT_EQ(std::get<make_folder_request>(argument).mode, 0755);
}

TEST_F(explorer_view, download_and_upload_go_through_the_pickers) {
  test_support::scripted_ui ui;
  show_standard_folder();
  select({"docs", "A.txt", ".."});
  ui.expect_folder(QString("/tmp/in"));
  view->OnCommand(ID_EXPLORER_DOWNLOAD);
  EXPECT_EQ(ui.interactions().back().caption, "Download to...");
  auto [kind, argument] = take();
  EXPECT_EQ(kind, request_download);
  EXPECT_EQ(std::get<transfer_request>(argument).sources,
            (std::vector<std::string>{"/home/u/docs/", "/home/u/A.txt"}));
  EXPECT_EQ(std::get<transfer_request>(argument).target_folder, "/tmp/in");
  finish(1);
  EXPECT_EQ(connection->request.state.load(), request_idle);

  ui.expect_open_files(QStringList{"/tmp/a.txt", "/tmp/b c.txt"});
  view->OnCommand(ID_EXPLORER_UPLOAD);
  std::tie(kind, argument) = take();
  EXPECT_EQ(kind, request_upload);
  EXPECT_EQ(std::get<transfer_request>(argument).sources, (std::vector<std::string>{"/tmp/a.txt", "/tmp/b c.txt"}));
  EXPECT_EQ(std::get<transfer_request>(argument).target_folder, "/home/u/");
  // Whatever its result, an upload lists the folder again.
  finish(1);
  answer_listing("/home/u", {});
}

TEST_F(explorer_view, dropped_files_and_folders_are_uploaded_unless_a_request_is_pending) {
  show_standard_folder();
  test_support::temp_folder local;
  std::string folder = local.path() + "/odd\xfe folder";
  mkdir(folder.c_str(), 0755);
  QByteArray uris = "# a comment\r\nfile://" + QByteArray::fromStdString(local.path()) +
                    "/odd%FE%20folder\r\nfile:///tmp/plain.txt\r\nhttp://example.org/x\r\n"
                    "file:///tmp/plain.txt%00.jpg\r\n";
  std::vector<std::string> paths = CExplorerListCtrl::dropped_paths(uris);
  EXPECT_EQ(paths, (std::vector<std::string>{folder + "/", "/tmp/plain.txt"}));

  QMimeData data;
  data.setData("text/uri-list", uris);
  // As a drag does: the list accepts the entering drag, then takes the drop.
  auto drag_and_drop = [&] {
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->m_wndList->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->m_wndList->viewport(), &drop);
  };
  drag_and_drop();
  auto [kind, argument] = take();
  EXPECT_EQ(kind, request_upload);
  EXPECT_EQ(std::get<transfer_request>(argument).sources, paths);
  EXPECT_EQ(std::get<transfer_request>(argument).target_folder, "/home/u/");
  // While that request runs, another drop, a refresh and a double click are dropped.
  EXPECT_EQ(view->cursor().shape(), Qt::WaitCursor);
  drag_and_drop();
  view->OnCommand(ID_EXPLORER_REFRESH);
  EXPECT_EQ(connection->request.kind, request_upload);
  // The upload's end lists the folder again; the cursor is back once that is done.
  finish(1);
  answer_listing("/home/u", {});
  EXPECT_NE(view->cursor().shape(), Qt::WaitCursor);
}

TEST_F(explorer_view, a_double_click_lists_the_row_as_a_folder) {
  show_standard_folder();
  select({".."});
  view->OnDoubleClick();
  answer_listing("/home", {});
  EXPECT_EQ(view->m_wndPathBar->m_strCurrent, "/home");
  view->m_wndPathBar->SetPath("/");
  std::vector<std::unique_ptr<file_entry>> rows;
  rows.push_back(entry("..", "drwxr-xr-x"));
  rows.push_back(entry("etc", "drwxr-xr-x"));
  connection->request.place(request_list_folder, std::string("/"));
  answer_listing("/", std::move(rows));
  select({".."});
  view->OnDoubleClick();
  answer_listing("/", {});
  EXPECT_EQ(view->m_wndPathBar->m_strCurrent, "/");
}

TEST_F(explorer_view, a_folder_whose_name_holds_a_backslash_is_the_folder_acted_in) {
  view->OnSftpReady("host", "/home/u");
  std::vector<std::unique_ptr<file_entry>> rows;
  rows.push_back(entry("a\\b", "drwxr-xr-x"));
  answer_listing("/home/u", std::move(rows));
  select({"a\\b"});
  view->OnDoubleClick();
  rows.clear();
  rows.push_back(entry("inner.txt", "-rw-r--r--"));
  answer_listing("/home/u/a\\b", std::move(rows));
  EXPECT_EQ(view->m_wndPathBar->m_strCurrent, "/home/u/a\\b");
  select({"inner.txt"});
  EXPECT_EQ(view->GetSelectedPaths(), (std::vector<std::string>{"/home/u/a\\b/inner.txt"}));
}

TEST_F(explorer_view, icons_are_looked_up_once_per_file_type) {
  view->OnSftpReady("host", "/many");
  std::vector<std::unique_ptr<file_entry>> rows;
  for (int i = 0; i < 300; ++i) {
    rows.push_back(entry("file" + std::to_string(i) + (i % 2 ? ".txt" : ".png"), "-rw-r--r--"));
    rows.push_back(entry("dir" + std::to_string(i), "drwxr-xr-x"));
  }
  answer_listing("/many", std::move(rows));
  for (int row = 0; row < view->m_model->rowCount(); ++row)
    view->m_model->data(view->m_model->index(row, 0), Qt::DecorationRole);
  EXPECT_EQ(view->m_model->cached_icons(), 3);
}

TEST_F(explorer_view, refresh_on_a_disconnected_explorer_starts_the_connection_again) {
  connection->state = state_disconnected;
  connection->opens_succeed = true;
  EXPECT_EQ(view->Refresh(), 1);
  EXPECT_TRUE(view_test::wait_until([&] { return connection->state.load() == state_connected; }));
  EXPECT_EQ(connection->opens.load(), 1);
  EXPECT_EQ(connection->request.state.load(), request_idle);
}

TEST(explorer_tab, clone_and_session_options_work_on_the_explorers_record) {
  view_test::test_frame frame;
  session_record record;
  record.name = u"files";
  record.uuid = "uuid-1";
  record.view = session_view_explorer;
  record.connection.protocol = protocol_ssh2;
  auto document = std::make_shared<CExplorerDoc>();
  document->OnOpenDocument(record);
  CExplorerView view(document);
  view.AttachProtocol(std::make_shared<fake_protocol>(protocol_ssh2));
  EXPECT_TRUE(view.OnCommand(ID_CLONE_TERMINAL));
  EXPECT_TRUE(view.OnCommand(ID_CLONE_EXPLORER));
  ASSERT_EQ(frame.opened.size(), 2u);
  EXPECT_EQ(frame.opened[0].view, session_view_terminal);
  EXPECT_EQ(frame.opened[1].view, session_view_explorer);
  EXPECT_EQ(frame.opened[1].uuid, "uuid-1");
  frame.edit = [](session_record& edited) { edited.name = u"renamed"; };
  EXPECT_TRUE(view.OnCommand(ID_SESSION_OPTIONS));
  EXPECT_EQ(document->m_session.name, u"renamed");
  ASSERT_EQ(frame.updated_hosts.size(), 1u);
  EXPECT_EQ(frame.updated_hosts[0].uuid, "uuid-1");
}

}  // namespace
