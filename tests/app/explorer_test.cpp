// Explorer tabs end to end: a main frame opens an SSH2 host as an explorer against the loopback
// sshd (tests/peers/start) and the scripted ui acts for the user: browsing with the path bar and
// double clicks, a failed listing, download and upload with the progress dialog (and its
// Cancel) and the error boxes of failed ones, new folder, modify and delete, all checked on the
// remote disk; a quit during an upload that leaves no partial file; a peer that hangs answered by
// an error after the time-out, and a new session once it goes on; and keys and clicks as a
// window delivers them.
#include <QComboBox>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "app/open_session.h"
#include "connections/transfer_control.h"
#include "connections/transfer_progress.h"
#include "explorer/CExplorerListCtrl.h"
#include "explorer/CExplorerView.h"
#include "explorer/CPathBarEx.h"
#include "explorer/CProgressDlg.h"
#include "explorer/explorer_commands.h"
#include "explorer/explorer_model.h"
#include "tests/app/app_fixture.h"
#include "tests/support/freezing_proxy.h"
#include "tests/support/peer_env.h"
#include "tests/support/remote_tree.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::file_content;
using test_support::mode_of;

using test_support::env;

class ExplorerTab : public FrameTest {
 protected:
  void SetUp() override {
    REQUIRE_PEER(!env("TESSARY_SSH_PORT").empty() && remote.ok(),
                 "the loopback sshd and root are needed (tests/peers/start)");
    FrameTest::SetUp();
    remote.write_file("with space.txt", "space\n");
    remote.make_folder("sub");
    remote.write_file("sub/inner.txt", "inner\n");
  }

  // Opens the explorer tab (through `port`, else straight to the sshd) and waits for the home
  // folder's listing.
  CExplorerView* open(uint16_t port = 0) {
    session_record record;
    record.name = u"files";
    record.view = session_view_explorer;
    record.connection.protocol = protocol_ssh2;
    record.connection.ssh2.hostname = env("TESSARY_SSH_HOST");
    record.connection.ssh2.port = port ? port : static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
    record.connection.ssh2.username = env("TESSARY_SSH_USER");
    record.connection.ssh2.password = env("TESSARY_SSH_PASSWORD");
    EXPECT_TRUE(open_session(record));
    auto frames = frame->SessionFrames(session_view_explorer);
    view = frames.empty() ? nullptr : dynamic_cast<CExplorerView*>(frames.back()->GetActiveView());
    EXPECT_NE(view, nullptr);
    if (!view) return nullptr;
    EXPECT_TRUE(wait([&] { return view->m_wndPathBar->m_strCurrent == env("TESSARY_SSH_HOME") && idle(); }));
    return view;
  }

  bool wait(const std::function<bool()>& condition, int ms = 15000) { return QTest::qWaitFor(condition, ms); }
  bool idle() const { return view->m_pProtocol->request.state.load() == request_idle; }

