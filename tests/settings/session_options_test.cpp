// Session Options driven through its controls: the pages filled from the record, the lock mask,
// the checks of OK (messages as a table), the record written on OK only, and the scheme editor
// inside it changing the configuration on OK only.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "settings/CConnectionDlg.h"
#include "settings/CSessionOptionsDlg.h"
#include "settings/CSessionTerminalAppearanceDlg.h"
#include "settings/CSessionTerminalDlg.h"
#include "settings/controls/CCaption.h"
#include "settings/controls/CCursorSample.h"
#include "tests/settings/settings_fixture.h"

namespace settings_test {
namespace {

session_record ssh2_record() {
  session_record record;
  record.name = u"router";
  record.connection.ssh2.hostname = "router.example";
  record.connection.ssh2.port = 2222;
  record.connection.ssh2.username = "admin";
  record.connection.telnet.hostname = "old.example";
  record.appearance.color_scheme = u"Standard";
  record.appearance.console_type = "linux";
  record.appearance.scrollback_size = 2000;
  record.appearance.cursor_interval = 500;
  record.appearance.resolve_colors();
  return record;
}

class SessionOptions : public SettingsTest {
 protected:
  void open(const session_record& record, int lock_mask = 0) {
    dialog = std::make_unique<CSessionOptionsDlg>(record, lock_mask);
    dialog->show();
  }
  void TearDown() override {
    dialog.reset();
    SettingsTest::TearDown();
  }
  template <typename Widget>
  Widget* on(int id) {
    return control<Widget>(*dialog, id);
  }
  // A control of the SSH2 (421), Serial (420) or Telnet (422) part of the Connection page.
  template <typename Widget>
  Widget* in(int part, int id) {
    return control<Widget>(*on<QWidget>(part), id);
  }
  void press_ok() { on<QPushButton>(1)->click(); }
  bool accepted() { return !dialog->isVisible() && dialog->result() == QDialog::Accepted; }

  std::unique_ptr<CSessionOptionsDlg> dialog;
};

TEST_F(SessionOptions, PagesShowTheRecord) {
  open(ssh2_record());
  EXPECT_EQ(dialog->windowTitle(), "Session Options");
  auto* tree = on<QTreeWidget>(374);
  EXPECT_EQ(tree->currentItem()->text(0), "Connection");
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), "Appearance");
  EXPECT_EQ(on<QLineEdit>(418)->text(), "router");
  EXPECT_EQ(on<QComboBox>(310)->currentText(), "SSH2");
  EXPECT_TRUE(on<QWidget>(421)->isVisible());
  EXPECT_FALSE(on<QWidget>(422)->isVisible());
  EXPECT_EQ(in<QLineEdit>(421, 311)->text(), "router.example");
  EXPECT_EQ(in<QLineEdit>(421, 312)->text(), "2222");
  EXPECT_EQ(in<QLineEdit>(421, 423)->text(), "admin");
  EXPECT_EQ(in<QLineEdit>(422, 311)->text(), "old.example");
  EXPECT_EQ(on<QComboBox>(424)->currentText(), "linux");
  EXPECT_EQ(on<QLineEdit>(425)->text(), "2000");
  EXPECT_EQ(on<QComboBox>(426)->currentText(), "Standard");
  auto* sample = on<CCursorSample>(409);
  EXPECT_EQ(sample->text(), "Lucida Console 10pt ");
  EXPECT_EQ(sample->m_nCursorColumn, 19);
  EXPECT_EQ(sample->m_crBackground, builtin_color_schemes[2].background);
}

TEST_F(SessionOptions, OkChecksEveryPage) {
  struct row {
    int protocol;
    int part;      // the protocol part holding the field, 0 for the dialog itself
    int field;
    const char* typed;
    const char* message;  // null: accepted
  };
  const row rows[] = {
      {protocol_ssh2, 0, 418, "   ", "You need to enter a session name!"},
      {protocol_ssh2, 421, 311, " ", "Please Enter SSH2 host!"},
      {protocol_ssh2, 421, 312, "", "Please Enter SSH2 port!"},
      {protocol_ssh2, 421, 312, "0", "Please Enter SSH2 port!"},
      {protocol_ssh2, 421, 312, "70000", "Please Enter SSH2 port!"},
      {protocol_ssh2, 421, 312, "65535", nullptr},
      {protocol_telnet, 422, 311, "", "Please Enter telnet host!"},
      {protocol_telnet, 422, 312, "65536", "Please Enter telnet port!"},
      {protocol_telnet, 422, 312, "1", nullptr},
      {protocol_ssh2, 0, 425, "499", "Scrollback size should more than 500!"},
      {protocol_ssh2, 0, 425, "", "Scrollback size should more than 500!"},
      {protocol_ssh2, 0, 425, "500", nullptr},
      {protocol_ssh2, 0, 425, "100000", nullptr},
      {protocol_ssh2, 0, 425, "100001", "Scrollback size should not more than 100000!"},
      {protocol_ssh2, 0, 408, "2147483647", nullptr},
      {protocol_ssh2, 0, 408, "2147483648", "Cursor interval must <= 2147483647ms!"},
      {protocol_ssh2, 0, 408, "99999999999", "Cursor interval must <= 2147483647ms!"},
  };
  for (const row& r : rows) {
    session_record record = ssh2_record();
    record.connection.protocol = r.protocol;
    record.connection.telnet.port = 23;
    open(record);
    QWidget& holder = r.part ? *on<QWidget>(r.part) : static_cast<QWidget&>(*dialog);
    type_into(control<QLineEdit>(holder, r.field), r.typed);
    if (r.message) ui.expect_message(platform::IDOK);
    press_ok();
    if (r.message) {
      ASSERT_FALSE(ui.messages().empty());
      EXPECT_EQ(ui.messages().back().text.toStdString(), r.message);
      EXPECT_EQ(ui.messages().back().caption, "Error");
      EXPECT_EQ(ui.messages().back().style, platform::MB_OK | platform::MB_ICONERROR);
      EXPECT_TRUE(dialog->isVisible()) << r.field << " " << r.typed;
    } else {
      EXPECT_TRUE(accepted()) << r.field << " " << r.typed;
    }
  }
}

