// Global Options driven through its controls: the category tree and caption, each page's load,
// edit and validation, OK storing only the modified pages with one deferred save, and Cancel
// storing nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include "platform/clock.h"
#include "settings/CAnsiColorDlg.h"
#include "settings/CColorSchemeDlg.h"
#include "settings/CCommonOptionsDlg.h"
#include "settings/CDefaultSessionDlg.h"
#include "settings/COptionsDlg.h"
#include "settings/CTerminalAppearanceDlg.h"
#include "settings/CTerminalOptDlg.h"
#include "settings/controls/CCaption.h"
#include "settings/controls/CCursorSample.h"
#include "tests/settings/settings_fixture.h"

namespace settings_test {
namespace {

class GlobalOptions : public OptionsDialogTest {};

TEST_F(GlobalOptions, CategoriesShowOnePageUnderTheirCaption) {
  EXPECT_EQ(dialog->windowTitle(), "Global Options");
  QTreeWidgetItem* common = category("Common");
  ASSERT_NE(common, nullptr);
  EXPECT_EQ(tree()->currentItem(), common);
  EXPECT_EQ(shown_page(), static_cast<QWidget*>(dialog->m_pCommon));
  EXPECT_EQ(on<CCaption>(375)->text(), "Common");
  // Common > Default Sessions; Terminal > Appearance > ANSI Color, Color Scheme; all expanded.
  EXPECT_EQ(category("Default Sessions")->parent(), common);
  EXPECT_EQ(category("Appearance")->parent(), category("Terminal"));
  QTreeWidgetItem* appearance = category("Appearance");
  ASSERT_EQ(appearance->childCount(), 2);
  EXPECT_EQ(appearance->child(0)->text(0), "ANSI Color");
  EXPECT_EQ(appearance->child(1)->text(0), "Color Scheme");
  EXPECT_TRUE(appearance->isExpanded());
  EXPECT_TRUE(common->isExpanded());

  const std::pair<QString, COptDialog*> pages[] = {
      {"Color Scheme", dialog->m_pColorScheme},
      {"Terminal", dialog->m_pTerminal},
      {"Default Sessions", dialog->m_pDefaultSession},
  };
  for (const auto& [label, page] : pages) {
    tree()->setCurrentItem(category(label));
    EXPECT_EQ(on<CCaption>(375)->text(), label);
    EXPECT_EQ(shown_page(), page);
  }
}

TEST_F(GlobalOptions, OkWithoutChangesStoresNothing) {
  for (COptDialog* page : dialog->m_pages) EXPECT_FALSE(page->m_bModified);
  press_ok();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(settings.save_pending());
}

TEST_F(GlobalOptions, CommonSwitchesAreStoredOnOkOnly) {
  EXPECT_TRUE(on<QCheckBox>(411)->isChecked());
  on<QCheckBox>(411)->click();
  on<QCheckBox>(412)->click();
  EXPECT_TRUE(settings.common_options->close_confirm);  // nothing before OK
  press_ok();
  EXPECT_FALSE(settings.common_options->close_confirm);
  EXPECT_TRUE(settings.common_options->disconnect_confirm);
  EXPECT_FALSE(settings.common_options->reconnect_confirm);
  EXPECT_TRUE(settings.save_pending());
  // The tree keeps its shape: the default sessions are still the section's child.
  ASSERT_EQ(settings.common_options->children.size(), 1u);
  EXPECT_EQ(settings.common_options->children[0], settings.default_session);
}

TEST_F(GlobalOptions, CancelStoresNothing) {
  on<QCheckBox>(413)->click();
  type_into(on<QLineEdit>(402), "42");
  dialog->reject();
  EXPECT_TRUE(settings.common_options->disconnect_confirm);
  EXPECT_EQ(settings.terminal_options->lines, 5u);
  EXPECT_FALSE(settings.save_pending());
}

TEST_F(GlobalOptions, TerminalPageLinesAndMouseSwitches) {
  EXPECT_EQ(on<QLineEdit>(402)->text(), "5");
  on<QCheckBox>(401)->click();
  EXPECT_FALSE(on<QLineEdit>(402)->isEnabled());
  on<QCheckBox>(401)->click();
  type_into(on<QLineEdit>(402), "");
  on<QCheckBox>(398)->click();
  press_ok();
  EXPECT_EQ(settings.terminal_options->lines, 0u);  // an emptied field stores 0
  EXPECT_TRUE(settings.terminal_options->prompt_mline_paste);
  EXPECT_FALSE(settings.terminal_options->hide_on_type);
  EXPECT_TRUE(settings.terminal_options->select_copy);
}

TEST_F(GlobalOptions, AppearanceFieldsAreCheckedOnOk) {
  struct row {
    int field;
    const char* typed;
    const char* message;  // null: accepted
  };
  const row rows[] = {
      {403, "101", "Margin must <= 100 pixel!"},
      {403, "", "Margin must <= 100 pixel!"},
      {403, "100", nullptr},
      {404, "51", "Line spacing must <= 50 pixel!"},
      {404, "50", nullptr},
      {405, "19", "Max Column number must >= 20!"},
      {405, "", "Max Column number must >= 20!"},
      {405, "20", nullptr},
      {408, "99", "Cursor interval must >= 100ms!"},
      {408, "100", nullptr},
      {408, "2147483647", nullptr},
      {408, "2147483648", "Cursor interval must <= 2147483647ms!"},
      {408, "99999999999", "Cursor interval must <= 2147483647ms!"},
  };
  for (const row& r : rows) {
    SetUp();
    // A change on another page is not stored while a page refuses.
    on<QCheckBox>(411)->click();
    type_into(on<QLineEdit>(r.field), r.typed);
    if (r.message) ui.expect_message(platform::IDOK);
    press_ok();
    if (r.message) {
      ASSERT_FALSE(ui.messages().empty());
      const auto shown = ui.messages().back();
      EXPECT_EQ(shown.text.toStdString(), r.message);
      EXPECT_EQ(shown.caption, "Error");
      EXPECT_EQ(shown.style, platform::MB_OK | platform::MB_ICONERROR);
      EXPECT_TRUE(dialog->isVisible()) << r.typed;
      EXPECT_EQ(shown_page(), static_cast<QWidget*>(dialog->m_pCommon));
      EXPECT_TRUE(settings.common_options->close_confirm);
      EXPECT_FALSE(settings.save_pending());
    } else {
      EXPECT_EQ(dialog->result(), QDialog::Accepted) << r.field << " " << r.typed;
      EXPECT_FALSE(settings.common_options->close_confirm);
    }
    TearDown();
  }
}

TEST_F(GlobalOptions, AppearanceValuesReachTheNode) {
  type_into(on<QLineEdit>(403), "7");
  type_into(on<QLineEdit>(404), "2");
  type_into(on<QLineEdit>(405), "132");
  on<QCheckBox>(406)->click();
  choose(on<QComboBox>(407), "Horizontal");
  choose(on<QComboBox>(1006), "vt100");
  choose(on<QComboBox>(410), "Monochrome-Dark");
  type_into(on<QLineEdit>(408), "50");
  // The sample blinks at no less than 100 ms while the field holds less.
  EXPECT_EQ(on<CCursorSample>(409)->m_nBlinkInterval, 100);
  EXPECT_EQ(on<CCursorSample>(409)->m_nCursorStyle, 1);
  // Nor more than a timer holds while it holds too much (refused on OK).
  type_into(on<QLineEdit>(408), "3000000000");
  EXPECT_EQ(on<CCursorSample>(409)->m_nBlinkInterval, INT32_MAX);
  type_into(on<QLineEdit>(408), "650");
  press_ok();
  const terminal_appearance_param& stored = *settings.terminal_appearance;
  EXPECT_EQ(stored.margin, 7u);
  EXPECT_EQ(stored.line_spacing, 2u);
  EXPECT_EQ(stored.max_column, 132u);
  EXPECT_FALSE(stored.indicate_size);
  EXPECT_EQ(stored.cursor_type, 1);
  EXPECT_EQ(stored.cursor_interval, 650u);
  EXPECT_EQ(stored.default_console_type, u"vt100");
  EXPECT_EQ(stored.default_color_scheme, u"Monochrome-Dark");
  EXPECT_TRUE(settings.save_pending());
  ASSERT_EQ(stored.children.size(), 2u);  // AnsiColor and ColorScheme stay below it
}

TEST_F(GlobalOptions, AMissingDefaultSchemeBecomesTheFirstAndMarksThePage) {
  settings.terminal_appearance->default_color_scheme = u"Gone";
  open();
  EXPECT_EQ(on<QComboBox>(410)->currentText(), "Monochrome");
  EXPECT_TRUE(dialog->m_pAppearance->m_bModified);
  press_ok();
  EXPECT_EQ(settings.terminal_appearance->default_color_scheme, u"Monochrome");
}

class DefaultSessionsPage : public OptionsDialogTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    zed = add_host(u"zed");
    alpha = add_host(u"Alpha");
    settings.default_session->session_type = default_session_custom;
    settings.default_session->custom_sessions = {zed.uuid, "0000DEADHOST", alpha.uuid};
    open();
  }
  QListWidget* list() { return on<QListWidget>(417); }
  // Host selection answered with the host of that row.
  void pick_host(int row) {
    ui.expect_modal([row](QDialog& chooser) {
      chooser.findChild<QListWidget*>("id_1061")->setCurrentRow(row);
      chooser.findChild<QPushButton*>("id_1")->click();
    });
    on<QPushButton>(386)->click();
  }
  session_record zed, alpha;
};

