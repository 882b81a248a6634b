// The explorer's dialogs and path bar, filled and read by their control ids: the name and mode
// dialog, the transfer progress dialog with its pause and cancel, and the path bar's paths and
// requests.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "connections/transfer_control.h"
#include "explorer/CFileMoidfyDlg.h"
#include "explorer/CPathBarEx.h"
#include "explorer/CProgressDlg.h"
#include "settings/controls/CIconButton.h"
#include "tests/support/dialog_controls.h"
#include "tests/support/scripted_ui.h"

namespace {

QString octal(CFileMoidfyDlg& dialog) { return control<QLineEdit>(dialog, CFileMoidfyDlg::id_octal)->text(); }

TEST(file_modify_dialog, new_mode_starts_empty_with_rw_r__r__) {
  CFileMoidfyDlg dialog;
  dialog.m_bNew = true;
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.windowTitle(), "New");
  EXPECT_TRUE(control<QLineEdit>(dialog, CFileMoidfyDlg::id_name)->text().isEmpty());
  EXPECT_EQ(octal(dialog), "0644");
  for (int bit = 0; bit < 9; ++bit)
    EXPECT_EQ(control<QCheckBox>(dialog, CFileMoidfyDlg::bit_boxes[bit])->isChecked(), ((0644 >> bit) & 1) != 0)
        << bit;
}

TEST(file_modify_dialog, boxes_give_the_mode_and_the_name_decides_ok) {
  CFileMoidfyDlg dialog;
  dialog.m_strName = "run.sh";
  dialog.m_nMode = 04755;  // bits above 0777 are dropped at the first click
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.windowTitle(), "Edit");
  EXPECT_EQ(octal(dialog), "4755");
  control<QCheckBox>(dialog, 1045)->click();  // Other X
  EXPECT_EQ(dialog.m_nMode, 0754);
  EXPECT_EQ(octal(dialog), "0754");
  control<QCheckBox>(dialog, 1040)->click();  // Owner W
  EXPECT_EQ(octal(dialog), "0554");

  QLineEdit* name = control<QLineEdit>(dialog, CFileMoidfyDlg::id_name);
  QPushButton* ok = control<QPushButton>(dialog, 1);
  EXPECT_TRUE(ok->isEnabled());
  name->clear();
  EXPECT_FALSE(ok->isEnabled());
  QTest::keyClicks(name, "x");
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_EQ(dialog.m_strName, "x");
}

class progress_dialog : public ::testing::Test {
 protected:
  QLabel* text(int id) { return control<QLabel>(dialog, id); }
  QProgressBar* bar() { return control<QProgressBar>(dialog, CProgressDlg::id_progress); }

  std::shared_ptr<transfer_control> transfer = std::make_shared<transfer_control>(true);
  CProgressDlg dialog;
};

TEST_F(progress_dialog, shows_the_direction_and_only_what_each_report_carries) {
  dialog.Attach(transfer);
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.windowTitle(), "Download");
  EXPECT_EQ(text(CProgressDlg::id_action)->text(), "calculating...");
  EXPECT_EQ(text(CProgressDlg::id_file)->text(), "--");
  transfer_progress report;
  report.detail = u"total size 10 Bytes";
  dialog.OnProgressUpdate(report);
  report = {};
  report.percent = 40;
  dialog.OnProgressUpdate(report);
  EXPECT_EQ(bar()->value(), 40);
  EXPECT_EQ(text(CProgressDlg::id_detail)->text(), "total size 10 Bytes");
  EXPECT_EQ(text(CProgressDlg::id_action)->text(), "calculating...");
  // A percent of 0 never moves the bar back.
  report = {};
  report.file = u"/r/a";
  dialog.OnProgressUpdate(report);
  EXPECT_EQ(bar()->value(), 40);
  EXPECT_EQ(text(CProgressDlg::id_file)->text(), "/r/a");

  CProgressDlg upload;
  upload.Attach(std::make_shared<transfer_control>(false));
  upload.OnInitDialog();
  EXPECT_EQ(upload.windowTitle(), "Upload");
}