TEST_F(SessionOptions, SerialChecks) {
  session_record record = ssh2_record();
  record.connection.protocol = protocol_serial;
  record.connection.serial.com_port = 3;
  record.connection.serial.baudrate = 19200;
  open(record);
  EXPECT_TRUE(on<QWidget>(420)->isVisible());
  auto* com = in<QComboBox>(420, 320);
  auto* baud = in<QComboBox>(420, 321);
  EXPECT_EQ(com->currentText(), "COM3");
  EXPECT_EQ(baud->currentText(), "19200");
  const std::pair<QString, QString> rows[] = {{"tty0", "Invalid com port!"}, {"COM0", "Invalid com port!"}};
  for (const auto& [port, message] : rows) {
    com->setEditText(port);
    ui.expect_message(platform::IDOK);
    press_ok();
    EXPECT_EQ(ui.messages().back().text, message);
  }
  com->setEditText("COM7");
  baud->setEditText("");
  ui.expect_message(platform::IDOK);
  press_ok();
  EXPECT_EQ(ui.messages().back().text, "Invalid baud rate!");
  baud->setEditText("57600");
  choose(in<QComboBox>(420, 323), "Even");
  press_ok();
  ASSERT_TRUE(accepted());
  EXPECT_EQ(dialog->m_session.connection.serial.com_port, 7);
  EXPECT_EQ(dialog->m_session.connection.serial.baudrate, 57600u);
  EXPECT_EQ(dialog->m_session.connection.serial.parity, 2);
  EXPECT_EQ(dialog->m_session.connection.ssh2.hostname, "router.example");  // untouched
}

TEST_F(SessionOptions, SwitchingToTelnetKeepsTheSsh2Block) {
  session_record record = ssh2_record();
  record.view = session_view_explorer;
  open(record);
  EXPECT_TRUE(in<QCheckBox>(421, 314)->isChecked());
  choose(on<QComboBox>(310), "Telnet");
  EXPECT_FALSE(on<QWidget>(421)->isVisible());
  EXPECT_TRUE(on<QWidget>(422)->isVisible());
  type_into(in<QLineEdit>(422, 311), " switch.example ");
  type_into(in<QLineEdit>(422, 312), "2323");
  type_into(on<QLineEdit>(418), "  switch  ");
  press_ok();
  ASSERT_TRUE(accepted());
  const session_record& stored = dialog->m_session;
  EXPECT_EQ(stored.name, u"switch");
  EXPECT_EQ(stored.connection.protocol, protocol_telnet);
  EXPECT_EQ(stored.connection.telnet.hostname, "switch.example");
  EXPECT_EQ(stored.connection.telnet.port, 2323);
  EXPECT_EQ(stored.connection.ssh2.hostname, "router.example");
  EXPECT_EQ(stored.view, session_view_explorer);
  EXPECT_EQ(stored.uuid, record.uuid);
}

TEST_F(SessionOptions, ALockedConnectionPageIsShownDisabledAndStillChecked) {
  open(ssh2_record(), 1);
  for (int id : {418, 310}) EXPECT_FALSE(on<QWidget>(id)->isEnabled()) << id;
  for (int id : {311, 312, 423, 314}) EXPECT_FALSE(in<QWidget>(421, id)->isEnabled()) << id;
  EXPECT_TRUE(dialog->m_pConnection->isEnabled());
  EXPECT_TRUE(on<QLineEdit>(425)->isEnabled());
  type_into(on<QLineEdit>(425), "800");
  press_ok();
  ASSERT_TRUE(accepted());
  EXPECT_EQ(dialog->m_session.connection.ssh2.port, 2222);
  EXPECT_EQ(dialog->m_session.name, u"router");
  EXPECT_EQ(dialog->m_session.appearance.scrollback_size, 800);
}

