// The button bar pane: where the row puts its controls, pressing buttons into the active
// terminal view's send queue, the overflow menu, the context menu's enabling and commands
// answered through the scripted ui, and the settings they change.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "config/button_bar_param.h"
#include "config/configuration.h"
#include "scripting/CButtonBar.h"
#include "scripting/CNewButtonDlg.h"
#include "scripting/CNewCategoryDlg.h"
#include "scripting/button_icons.h"
#include "scripting/button_row.h"
#include "settings/controls/CIconButton.h"
#include "settings/controls/control_look.h"
#include "terminal/send_queue.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_folder.h"
#include "tests/terminal/terminal_view_fixture.h"

namespace {

TEST(ButtonRow, EverythingFitsWithoutOverflow) {
  const button_row row = layout_button_row(QRect(0, 0, 600, 36), 22, 100, QSize(30, 26), {{50, 26}, {50, 26}, {60, 20}});
  EXPECT_EQ(row.combo, QRect(7, 7, 100, 22));
  EXPECT_FALSE(row.overflow_shown);
  EXPECT_EQ(row.first_hidden, -1);
  EXPECT_EQ(row.buttons, (std::vector<QRect>{{114, 5, 50, 26}, {164, 5, 50, 26}, {214, 8, 60, 20}}));
}

TEST(ButtonRow, OverflowTakesTheRightEndAndTheFirstMisfitHidesTheRest) {
  const button_row row = layout_button_row(QRect(0, 0, 250, 36), 22, 100, QSize(30, 26), {{50, 26}, {80, 26}, {10, 26}});
  EXPECT_TRUE(row.overflow_shown);
  EXPECT_EQ(row.overflow, QRect(225, 5, 20, 26));
  EXPECT_EQ(row.first_hidden, 1);
  EXPECT_EQ(row.buttons, (std::vector<QRect>{{114, 5, 50, 26}, {}, {}}));
}

TEST(ButtonRow, NoButtons) {
  const button_row row = layout_button_row(QRect(0, 0, 300, 30), 22, 100, QSize(30, 26), {});
  EXPECT_FALSE(row.overflow_shown);
  EXPECT_TRUE(row.buttons.empty());
}

class ButtonBarTest : public view_test::terminal_view_test {
 protected:
  void SetUp() override {
    terminal_view_test::SetUp();
    store = std::make_unique<configuration>(folder.file("Tessary.conf"), clock);
  }
  void TearDown() override {
    pane.reset();
    terminal_view_test::TearDown();
  }

  button_bar_param& bar() { return *store->button_bar; }
  void add(const std::u16string& label, const std::u16string& script, int32_t icon = 0) {
    ASSERT_TRUE(bar().add_button(label, icon, u"tip " + label, script, nullptr));
  }
  void add_category(const std::u16string& name) {
    bar().categories.push_back(std::make_unique<button_category>());
    bar().categories.back()->name = name;
  }
  CButtonBar& make_pane(int width = 800) {
    pane = std::make_unique<CButtonBar>(nullptr, store.get());
    pane->resize(width, 40);
    pane->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
    return *pane;
  }
  CIconButton* control(size_t index, size_t category = 0) {
    return static_cast<CIconButton*>(bar().categories[category]->buttons[index]->control.data());
  }
  void press(QWidget* button) { QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(3, 3)); }
  // Opens the context menu at a point of the pane's client area and closes it again.
  void context_menu_at(QPoint local) {
    pane->OnContextMenu(pane->m_wndClient->mapToGlobal(local));
    pane->m_menuContext->hide();
  }
  bool enabled(int id) {
    for (QAction* action : pane->m_menuContext->actions())
      if (action->data().toInt() == id) return action->isEnabled();
    ADD_FAILURE() << "no command " << id;
    return false;
  }
  std::vector<QString> overflow_entries() {
    std::vector<QString> texts;
    for (QAction* action : pane->m_menuOverflow->actions()) texts.push_back(action->text());
    return texts;
  }
  // Runs a command on the button at `index` of the shown category, as its context menu does.
  void command_on(int id, size_t index) {
    context_menu_at(control(index, static_cast<size_t>(bar().active_category))->geometry().center());
    pane->OnCommand(id);
  }

  test_support::temp_folder folder;
  test_support::fake_clock clock;
  std::unique_ptr<configuration> store;
  std::unique_ptr<CButtonBar> pane;
};