TEST_F(progress_dialog, pause_toggles_and_cancel_stops_the_transfer) {
  dialog.Attach(transfer);
  dialog.OnInitDialog();
  dialog.open();
  QPushButton* pause = control<QPushButton>(dialog, 1);
  pause->click();
  bool paused = false;
  EXPECT_TRUE(transfer->query(paused));
  EXPECT_TRUE(paused);
  EXPECT_EQ(pause->text(), "Resume");
  pause->click();
  EXPECT_EQ(pause->text(), "Pause");
  EXPECT_TRUE(transfer->query(paused));
  EXPECT_FALSE(paused);
  EXPECT_TRUE(dialog.isVisible());
  control<QPushButton>(dialog, 2)->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(dialog.m_bActive);
  EXPECT_FALSE(transfer->query(paused));
}

TEST_F(progress_dialog, the_end_closes_it_without_cancelling) {
  dialog.Attach(transfer);
  dialog.OnInitDialog();
  dialog.open();
  transfer->mark_ended();
  dialog.OnProgressClose();
  EXPECT_FALSE(dialog.isVisible());
  bool paused = false;
  EXPECT_TRUE(transfer->query(paused));
  EXPECT_EQ(dialog.Transfer(), nullptr);
}

class path_bar : public ::testing::Test {
 protected:
  void SetUp() override {
    bar.list_folder = [this](const std::string& folder) { asked.push_back(folder); };
    bar.resize(500, bar.m_nHeight);
    bar.show();
  }
  void type_and_press_enter(const QString& text) {
    QLineEdit* edit = control<QComboBox>(bar, CPathBarEx::id_path)->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  CPathBarEx bar;
  std::vector<std::string> asked;
};

TEST_F(path_bar, keeps_the_normalised_folder_and_makes_child_paths) {
  // A backslash is part of a remote name: the folder kept is the folder listed.
  EXPECT_EQ(bar.SetPath("/home//user\\docs/"), 1);
  EXPECT_EQ(bar.m_strCurrent, "/home/user\\docs");
  EXPECT_EQ(control<QComboBox>(bar, CPathBarEx::id_path)->currentText(), "/home/user\\docs");
  struct row {
    const char* current;
    const char* name;
    const char* path;
  };
  const row rows[] = {{"/home/user", "..", "/home"}, {"/", "..", "/"},         {"/home/user", ".", "/home/user"},
                      {"/", "etc", "//etc"},         {"/srv", "a b", "/srv/a b"}, {"/home", "..", "/"},
                      {"/srv/a\\b", "..", "/srv"},  {"/srv", "a\\b", "/srv/a\\b"}};
  for (const row& r : rows) {
    bar.SetPath(r.current);
    EXPECT_EQ(bar.ChildPath(r.name), r.path) << r.current << " + " << r.name;
  }
}

TEST_F(path_bar, enter_lists_the_typed_path_normalised_and_the_buttons_ask_for_theirs) {
  test_support::scripted_ui ui;
  ui.expect_message(platform::IDOK);
  bar.m_strHome = "/home/u";
  bar.SetPath("/home/u");
  type_and_press_enter("  /srv\\\\data//logs/ ");
  type_and_press_enter("   ");
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Invalid path!");
  EXPECT_EQ(ui.messages()[0].caption, "Error");
  EXPECT_EQ(ui.messages()[0].style, unsigned(platform::MB_OK | platform::MB_ICONERROR));
  // The enter button sends the text as typed (trimmed).
  control<QComboBox>(bar, CPathBarEx::id_path)->setEditText(" /a//b/ ");
  QTest::mouseClick(control<CIconButton>(bar, CPathBarEx::id_enter), Qt::LeftButton);
  QTest::mouseClick(control<CIconButton>(bar, CPathBarEx::id_home), Qt::LeftButton);
  EXPECT_EQ(asked, (std::vector<std::string>{"/srv/data/logs", "/a//b/", "/home/u"}));
  // What was typed is not the current folder until it is listed.
  EXPECT_EQ(bar.m_strCurrent, "/home/u");
}

}  // namespace