TEST_F(SessionOptions, AppearanceGoesIntoTheRecordAtOnce) {
  session_record record = ssh2_record();
  record.appearance.cursor_interval = 20;  // below the least: raised as the page opens
  open(record);
  EXPECT_EQ(dialog->m_session.appearance.cursor_interval, 100);
  EXPECT_EQ(on<QLineEdit>(408)->text(), "100");
  type_into(on<QLineEdit>(408), "50");
  EXPECT_EQ(dialog->m_session.appearance.cursor_interval, 100);
  EXPECT_EQ(on<CCursorSample>(409)->m_nBlinkInterval, 100);
  // Too long an interval (refused on OK) never turns negative on the way.
  type_into(on<QLineEdit>(408), "3000000000");
  EXPECT_EQ(dialog->m_session.appearance.cursor_interval, INT32_MAX);
  EXPECT_EQ(on<CCursorSample>(409)->m_nBlinkInterval, INT32_MAX);
  type_into(on<QLineEdit>(408), "100");
  choose(on<QComboBox>(407), "Vertical");
  EXPECT_EQ(on<CCursorSample>(409)->m_nCursorStyle, 0);
  choose(on<QComboBox>(426), "Monochrome");
  EXPECT_EQ(dialog->m_session.appearance.background, builtin_color_schemes[0].background);
  EXPECT_EQ(on<CCursorSample>(409)->m_crText, builtin_color_schemes[0].foreground);
  QFont chosen("DejaVu Sans Mono");
  chosen.setPointSize(14);
  ui.expect_font(chosen);
  on<QPushButton>(429)->click();
  EXPECT_EQ(dialog->m_session.appearance.font_name, u"DejaVu Sans Mono");
  EXPECT_EQ(dialog->m_session.appearance.font_size, 14);
  EXPECT_EQ(on<CCursorSample>(409)->text(), "DejaVu Sans Mono 14pt ");
  EXPECT_EQ(ui.interactions().back().style, 1u);  // fixed pitch only
  press_ok();
  ASSERT_TRUE(accepted());
  EXPECT_EQ(dialog->m_session.appearance.cursor_type, 0);
  EXPECT_EQ(dialog->m_session.appearance.color_scheme, u"Monochrome");
  EXPECT_FALSE(dialog->m_bSchemesChanged);
  EXPECT_FALSE(settings.save_pending());
}

class SessionSchemes : public SessionOptions {
 protected:
  // "New..." on the Appearance page with a new scheme named "Dusk" in ANSI colours.
  void new_scheme() {
    ui.expect_modal([](QDialog& asked) {
      type_into(asked.findChild<QLineEdit*>("id_395"), "Dusk");
      asked.findChild<QPushButton*>("id_1")->click();
    });
    ui.expect_modal([](QDialog& editor) {
      editor.findChild<QRadioButton*>("id_391")->click();
      editor.findChild<QPushButton*>("id_1")->click();
    });
    on<QPushButton>(428)->click();
  }
  // "Edit..." on the Appearance page giving the current scheme the background `color`.
  void edit_background(const QColor& color) {
    ui.expect_modal([](QDialog& editor) {
      emit editor.findChild<CCaption*>("id_394")->STN_CLICKED(nullptr);
      editor.findChild<QPushButton*>("id_1")->click();
    });
    ui.expect_color(color);
    on<QPushButton>(427)->click();
  }
};

TEST_F(SessionSchemes, CancelLeavesTheConfigurationAsItWas) {
  const session_record record = ssh2_record();
  open(record);
  new_scheme();
  EXPECT_EQ(on<QComboBox>(426)->currentText(), "Dusk");
  EXPECT_EQ(dialog->m_session.appearance.color_scheme, u"Dusk");
  edit_background(QColor(0, 0, 0x80));
  EXPECT_EQ(on<CCursorSample>(409)->m_crBackground, 0x800000u);
  dialog->reject();
  EXPECT_EQ(settings.color_schemes->schemes.size(), 3u);
  EXPECT_FALSE(settings.save_pending());

  open(record);
  edit_background(QColor(1, 2, 3));  // "Standard"
  dialog->reject();
  EXPECT_EQ(settings.color_schemes->schemes[2], builtin_color_schemes[2]);
  EXPECT_FALSE(settings.save_pending());
}

TEST_F(SessionSchemes, OkStoresTheSchemesWithOneSave) {
  open(ssh2_record());
  edit_background(QColor(1, 2, 3));
  new_scheme();
  press_ok();
  ASSERT_TRUE(accepted());
  EXPECT_TRUE(dialog->m_bSchemesChanged);
  EXPECT_EQ(dialog->m_session.appearance.color_scheme, u"Dusk");
  ASSERT_EQ(settings.color_schemes->schemes.size(), 4u);
  EXPECT_EQ(settings.color_schemes->schemes[2].background, 0x030201u);
  EXPECT_EQ(settings.color_schemes->schemes[3].name, u"Dusk");
  EXPECT_TRUE(settings.color_schemes->schemes[3].ansi_color_mode);
  EXPECT_TRUE(settings.save_pending());
}

}  // namespace
}  // namespace settings_test
