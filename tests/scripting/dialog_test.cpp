// The `dialog` function: where the form puts its fields, how the Lua table is read, the OK rule,
// and what the script gets back; the form is answered through the scripted ui.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "scripting/CDialogForm.h"
#include "scripting/dialog_layout.h"
#include "scripting/script_runner.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(DialogLayout, ColumnsAreAddedWhileTheFormIsNotWiderThanTall) {
  // At 96 DPI with a frame of 16 x 39 px.
  const dialog_layout six(6, 96, 96, 16, 39);
  EXPECT_EQ(six.columns(), 1);
  EXPECT_EQ(six.window_size(), QSize(235, 223));
  const dialog_layout seven(7, 96, 96, 16, 39);
  EXPECT_EQ(seven.columns(), 2);
  EXPECT_EQ(seven.window_size(), QSize(460, 173));
  // Four items in the first column, three in the second.
  EXPECT_EQ(seven.label_rect(3), QRect(7, 82, 80, 20));
  EXPECT_EQ(seven.label_rect(4), QRect(232, 7, 80, 20));
  EXPECT_EQ(seven.control_rect(4), QRect(317, 7, 120, 20));
  EXPECT_EQ(seven.label_rect(6), QRect(232, 57, 80, 20));
  const dialog_layout none(0, 96, 96, 16, 39);
  EXPECT_EQ(none.columns(), 1);
  EXPECT_EQ(none.window_size(), QSize(235, 73));
  EXPECT_EQ(none.ok_rect(QSize(219, 34)), QRect(85, 7, 60, 20));
  EXPECT_EQ(none.cancel_rect(QSize(219, 34)), QRect(152, 7, 60, 20));
}

TEST(DialogLayout, DistancesFollowTheScreenDpi) {
  const dialog_layout layout(1, 144, 120);
  EXPECT_EQ(layout.margin, 11);  // 10.5 rounds up
  EXPECT_EQ(layout.label_width, 120);
  EXPECT_EQ(layout.control_width, 180);
  EXPECT_EQ(layout.row_height, 25);
  EXPECT_EQ(layout.row_gap, 6);
  EXPECT_EQ(layout.button_width, 90);
  // Many items spread over many columns, and every item gets a place inside the form.
  const dialog_layout wide(40, 96, 96);
  EXPECT_GT(wide.columns(), 1);
  EXPECT_LT(wide.window_size().height(), wide.window_size().width());
  for (int i = 0; i < 40; ++i)
    EXPECT_TRUE(QRect(QPoint(0, 0), wide.window_size()).contains(wide.control_rect(i))) << i;
}

struct expansion {
  int status;
  std::string text;
};

expansion expand(const std::string& text) {
  script_runner& runner = script_runner::instance();
  std::string result;
  const int status = runner.expand_template(nullptr, text, result);
  return {status, status == 0 ? result : runner.error};
}

CDialogForm& form_of(QDialog& dialog) {
  auto* form = dynamic_cast<CDialogForm*>(&dialog);
  EXPECT_NE(form, nullptr);
  return *form;
}

QPushButton* ok_button(QDialog& dialog) { return dialog.findChild<QPushButton*>("id_1"); }

TEST(ScriptDialog, WrongArgumentsRaiseTheirErrors) {
  test_support::scripted_ui ui;
  for (const char* call : {"dialog()", "dialog({}, {})"}) {
    const expansion got = expand(std::string("<% ") + call + " %>");
    EXPECT_EQ(got.status, -1);
    EXPECT_NE(got.text.find("dialog function require one table parameter!"), std::string::npos) << got.text;
  }
  const expansion text_argument = expand("<% dialog('x') %>");
  EXPECT_NE(text_argument.text.find("bad argument #1 to 'dialog' (table expected, got string)"), std::string::npos)
      << text_argument.text;
  const expansion no_items = expand("<% dialog{title = 't'} %>");
  EXPECT_NE(no_items.text.find("attempt to get length of a nil value"), std::string::npos) << no_items.text;
  const expansion bad_entry = expand("<% dialog{items = {5}} %>");
  EXPECT_EQ(bad_entry.status, -1);
  EXPECT_NE(bad_entry.text.find("attempt to index a number value"), std::string::npos) << bad_entry.text;
  EXPECT_EQ(ui.interactions().size(), 0u);
}

TEST(ScriptDialog, EmptyFormHasOnlyOkAndCancel) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Empty");
    EXPECT_TRUE(form_of(dialog).controls().empty());
    EXPECT_TRUE(dialog.findChildren<QLabel*>().isEmpty());
    ASSERT_NE(ok_button(dialog), nullptr);
    EXPECT_TRUE(ok_button(dialog)->isEnabled());
    QTest::mouseClick(ok_button(dialog), Qt::LeftButton);
  });
  EXPECT_EQ(expand("<% local n = 0 for k in pairs(_G) do n = n + 1 end"
                   " nprint(tostring(dialog{title = 'Empty', items = {}})) for k in pairs(_G) do n = n - 1 end"
                   " nprint(' ', n) %>")
                .text,
            "true 0");
}