TEST_F(ButtonBarTest, PaneShowsTheActiveCategoryAndHidesWhatDoesNotFit) {
  for (const char16_t* label : {u"one", u"two", u"three", u"four"}) add(label, u"x");
  add_category(u"other");
  bar().active_category = 1;
  add(u"elsewhere", u"y");
  bar().active_category = 0;
  make_pane(900);
  EXPECT_EQ(pane->m_wndCategory->count(), 2);
  EXPECT_EQ(pane->m_wndCategory->currentText(), "Default");
  EXPECT_FALSE(pane->m_wndOverflow->isVisible());
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(control(i)->isVisible()) << i;
  EXPECT_FALSE(control(0, 1)->isVisible());
  EXPECT_EQ(control(0)->m_strCaption, "one");
  EXPECT_EQ(control(1)->toolTip(), "tip two");
  EXPECT_EQ(control(1)->geometry().left(), control(0)->geometry().right() + 1);  // they touch

  // Room for about two buttons: the rest go to the ">>" menu, in order.
  const int two = control(2)->geometry().left();
  pane->resize(two + pane->m_wndOverflow->CalcIdealRect().width() + 5, 40);
  QCoreApplication::processEvents();
  EXPECT_TRUE(pane->m_wndOverflow->isVisible());
  EXPECT_EQ(pane->m_nFirstHidden, 2);
  EXPECT_TRUE(control(1)->isVisible());
  EXPECT_FALSE(control(2)->isVisible());
  press(pane->m_wndOverflow);
  EXPECT_EQ(overflow_entries(), (std::vector<QString>{"three", "four"}));
  pane->m_menuOverflow->hide();
}

TEST_F(ButtonBarTest, PressingAButtonTypesItsExpansionIntoTheActiveTerminal) {
  add(u"greet", u"echo <% nprint(6*7) %>\r\n<%\r\nprint('x')\r\n%>");
  add(u"broken", u"<% error('no') %>");
  add(u"empty", u"<% %>");
  make_pane();
  press(control(0));  // no session open: nothing happens
  open();
  set_state(state_connected);
  frame.active = view.get();
  press(control(0));
  EXPECT_EQ(sent(), "echo 42\nx\n");
  press(control(1));
  EXPECT_EQ(sent(), "");

  // An empty expansion is still one item in the queue; a full queue drops the text.
  press(control(2));
  int accepted = 0;
  while (view->SendQueue().push(send_item::one_byte('z'))) ++accepted;
  EXPECT_EQ(accepted, send_queue::capacity - 1);
  press(control(0));
  EXPECT_EQ(sent(), std::string(send_queue::capacity - 1, 'z'));
}

// A press that sends nothing tells why on the status bar: no terminal in front, a terminal whose
// session is not connected (also while it connects: nothing is kept for later), or a template
// that failed, named by the first line of Lua's message.
TEST_F(ButtonBarTest, APressThatSendsNothingSaysWhyOnTheStatusBar) {
  add(u"good", u"uptime\r\n");
  add(u"undefined", u"<% nprint('x' .. undefinedvar) %>");
  add(u"two lines", u"before <% error('first line\\nsecond line', 0) %>");
  make_pane();
  open();
  struct press_case {
    size_t button;
    bool terminal_in_front;
    connection_state state;
    QString note;
  };
  const press_case cases[] = {
      {0, false, state_connected, session_frame::no_terminal_message},
      {1, false, state_connected, session_frame::no_terminal_message},
      {0, true, state_disconnected, session_frame::not_connected_message},
      {0, true, state_connecting, session_frame::not_connected_message},
      {1, true, state_disconnected, session_frame::not_connected_message},
      {1, true, state_connected,
       "Run script failed! [string \" nprint('x' .. undefinedvar) \"]:1: attempt to concatenate a nil value "
       "(global 'undefinedvar')"},
      {2, true, state_connected, "Run script failed! first line"},
  };
  for (const press_case& c : cases) {
    frame.active = c.terminal_in_front ? view.get() : nullptr;
    set_state(c.state);
    frame.notes.clear();
    press(control(c.button));
    EXPECT_EQ(frame.notes, (std::vector<QString>{c.note})) << c.button;
    frame.active = view.get();
    EXPECT_EQ(sent(), "") << c.button;
  }
  // A press that sends leaves no note.
  set_state(state_connected);
  frame.notes.clear();
  press(control(0));
  EXPECT_EQ(sent(), "uptime\n");
  EXPECT_TRUE(frame.notes.empty());
}