TEST_F(DefaultSessionsPage, ListsKnownHostsByNameAndEnablesForCustomOnly) {
  EXPECT_TRUE(on<QRadioButton>(416)->isChecked());
  ASSERT_EQ(list()->count(), 2);
  EXPECT_EQ(list()->item(0)->text(), "Alpha");
  EXPECT_EQ(list()->item(1)->text(), "zed");
  on<QRadioButton>(415)->click();
  EXPECT_FALSE(list()->isEnabled());
  EXPECT_FALSE(on<QPushButton>(386)->isEnabled());
  press_ok();
  // Only the type changed: the list is stored as it was, the unknown uuid too.
  EXPECT_EQ(settings.default_session->session_type, default_session_last);
  EXPECT_EQ(settings.default_session->custom_sessions,
            (std::vector<std::string>{zed.uuid, "0000DEADHOST", alpha.uuid}));
}

TEST_F(DefaultSessionsPage, NewAddsAHostOnceAndDeleteRebuildsTheList) {
  const session_record middle = add_host(u"middle");
  pick_host(2);  // "middle", the third host in tree order
  pick_host(2);  // the same again: still one item
  ASSERT_EQ(list()->count(), 3);
  EXPECT_EQ(list()->item(1)->text(), "middle");
  list()->setCurrentRow(2);
  on<QPushButton>(387)->click();
  press_ok();
  // In name order, without the uuid that has no host.
  EXPECT_EQ(settings.default_session->custom_sessions, (std::vector<std::string>{alpha.uuid, middle.uuid}));
}

TEST_F(DefaultSessionsPage, CancelledHostSelectionChangesNothing) {
  ui.expect_modal([](QDialog& chooser) { chooser.reject(); });
  on<QPushButton>(386)->click();
  list()->clearSelection();
  on<QPushButton>(387)->click();  // nothing selected: nothing deleted
  EXPECT_EQ(list()->count(), 2);
  EXPECT_FALSE(dialog->m_pDefaultSession->m_bModified);
}

TEST_F(GlobalOptions, TwoChangedPagesAreStoredWithOneSave) {
  on<QCheckBox>(412)->click();
  on<QCheckBox>(396)->click();
  press_ok();
  EXPECT_FALSE(settings.common_options->reconnect_confirm);
  EXPECT_FALSE(settings.terminal_options->select_copy);
  EXPECT_TRUE(settings.save_pending());
  settings.save_timer_proc();
  EXPECT_FALSE(settings.save_pending());
  configuration reread(settings.file_path, platform::real_clock());
  ASSERT_TRUE(reread.load());
  EXPECT_FALSE(reread.common_options->reconnect_confirm);
  EXPECT_FALSE(reread.terminal_options->select_copy);
}

}  // namespace
}  // namespace settings_test