  // Types a path into the path box and presses Enter.
  void enter_path(const std::string& path) {
    QLineEdit* edit = view->m_wndPathBar->m_wndPath->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(path));
    QTest::keyClick(edit, Qt::Key_Return);
  }
  void go_to(const std::string& folder) {
    enter_path(folder);
    EXPECT_TRUE(wait([&] { return view->m_wndPathBar->m_strCurrent == folder && idle(); })) << folder;
  }
  std::set<std::string> shown() const {
    std::set<std::string> names;
    for (int row = 0; row < view->m_model->rowCount(); ++row) names.insert(view->m_model->entry(row)->name);
    return names;
  }
  void select(const std::set<std::string>& names) {
    view->m_wndList->clearSelection();
    for (int row = 0; row < view->m_model->rowCount(); ++row)
      if (names.count(view->m_model->entry(row)->name))
        view->m_wndList->selectionModel()->select(view->m_model->index(row, 0),
                                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  // Runs a command as the menu does, then waits for the mailbox and a listing to settle.
  void command(int id) {
    frame->OnCommand(id);
    EXPECT_TRUE(wait([&] { return idle(); }));
  }

  test_support::remote_tree remote;
  test_support::temp_folder local;
  CExplorerView* view = nullptr;
};

TEST_F(ExplorerTab, BrowsesTransfersAndChangesRemoteFiles) {
  test_support::scripted_ui ui;
  ASSERT_TRUE(open());
  go_to(remote.path());
  EXPECT_EQ(shown(), (std::set<std::string>{"..", "sub", "with space.txt"}));
  EXPECT_EQ(view->m_model->entry(1)->name, "sub");  // folders first

  // A folder that is not there: the error, the rows and the current folder stay.
  ui.expect_message(platform::IDOK);
  enter_path(remote.at("missing"));
  ASSERT_TRUE(wait([&] { return ui.messages().size() == 1 && idle(); }));
  EXPECT_EQ(ui.messages()[0].text, "Failed to list the folder (2)");
  EXPECT_EQ(ui.messages()[0].caption, "Error");
  EXPECT_EQ(view->m_wndPathBar->m_strCurrent, remote.path());
  EXPECT_EQ(view->m_wndPathBar->m_wndPath->currentText().toStdString(), remote.at("missing"));
  EXPECT_EQ(shown().size(), 3u);

  // Download a folder and a file. A transfer this short may end before its dialog could open;
  // either way no dialog stays open.
  select({"sub", "with space.txt", ".."});
  ui.expect_folder(QString::fromStdString(local.path()));
  command(ID_EXPLORER_DOWNLOAD);
  EXPECT_EQ(file_content(local.file("with space.txt")), "space\n");
  EXPECT_EQ(file_content(local.file("sub/inner.txt")), "inner\n");
  EXPECT_TRUE(wait([&] { return !frame->m_dlgProgress->isVisible(); }));

  // Upload a file: the list shows it afterwards.
  std::ofstream(local.file("up.txt")) << "uploaded\n";
  view->m_wndList->clearSelection();
  ui.expect_open_files(QStringList{QString::fromStdString(local.file("up.txt"))});
  command(ID_EXPLORER_UPLOAD);
  EXPECT_TRUE(wait([&] { return shown().count("up.txt") && idle(); }));
  EXPECT_EQ(file_content(remote.at("up.txt")), "uploaded\n");

  // New folder (one its owner can enter), then rename it and let the group write.
  ui.expect_modal([](QDialog& dialog) {
    type_into(control<QLineEdit>(dialog, 1035), "made");
    control<QPushButton>(dialog, 1)->click();
  });
  command(ID_EXPLORER_NEW_FOLDER);
  EXPECT_TRUE(wait([&] { return shown().count("made") && idle(); }));
  EXPECT_EQ(mode_of(remote.at("made")), 0755);
  select({"made"});
  view->OnDoubleClick();
  EXPECT_TRUE(wait([&] { return view->m_wndPathBar->m_strCurrent == remote.at("made") && idle(); }));
  EXPECT_EQ(shown(), (std::set<std::string>{".."}));
  select({".."});
  view->OnDoubleClick();
  EXPECT_TRUE(wait([&] { return view->m_wndPathBar->m_strCurrent == remote.path() && idle(); }));
  select({"made"});
  ui.expect_modal([](QDialog& dialog) {
    type_into(control<QLineEdit>(dialog, 1035), "renamed");
    control<QCheckBox>(dialog, 1041)->click();
    control<QPushButton>(dialog, 1)->click();
  });
  command(ID_EXPLORER_MODIFY);
  EXPECT_TRUE(wait([&] { return shown().count("renamed") && idle(); }));
  EXPECT_EQ(mode_of(remote.at("renamed")), 0775);

  // Delete, with ".." in the selection.
  select({"renamed", "up.txt", ".."});
  ui.expect_message(platform::IDYES);
  command(ID_EXPLORER_DELETE);
  EXPECT_TRUE(wait([&] { return !shown().count("renamed") && idle(); }));
  EXPECT_EQ(mode_of(remote.at("renamed")), -1);
  EXPECT_EQ(mode_of(remote.at("up.txt")), -1);

  // A double click on ".." lists the parent.
  select({".."});
  view->OnDoubleClick();
  EXPECT_TRUE(wait([&] { return view->m_wndPathBar->m_strCurrent == env("TESSARY_SSH_HOME") && idle(); }));
  EXPECT_EQ(ui.left(), 0u);
}

TEST_F(ExplorerTab, CancelInTheProgressDialogStopsTheDownloadAndRemovesThePartialFile) {
  test_support::scripted_ui ui;
  remote.make_sparse("huge.bin", uint64_t{5} << 30);
  ASSERT_TRUE(open());
  go_to(remote.path());
  select({"huge.bin"});
  ui.expect_folder(QString::fromStdString(local.path()));
  frame->OnCommand(ID_EXPLORER_DOWNLOAD);
  CProgressDlg* dialog = frame->m_dlgProgress;
  ASSERT_TRUE(wait([&] { return dialog->isVisible() && dialog->findChild<QProgressBar*>("id_1047")->value() > 0; }));
  EXPECT_EQ(dialog->windowTitle(), "Download");
  EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
  control<QPushButton>(*dialog, 1)->click();
  EXPECT_EQ(control<QPushButton>(*dialog, 1)->text(), "Resume");
  // Paused, the dialog says so and its bar shows what is done (nothing is written meanwhile).
  auto* action = control<QLabel>(*dialog, CProgressDlg::id_action);
  ASSERT_TRUE(wait([&] { return action->text() == "paused"; }));
  EXPECT_EQ(dialog->findChild<QProgressBar*>("id_1047")->value(),
            transfer_percent(std::filesystem::file_size(local.file("huge.bin")), uint64_t{5} << 30));
  control<QPushButton>(*dialog, 1)->click();
  EXPECT_TRUE(wait([&] { return action->text() == "downloading..."; }));
  control<QPushButton>(*dialog, 2)->click();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_TRUE(wait([&] { return idle(); }));
  EXPECT_FALSE(std::filesystem::exists(local.file("huge.bin")));
}

// Transfers that fail say why in the window: an upload into a folder the user may not write and
// a download of a file the user may not read (mode 0640, another user's) each show the reason
// in the error box, and leave nothing behind.
TEST_F(ExplorerTab, AFailedUploadOrDownloadShowsWhyInTheErrorBox) {
  test_support::scripted_ui ui;
  remote.make_folder("locked", 0555);
  remote.write_file("secret", "secret\n", 0640);
  ASSERT_EQ(chown(remote.at("secret").c_str(), 0, 0), 0);
  std::ofstream(local.file("up.txt")) << "uploaded\n";
  ASSERT_TRUE(open());
  go_to(remote.at("locked"));
  ui.expect_open_files(QStringList{QString::fromStdString(local.file("up.txt"))});
  ui.expect_message(platform::IDOK);
  command(ID_EXPLORER_UPLOAD);
  ASSERT_TRUE(wait([&] { return ui.messages().size() == 1 && idle(); }));
  EXPECT_EQ(ui.messages()[0].caption, "Error");
  EXPECT_TRUE(ui.messages()[0].text.startsWith(QString::fromStdString(
      "Upload of " + local.file("up.txt") + " skipped: cannot open " + remote.at("locked/up.txt") + ": ")))
      << ui.messages()[0].text.toStdString();
  EXPECT_EQ(mode_of(remote.at("locked/up.txt")), -1);

  go_to(remote.path());
  select({"secret"});
  ui.expect_folder(QString::fromStdString(local.path()));
  ui.expect_message(platform::IDOK);
  command(ID_EXPLORER_DOWNLOAD);
  ASSERT_TRUE(wait([&] { return ui.messages().size() == 2 && idle(); }));
  EXPECT_EQ(ui.messages()[1].caption, "Error");
  EXPECT_TRUE(ui.messages()[1].text.startsWith(
      QString::fromStdString("Download of " + remote.at("secret") + " skipped: it cannot be opened: ")))
      << ui.messages()[1].text.toStdString();
  EXPECT_FALSE(std::filesystem::exists(local.file("secret")));
  EXPECT_EQ(ui.left(), 0u);
}

// Quitting (the window manager's close or SIGTERM, which close without asking) while an upload
// runs: the upload removes its partial file before its session ends, so nothing is left at the
// name for a later start to find.
TEST_F(ExplorerTab, QuittingDuringAnUploadLeavesNoPartialFile) {
  test_support::scripted_ui ui;
  // Sparse: reading it costs nothing, and the copy is still going at the quit.
  const std::string big = local.file("big.bin");
  std::ofstream(big).close();
  std::filesystem::resize_file(big, uint64_t{4} << 30);
  ASSERT_TRUE(open());
  go_to(remote.path());
  ui.expect_open_files(QStringList{QString::fromStdString(big)});
  frame->OnCommand(ID_EXPLORER_UPLOAD);
  CProgressDlg* dialog = frame->m_dlgProgress;
  ASSERT_TRUE(wait([&] { return dialog->isVisible() && dialog->findChild<QProgressBar*>("id_1047")->value() > 0; }));
  ASSERT_NE(mode_of(remote.at("big.bin")), -1);
  frame->CloseWithoutAsking();
  EXPECT_TRUE(frame.isNull() || frame->SessionFrames().empty());
  EXPECT_EQ(mode_of(remote.at("big.bin")), -1);
}

TEST_F(ExplorerTab, APeerThatHangsGivesAnErrorAfterTheTimeOut) {
  test_support::freezing_proxy proxy(env("TESSARY_SSH_HOST"), static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT"))));
  ASSERT_TRUE(proxy.valid());
  test_support::scripted_ui ui;
  ASSERT_TRUE(open(proxy.port()));
  proxy.freeze();
  ui.expect_message(platform::IDOK);
  auto began = std::chrono::steady_clock::now();
  frame->OnCommand(ID_EXPLORER_REFRESH);
  ASSERT_TRUE(wait([&] { return ui.messages().size() == 1; }, 15000));
  EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(2900));
  EXPECT_EQ(ui.messages()[0].text, "Failed to list the folder: timed out; reconnecting");
  EXPECT_EQ(ui.messages()[0].caption, "Error");
  // The peer goes on: the next refresh lists the same folder over a new session.
  EXPECT_TRUE(wait([&] { return idle(); }));
  remote.write_file("after.txt", "after\n");
  proxy.thaw();
  go_to(remote.path());
  EXPECT_TRUE(shown().count("after.txt"));
  EXPECT_EQ(ui.messages().size(), 1u);
}

// Keys and clicks as the window system delivers them: to the frame's window, which hands them
// to the focus widget (the path box keeps the focus itself, not its edit field).
TEST_F(ExplorerTab, EnterInThePathBarTheRefreshStateAndTheDeleteKeyFollowWindowInput) {
  test_support::scripted_ui ui;
  ASSERT_TRUE(open());
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.data()));
  QWindow* window = frame->windowHandle();
  auto click = [&](QWidget* widget, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(window, Qt::LeftButton, modifiers, window->mapFromGlobal(widget->mapToGlobal(at)));
  };
  auto click_row = [&](const std::string& name, Qt::KeyboardModifiers modifiers = {}) {
    for (int row = 0; row < view->m_model->rowCount(); ++row)
      if (view->m_model->entry(row)->name == name)
        click(view->m_wndList->viewport(), view->m_wndList->visualRect(view->m_model->index(row, 0)).center(),
              modifiers);
  };
  auto refresh_enabled = [&] {
    frame->UpdateCommandUI();
    return frame->Action(ID_EXPLORER_REFRESH)->isEnabled();
  };

  struct row {
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::string folder;
  };
  const row rows[] = {
      {"Return", Qt::Key_Return, Qt::NoModifier, remote.path()},
      {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, remote.at("sub")},
  };
  QComboBox* box = view->m_wndPathBar->m_wndPath;
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    click(box->lineEdit(), QPoint(5, 5));
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    for (char c : r.folder) QTest::keyClick(window, c);
    EXPECT_EQ(box->currentText().toStdString(), r.folder);
    QTest::keyClick(window, r.key, r.modifiers);
    EXPECT_TRUE(wait([&] { return view->m_wndPathBar->m_strCurrent == r.folder && idle(); }));
  }
  EXPECT_EQ(shown(), (std::set<std::string>{"..", "inner.txt"}));

  // Refresh goes with no selected row, whatever row holds the keyboard focus.
  EXPECT_TRUE(refresh_enabled());
  click_row("inner.txt");
  EXPECT_FALSE(refresh_enabled());
  click_row("inner.txt", Qt::ControlModifier);
  EXPECT_EQ(view->m_wndList->currentIndex().isValid(), true);
  EXPECT_TRUE(refresh_enabled());

  // Delete on the list asks, as the menu entry does.
  click_row("inner.txt");
  ui.expect_message(platform::IDNO);
  QTest::keyClick(window, Qt::Key_Delete);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Are you sure to delete these files?");
  EXPECT_EQ(file_content(remote.at("sub/inner.txt")), "inner\n");
  ui.expect_message(platform::IDYES);
  QTest::keyClick(window, Qt::Key_Delete);
  EXPECT_TRUE(wait([&] { return !shown().count("inner.txt") && idle(); }));
  EXPECT_EQ(mode_of(remote.at("sub/inner.txt")), -1);
  EXPECT_EQ(ui.left(), 0u);
}