TEST_F(ButtonBarTest, OverflowEntriesPastTheHundredthRun) {
  for (int i = 0; i < 150; ++i) {
    const std::string n = std::to_string(i);
    add(u"b" + std::u16string(n.begin(), n.end()), u"<% nprint(" + std::u16string(n.begin(), n.end()) + u") %>");
  }
  make_pane(400);
  open();
  set_state(state_connected);
  frame.active = view.get();
  press(pane->m_wndOverflow);
  const std::vector<QString> entries = overflow_entries();
  ASSERT_EQ(entries.size(), static_cast<size_t>(150 - pane->m_nFirstHidden));
  EXPECT_EQ(entries.back(), "b149");
  pane->m_menuOverflow->actions().back()->trigger();
  pane->m_menuOverflow->actions()[static_cast<qsizetype>(120 - pane->m_nFirstHidden)]->trigger();
  pane->m_menuOverflow->hide();
  EXPECT_EQ(sent(), "149120");
}

TEST_F(ButtonBarTest, ContextMenuEnablesWhatTheCursorAndTheCopyAllow) {
  add(u"one", u"1");
  add(u"two", u"2");
  add(u"three", u"3");
  make_pane(900);
  context_menu_at(QPoint(pane->m_wndClient->width() - 3, 3));  // an empty part of the pane
  for (int id : {CButtonBar::ID_EDIT_BUTTON, CButtonBar::ID_MOVE_BUTTON_LEFT, CButtonBar::ID_MOVE_BUTTON_RIGHT,
                 CButtonBar::ID_DELETE_BUTTON, CButtonBar::ID_COPY_BUTTON, CButtonBar::ID_PASTE_BUTTON,
                 CButtonBar::ID_EDIT_CATEGORY, CButtonBar::ID_DELETE_CATEGORY})
    EXPECT_FALSE(enabled(id)) << id;
  EXPECT_TRUE(enabled(CButtonBar::ID_NEW_BUTTON));
  EXPECT_TRUE(enabled(CButtonBar::ID_NEW_CATEGORY));
  EXPECT_EQ(pane->m_nContextButton, -1);

  command_on(CButtonBar::ID_COPY_BUTTON, 1);
  EXPECT_EQ(pane->m_nContextButton, 1);
  EXPECT_TRUE(enabled(CButtonBar::ID_EDIT_BUTTON));
  EXPECT_FALSE(store->save_pending());  // copying changes nothing
  context_menu_at(QPoint(pane->m_wndClient->width() - 3, 3));
  EXPECT_TRUE(enabled(CButtonBar::ID_PASTE_BUTTON));

  // A button hidden by a narrower pane keeps its old rectangle, but is not under the cursor.
  const QPoint where_three_was = control(2)->geometry().center();
  pane->resize(control(2)->geometry().left() + 2, 40);
  QCoreApplication::processEvents();
  ASSERT_FALSE(control(2)->isVisible());
  ASSERT_EQ(control(2)->geometry().center(), where_three_was);
  context_menu_at(where_three_was);
  EXPECT_EQ(pane->m_nContextButton, -1);
}

TEST_F(ButtonBarTest, NewAndEditButtonGoThroughTheEditor) {
  make_pane();
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    auto& editor = dynamic_cast<CNewButtonDlg&>(dialog);
    EXPECT_FALSE(editor.m_wndOk->isEnabled());
    editor.m_wndLabel->setText(" list ");
    editor.m_wndTooltip->setText("long listing");
    editor.m_wndScript->setPlainText("ls -l\n");
    editor.m_wndIcon->setCurrentIndex(3);
    editor.accept();
  });
  pane->OnCommand(CButtonBar::ID_NEW_BUTTON);
  ASSERT_EQ(bar().categories[0]->buttons.size(), 1u);
  const button_item& made = *bar().categories[0]->buttons[0];
  EXPECT_EQ(made.label, u" list ");
  EXPECT_EQ(made.tooltip, u"long listing");
  EXPECT_EQ(made.script, u"ls -l\r\n");
  EXPECT_EQ(made.icon_index, 3);
  ASSERT_NE(control(0), nullptr);
  EXPECT_TRUE(control(0)->isVisible());
  EXPECT_EQ(control(0)->m_strCaption, " list ");
  EXPECT_EQ(control(0)->toolTip(), "long listing");
  EXPECT_TRUE(store->save_pending());

  ui.expect_modal([](QDialog& dialog) {
    auto& editor = dynamic_cast<CNewButtonDlg&>(dialog);
    EXPECT_EQ(editor.m_wndLabel->text(), " list ");
    EXPECT_EQ(editor.m_wndScript->toPlainText(), "ls -l\n");
    EXPECT_EQ(editor.m_wndIcon->currentIndex(), 3);
    editor.m_wndLabel->setText("ll");
    editor.accept();
  });
  command_on(CButtonBar::ID_EDIT_BUTTON, 0);
  EXPECT_EQ(made.label, u"ll");
  EXPECT_EQ(made.script, u"ls -l\r\n");
  EXPECT_EQ(control(0)->m_strCaption, "ll");

  // Cancel changes nothing.
  ui.expect_modal([](QDialog& dialog) { dialog.reject(); });
  pane->OnCommand(CButtonBar::ID_NEW_BUTTON);
  EXPECT_EQ(bar().categories[0]->buttons.size(), 1u);
}