TEST(ScriptDialog, FieldsAreReadInOrderAndOddEntriesLeftOut) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    CDialogForm& form = form_of(dialog);
    ASSERT_EQ(form.controls().size(), 5u);
    QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 5);
    EXPECT_EQ(labels[0]->text(), "Host");
    EXPECT_EQ(labels[1]->text(), "12");
    EXPECT_EQ(labels[2]->text(), "");
    auto* edit = qobject_cast<QLineEdit*>(form.controls()[0]);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "  router  ");
    auto* dropdown = qobject_cast<QComboBox*>(form.controls()[1]);
    ASSERT_NE(dropdown, nullptr);
    EXPECT_TRUE(dropdown->isEditable());
    EXPECT_EQ(dropdown->count(), 3);  // the table entry among the options is skipped
    EXPECT_EQ(dropdown->currentIndex(), 2);  // the last option equal to the default
    auto* droplist = qobject_cast<QComboBox*>(form.controls()[2]);
    ASSERT_NE(droplist, nullptr);
    EXPECT_FALSE(droplist->isEditable());
    EXPECT_EQ(droplist->currentText(), "a");  // the default is not an option: the first one
    auto* empty = qobject_cast<QComboBox*>(form.controls()[3]);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->currentIndex(), -1);
    auto* numbered = qobject_cast<QLineEdit*>(form.controls()[4]);
    ASSERT_NE(numbered, nullptr);
    numbered->setText("x");
    QTest::mouseClick(ok_button(dialog), Qt::LeftButton);
  });
  const expansion got = expand(
      "<% local r = dialog{title = 7, items = {"
      "  {id = 'host', type = 'edit', label = 'Host', default = '  router  '},"
      "  {id = 'speed', type = 'dropdown', label = 12, options = {'1', {}, '2', '1'}, default = '1'},"
      "  {id = 'kind', type = 'droplist', options = {'a', 'b'}, default = 'c'},"
      "  {id = 'capital', type = 'Edit'},"
      "  {type = 'edit'},"
      "  {id = {}, type = 'edit'},"
      "  {id = 'none', type = 'droplist'},"
      "  {id = 3, type = 'edit', label = true}}}"
      " print(r, host, speed, kind, capital, none, _G['3']) %>");
  EXPECT_EQ(got.status, 0) << got.text;
  // Values are stored trimmed; a one-character entry whole.
  EXPECT_EQ(got.text, "true\trouter\t1\ta\tnil\t\tx\n");
  ASSERT_EQ(ui.interactions().size(), 1u);
}

TEST(ScriptDialog, RequiredFieldKeepsOkDisabledWhileBlank) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    CDialogForm& form = form_of(dialog);
    auto* required = qobject_cast<QLineEdit*>(form.controls()[0]);
    ASSERT_NE(required, nullptr);
    EXPECT_FALSE(ok_button(dialog)->isEnabled());
    QTest::keyClicks(required, "   ");
    EXPECT_FALSE(ok_button(dialog)->isEnabled());
    QTest::keyClick(required, Qt::Key_Return);  // the default button is disabled: nothing happens
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClicks(required, "n ");
    EXPECT_FALSE(ok_button(dialog)->isEnabled());  // the combo box is required too
    auto* choice = qobject_cast<QComboBox*>(form.controls()[1]);
    choice->setEditText("b");
    EXPECT_TRUE(ok_button(dialog)->isEnabled());
    choice->setEditText(" ");
    EXPECT_FALSE(ok_button(dialog)->isEnabled());
    QTest::keyClicks(choice, "b");
    EXPECT_TRUE(ok_button(dialog)->isEnabled());
    QTest::keyClick(required, Qt::Key_Return);
  });
  EXPECT_EQ(expand("<% print(dialog{items = {{id = 'name', type = 'edit', require = 1},"
                   " {id = 'c', type = 'dropdown', require = true}, {id = 'free', type = 'edit', require = false}}},"
                   " name, c, free) %>")
                .text,
            "true\tn\tb\t\n");
}

TEST(ScriptDialog, CancelReturnsFalseAndSetsNothing) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    qobject_cast<QLineEdit*>(form_of(dialog).controls()[0])->setText("typed");
    dialog.reject();
  });
  EXPECT_EQ(expand("<% name = 'kept' print(dialog{items = {{id = 'name', type = 'edit'}}}, name) %>").text,
            "false\tkept\n");
}

TEST(ScriptDialog, LaterItemWithTheSameIdWins) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) { QTest::mouseClick(ok_button(dialog), Qt::LeftButton); });
  EXPECT_EQ(expand("<% dialog{items = {{id = 'v', type = 'edit', default = 'first'},"
                   " {id = 'v', type = 'edit', default = 'second'}}} nprint(v) %>")
                .text,
            "second");
}

TEST(ScriptDialog, ErrorWhileStoringTheValuesFailsTheExpansion) {
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) { QTest::mouseClick(ok_button(dialog), Qt::LeftButton); });
  const expansion got = expand(
      "<% setmetatable(_G, {__newindex = function() error('read only', 0) end})"
      " dialog{items = {{id = 'v', type = 'edit'}}} %>");
  EXPECT_EQ(got.status, -1);
  EXPECT_EQ(got.text, "read only");
}

TEST(ScriptDialog, FormIsOwnedByTheRunnersParentAndRefusesANestedExpansion) {
  test_support::scripted_ui ui;
  QWidget owner;
  ui.expect_modal([&](QDialog& dialog) {
    EXPECT_EQ(dialog.parentWidget(), &owner);
    std::string nested = "untouched";
    EXPECT_EQ(script_runner::instance().expand_template(&owner, "<% nprint(1) %>", nested), -1);
    EXPECT_EQ(nested, "untouched");
    EXPECT_EQ(script_runner::instance().error, "another script is still running");
    QTest::mouseClick(ok_button(dialog), Qt::LeftButton);
  });
  std::string result;
  EXPECT_EQ(script_runner::instance().expand_template(&owner, "<% nprint(dialog{items = {}}) %>!", result), 0);
  EXPECT_EQ(result, "true!");
}

}  // namespace