TEST_F(FrameTest, EachTransferHasItsProgressDialogUntilItEnds) {
  auto finished = std::make_shared<transfer_control>(true);
  auto first = std::make_shared<transfer_control>(true);
  auto second = std::make_shared<transfer_control>(false);
  // A transfer that ended before its begin was handled opens nothing.
  finished->mark_ended();
  frame->OnTransferBegin(finished);
  EXPECT_FALSE(frame->m_dlgProgress->isVisible());
  // The workers' monitor posts the begin; the frame's dialog opens without waiting in it.
  current_transfer_monitor()->transfer_begin(first);
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame->m_dlgProgress->isVisible(); }, wait_bound_ms));
  EXPECT_EQ(frame->m_dlgProgress->windowTitle(), "Download");
  EXPECT_EQ(frame->m_dlgProgress->windowModality(), Qt::WindowModal);
  // A second transfer at the same time gets a dialog of its own.
  frame->OnTransferBegin(second);
  CProgressDlg* other = nullptr;
  for (CProgressDlg* dialog : frame->findChildren<CProgressDlg*>())
    if (dialog->Transfer() == second.get()) other = dialog;
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, frame->m_dlgProgress);
  EXPECT_EQ(other->windowTitle(), "Upload");

  transfer_progress report;
  report.percent = 30;
  report.file = u"/srv/a";
  EXPECT_TRUE(first->leave_progress(report));
  current_transfer_monitor()->transfer_progress_ready(first);
  auto* bar = control<QProgressBar>(*frame->m_dlgProgress, CProgressDlg::id_progress);
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == 30; }, wait_bound_ms));
  EXPECT_EQ(other->findChild<QProgressBar*>("id_1047")->value(), 0);

  // The end closes the dialog and leaves the transfer uncancelled; Cancel stops the other.
  first->mark_ended();
  frame->OnTransferEnd(first);
  EXPECT_FALSE(frame->m_dlgProgress->isVisible());
  bool paused = false;
  EXPECT_TRUE(first->query(paused));
  control<QPushButton>(*other, 2)->click();
  EXPECT_FALSE(second->query(paused));
  // The frame's own dialog serves the next transfer again.
  auto third = std::make_shared<transfer_control>(false);
  frame->OnTransferBegin(third);
  EXPECT_EQ(frame->m_dlgProgress->Transfer(), third.get());
  EXPECT_EQ(control<QLabel>(*frame->m_dlgProgress, CProgressDlg::id_file)->text(), "--");
}

}  // namespace