TEST_F(ButtonBarTest, IconOutsideTheTableShowsTheFirstAndKeepsItsValue) {
  add(u"odd", u"", 7);
  add(u"negative", u"", -1);
  make_pane();
  const QImage first = button_icon(0).pixmap(button_icon_size).toImage();
  EXPECT_EQ(control(0)->m_hIcon.toImage(), first);
  EXPECT_EQ(control(1)->m_hIcon.toImage(), first);
  EXPECT_NE(button_icon(3).pixmap(button_icon_size).toImage(), first);

  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    auto& editor = dynamic_cast<CNewButtonDlg&>(dialog);
    EXPECT_EQ(editor.m_wndIcon->currentIndex(), 0);
    editor.m_wndTooltip->setText("t");
    editor.accept();
  });
  command_on(CButtonBar::ID_EDIT_BUTTON, 0);
  EXPECT_EQ(bar().categories[0]->buttons[0]->icon_index, 7);
  EXPECT_EQ(bar().categories[0]->buttons[0]->tooltip, u"t");
}

TEST_F(ButtonBarTest, MoveDeleteCopyAndPaste) {
  add(u"a", u"1");
  add(u"b", u"2");
  add(u"c", u"3");
  add_category(u"net");
  make_pane(900);
  auto labels = [this](size_t category) {
    std::u16string text;
    for (const auto& button : bar().categories[category]->buttons) text += button->label;
    return text;
  };

  command_on(CButtonBar::ID_MOVE_BUTTON_LEFT, 0);
  command_on(CButtonBar::ID_MOVE_BUTTON_RIGHT, 2);
  EXPECT_EQ(labels(0), u"abc");
  EXPECT_FALSE(store->save_pending());
  command_on(CButtonBar::ID_MOVE_BUTTON_RIGHT, 0);
  EXPECT_EQ(labels(0), u"bac");
  EXPECT_LT(control(0)->geometry().left(), control(1)->geometry().left());
  EXPECT_TRUE(store->save_pending());

  // A copy pasted into another category.
  command_on(CButtonBar::ID_COPY_BUTTON, 2);
  pane->m_wndCategory->setCurrentIndex(1);
  emit pane->m_wndCategory->activated(1);
  EXPECT_EQ(bar().active_category, 1);
  EXPECT_FALSE(control(0)->isVisible());
  pane->OnCommand(CButtonBar::ID_PASTE_BUTTON);
  EXPECT_EQ(labels(1), u"c");
  EXPECT_EQ(bar().categories[1]->buttons[0]->script, u"3");
  EXPECT_TRUE(control(0, 1)->isVisible());

  // Deleting asks; No keeps the button, Yes removes it with its window and its copy.
  pane->m_wndCategory->setCurrentIndex(0);
  emit pane->m_wndCategory->activated(0);
  test_support::scripted_ui ui;
  ui.expect_message(platform::IDNO);
  command_on(CButtonBar::ID_DELETE_BUTTON, 2);
  EXPECT_EQ(labels(0), u"bac");
  QPointer<CIconButton> doomed = control(2);
  ui.expect_message(platform::IDYES);
  command_on(CButtonBar::ID_DELETE_BUTTON, 2);
  EXPECT_EQ(labels(0), u"ba");
  EXPECT_TRUE(doomed.isNull());
  ASSERT_EQ(ui.messages().size(), 2u);
  EXPECT_EQ(ui.messages()[0].text, "Are you sure to delete this BUTTON?");
  EXPECT_EQ(ui.messages()[0].caption, "Confirm");
  EXPECT_EQ(ui.messages()[0].style, platform::MB_YESNO | platform::MB_ICONQUESTION);
  EXPECT_EQ(pane->m_pCopiedButton, nullptr);
  pane->OnCommand(CButtonBar::ID_PASTE_BUTTON);
  EXPECT_EQ(labels(0), u"ba");
  context_menu_at(QPoint(pane->m_wndClient->width() - 3, 3));
  EXPECT_FALSE(enabled(CButtonBar::ID_PASTE_BUTTON));
}

