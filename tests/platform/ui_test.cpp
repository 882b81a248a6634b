#include "platform/ui.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "tests/support/scripted_ui.h"

using namespace platform;
using test_support::interaction_kind;
using test_support::scripted_ui;

namespace {

// Acts on the message box that the real ui is about to run.
void when_box_shows(std::function<void(QMessageBox&)> act) {
  QTimer::singleShot(0, [act] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    act(*box);
  });
}

TEST(real_ui, message_box_answers_with_the_pressed_button) {
  const struct {
    unsigned style;
    QMessageBox::StandardButton press;
    int answer;
  } cases[] = {
      {MB_OK, QMessageBox::Ok, IDOK},
      {MB_OKCANCEL | MB_ICONQUESTION, QMessageBox::Cancel, IDCANCEL},
      {MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes, IDYES},
      {MB_YESNO | MB_ICONQUESTION, QMessageBox::No, IDNO},
      {MB_YESNOCANCEL | MB_ICONWARNING, QMessageBox::Cancel, IDCANCEL},
  };
  for (const auto& c : cases) {
    when_box_shows([&c](QMessageBox& box) { box.button(c.press)->click(); });
    EXPECT_EQ(ui::instance().message_box(nullptr, "Are you sure?", "Confirm", c.style), c.answer);
  }
}

TEST(real_ui, escape_closes_a_box_with_its_no_or_cancel_answer) {
  const std::pair<unsigned, int> cases[] = {
      {MB_YESNO, IDNO}, {MB_OKCANCEL, IDCANCEL}, {MB_OK, IDOK}};
  for (const auto& [style, answer] : cases) {
    when_box_shows([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_EQ(ui::instance().message_box(nullptr, "text", "", style), answer);
  }
}

TEST(real_ui, run_modal_gives_the_end_of_the_dialog) {
  const std::pair<std::function<void(QDialog&)>, int> cases[] = {
      {[](QDialog& d) { d.accept(); }, IDOK},
      {[](QDialog& d) { d.reject(); }, IDCANCEL},
      {[](QDialog& d) { d.done(IDYES); }, IDYES},
  };
  for (const auto& [end, answer] : cases) {
    QDialog dialog;
    QTimer::singleShot(0, &dialog, [&dialog, end = end] { end(dialog); });
    EXPECT_EQ(ui::instance().run_modal(dialog), answer);
  }
}

TEST(scripted_ui, answers_in_order_and_records_every_message) {
  scripted_ui script;
  script.expect_message(IDYES);
  script.expect_message(IDCANCEL);
  EXPECT_EQ(ui::instance().message_box(nullptr, "Are you sure to stop log?", "Confirm",
                                       MB_YESNO | MB_ICONQUESTION),
            IDYES);
  EXPECT_EQ(ui::instance().message_box(nullptr, "Try to log failed!", "Error", MB_OK | MB_ICONERROR),
            IDCANCEL);
  const auto shown = script.messages();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].caption, "Confirm");
  EXPECT_EQ(shown[0].text, "Are you sure to stop log?");
  EXPECT_EQ(shown[0].style, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(shown[1].caption, "Error");
}

// A small dialog whose OK button checks its field, the way option pages validate.
class name_dialog : public QDialog {
 public:
  name_dialog() {
    setWindowTitle("Name");
    edit_ = new QLineEdit(this);
    edit_->setObjectName("id_395");
    ok_ = new QPushButton("OK", this);
    ok_->setObjectName("id_1");
    connect(ok_, &QPushButton::clicked, this, [this] {
      if (edit_->text().trimmed().isEmpty())
        ui::instance().message_box(this, "You need to enter a name!", "Error", MB_OK | MB_ICONERROR);
      else
        accept();
    });
  }
  QLineEdit* edit_;
  QPushButton* ok_;
};

TEST(scripted_ui, acts_on_the_live_dialog_and_answers_its_own_message_boxes) {
  scripted_ui script;
  script.expect_modal([&script](QDialog& dialog) {
    EXPECT_TRUE(dialog.isVisible());
    auto* ok = dialog.findChild<QPushButton*>("id_1");
    script.expect_message(IDOK);
    ok->click();  // empty name: the dialog complains and stays open
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QLineEdit*>("id_395")->setText("  Dark  ");
    ok->click();
  });
  name_dialog dialog;
  EXPECT_EQ(ui::instance().run_modal(dialog), IDOK);
  ASSERT_EQ(script.interactions().size(), 2u);
  EXPECT_EQ(script.interactions()[0].kind, interaction_kind::modal);
  EXPECT_EQ(script.interactions()[0].caption, "Name");
  EXPECT_EQ(script.messages().at(0).text, "You need to enter a name!");
}

TEST(scripted_ui, pickers_answer_or_cancel) {
  scripted_ui script;
  script.expect_save_file(QStringLiteral("/tmp/session.log"));
  script.expect_open_files(std::nullopt);
  script.expect_color(QColor(0x12, 0x34, 0x56));
  script.expect_font(std::nullopt);
  EXPECT_EQ(ui::instance().pick_save_file(nullptr, "", "host.log", "Log Files (*.log)", "log"),
            QStringLiteral("/tmp/session.log"));
  EXPECT_FALSE(ui::instance().pick_open_files(nullptr, "", "/tmp", ""));
  EXPECT_EQ(ui::instance().pick_color(nullptr, Qt::black), QColor(0x12, 0x34, 0x56));
  EXPECT_FALSE(ui::instance().pick_font(nullptr, QFont("Monospace"), true));
  EXPECT_EQ(script.interactions()[0].text, "host.log");
  EXPECT_EQ(script.interactions()[0].filter, "Log Files (*.log)");
  EXPECT_EQ(script.interactions()[3].style, 1u);
}

TEST(scripted_ui, fails_on_an_unexpected_a_wrong_or_a_leftover_interaction) {
  EXPECT_NONFATAL_FAILURE(
      {
        scripted_ui script;
        EXPECT_EQ(ui::instance().message_box(nullptr, "surprise", "Confirm", MB_YESNO), IDCANCEL);
      },
      "unexpected message box");
  EXPECT_NONFATAL_FAILURE(
      {
        scripted_ui script;
        script.expect_folder(std::nullopt);
        ui::instance().message_box(nullptr, "text", "", MB_OK);
        ui::instance().pick_folder(nullptr, "", "");  // the expectation stays for its own kind
      },
      "expected folder picker, got message box");
  EXPECT_NONFATAL_FAILURE(
      {
        scripted_ui script;
        script.expect_message(IDOK);
      },
      "expected message box never came");
  EXPECT_NONFATAL_FAILURE(
      {
        scripted_ui script;
        script.expect_modal([](QDialog&) {});
        QDialog dialog;
        dialog.setWindowTitle("Stays");
        EXPECT_EQ(ui::instance().run_modal(dialog), IDCANCEL);
        EXPECT_FALSE(dialog.isVisible());
      },
      "left the dialog \"Stays\" open");
}

TEST(scripted_ui, puts_the_previous_ui_back) {
  ui* real = &ui::instance();
  {
    scripted_ui script;
    EXPECT_NE(&ui::instance(), real);
  }
  EXPECT_EQ(&ui::instance(), real);
}

}  // namespace