TEST_F(ButtonBarTest, CategoriesAreMadeRenamedAndDeleted) {
  add(u"home", u"");
  make_pane();
  context_menu_at(QPoint(pane->m_wndClient->width() - 3, 3));
  EXPECT_FALSE(enabled(CButtonBar::ID_EDIT_CATEGORY));
  EXPECT_FALSE(enabled(CButtonBar::ID_DELETE_CATEGORY));
  command_on(CButtonBar::ID_COPY_BUTTON, 0);
  test_support::scripted_ui ui;
  auto name_it = [&ui](const QString& name) {
    ui.expect_modal([name](QDialog& dialog) {
      auto* edit = dialog.findChild<QLineEdit*>("id_1015");
      ASSERT_NE(edit, nullptr);
      edit->setText(name);
      dialog.accept();
    });
  };
  name_it("Default");
  ui.expect_message(platform::IDOK);
  pane->OnCommand(CButtonBar::ID_NEW_CATEGORY);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "This name is not allowed!");
  EXPECT_EQ(ui.messages()[0].caption, "Error");
  EXPECT_EQ(ui.messages()[0].style, platform::MB_OK | platform::MB_ICONERROR);
  EXPECT_EQ(bar().categories.size(), 1u);
  EXPECT_EQ(pane->m_wndCategory->count(), 1);

  name_it("  default ");
  pane->OnCommand(CButtonBar::ID_NEW_CATEGORY);
  ASSERT_EQ(bar().categories.size(), 2u);
  EXPECT_EQ(bar().categories[1]->name, u"default");
  EXPECT_EQ(bar().active_category, 1);
  EXPECT_EQ(pane->m_wndCategory->currentText(), "default");
  EXPECT_FALSE(control(0)->isVisible());
  context_menu_at(QPoint(pane->m_wndClient->width() - 3, 3));
  EXPECT_TRUE(enabled(CButtonBar::ID_EDIT_CATEGORY));
  EXPECT_TRUE(enabled(CButtonBar::ID_DELETE_CATEGORY));

  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_1015")->text(), "default");
    dialog.findChild<QLineEdit*>("id_1015")->setText("net");
    dialog.accept();
  });
  pane->OnCommand(CButtonBar::ID_EDIT_CATEGORY);
  EXPECT_EQ(bar().categories[1]->name, u"net");
  EXPECT_EQ(pane->m_wndCategory->itemText(1), "net");
  EXPECT_EQ(pane->m_wndCategory->currentIndex(), 1);

  // Deleting the shown category asks, then shows category 0 with its buttons.
  pane->OnCommand(CButtonBar::ID_PASTE_BUTTON);
  QPointer<CIconButton> pasted = control(0, 1);
  ASSERT_FALSE(pasted.isNull());
  command_on(CButtonBar::ID_COPY_BUTTON, 0);
  ui.expect_message(platform::IDNO);
  pane->OnCommand(CButtonBar::ID_DELETE_CATEGORY);
  EXPECT_EQ(bar().categories.size(), 2u);
  ui.expect_message(platform::IDYES);
  pane->OnCommand(CButtonBar::ID_DELETE_CATEGORY);
  EXPECT_EQ(ui.messages().back().text, "Are you sure to delete current category?");
  EXPECT_EQ(ui.messages().back().caption, "Confirm");
  ASSERT_EQ(bar().categories.size(), 1u);
  EXPECT_EQ(bar().active_category, 0);
  EXPECT_EQ(pane->m_wndCategory->count(), 1);
  EXPECT_EQ(pane->m_wndCategory->currentText(), "Default");
  EXPECT_TRUE(control(0)->isVisible());
  EXPECT_TRUE(pasted.isNull());
  EXPECT_EQ(pane->m_pCopiedButton, nullptr);
}

}  // namespace
