// The application's dialogs and combo boxes, filled and pressed as a user does.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <cstdlib>
#include <fstream>

#include "settings/CHostSelectDlg.h"
#include "app/CQuickConnectDlg.h"
#include "settings/controls/combo_boxes.h"
#include "app/login_dialogs.h"
#include "config/host_param.h"
#include "tests/app/app_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

struct quick_connect : ::testing::Test {
  CQuickConnectDlg dialog;
  QComboBox* protocol() { return control<QComboBox>(dialog, 310); }
  QLineEdit* host() { return control<QLineEdit>(dialog, 311); }
  QLineEdit* port() { return control<QLineEdit>(dialog, 312); }
  QComboBox* com() { return control<QComboBox>(dialog, 320); }
  QPushButton* connect() { return control<QPushButton>(dialog, 1); }
  bool hidden(int id) { return control<QWidget>(dialog, id)->isHidden(); }
};

TEST_F(quick_connect, StartsOnSsh2WithPort22AndConnectDisabled) {
  EXPECT_EQ(dialog.windowTitle(), "Quick Connect");
  EXPECT_EQ(protocol()->currentText(), "SSH2");
  EXPECT_EQ(port()->text(), "22");
  EXPECT_TRUE(host()->text().isEmpty());
  EXPECT_FALSE(connect()->isEnabled());
  type_into(host(), "example.org");
  EXPECT_TRUE(connect()->isEnabled());
  type_into(host(), "   ");
  EXPECT_FALSE(connect()->isEnabled());
}

TEST_F(quick_connect, ProtocolSwitchesAndPortEdits) {
  struct step {
    int protocol;          // -1: no switch
    const char* typed_port;  // null: no edit
    const char* port_after;
    bool connect_enabled;
  };
  const step steps[] = {
      {protocol_telnet, nullptr, "23", true},   // not edited yet: the Telnet port
      {protocol_ssh2, nullptr, "22", true},
      {-1, "2222", "2222", true},
      {protocol_telnet, nullptr, "2222", true},  // edited: kept
      {-1, "65536", "65536", false},             // above 65535: refused
      {-1, "0", "0", true},
      {-1, "", "", false},
  };
  type_into(host(), "example.org");
  for (const auto& s : steps) {
    if (s.protocol >= 0) protocol()->setCurrentIndex(s.protocol);
    if (s.typed_port) type_into(port(), s.typed_port);
    EXPECT_EQ(port()->text().toStdString(), s.port_after);
    EXPECT_EQ(connect()->isEnabled(), s.connect_enabled) << s.port_after;
  }
  EXPECT_TRUE(dialog.m_bPortEdited);
}

TEST_F(quick_connect, SerialShowsItsOwnControls) {
  protocol()->setCurrentIndex(protocol_serial);
  for (int id : {311, 312, 313, 314, 327}) EXPECT_TRUE(hidden(id)) << id;
  for (int id : {320, 321, 322, 323, 324}) EXPECT_FALSE(hidden(id)) << id;
  EXPECT_EQ(com()->currentText(), "COM1");
  EXPECT_EQ(control<QComboBox>(dialog, 321)->currentText(), "9600");
  EXPECT_EQ(control<QComboBox>(dialog, 322)->currentText(), "8");
  EXPECT_TRUE(connect()->isEnabled());
  com()->setEditText("COM-1");
  EXPECT_FALSE(connect()->isEnabled());
  com()->setEditText("COM4");
  control<QComboBox>(dialog, 323)->setCurrentIndex(3);  // Mark
  connect()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.m_session.connection.protocol, protocol_serial);
  EXPECT_EQ(dialog.m_session.connection.serial.com_port, 4);
  EXPECT_EQ(dialog.m_session.connection.serial.parity, 3);
}

TEST_F(quick_connect, ExplorerOnlyForSsh2) {
  type_into(host(), "example.org ");
  control<QCheckBox>(dialog, 314)->setChecked(true);
  protocol()->setCurrentIndex(protocol_telnet);
  EXPECT_TRUE(hidden(314));
  connect()->click();
  EXPECT_EQ(dialog.m_session.view, session_view_terminal);
  EXPECT_EQ(dialog.m_session.connection.telnet.hostname, "example.org");
  EXPECT_FALSE(dialog.m_bSaveSession);
}

TEST(ComboBoxes, ListsAndValues) {
  CParityComboBox parity;
  CStopbitsComboBox stopbits;
  CBaudrateComboBox baud;
  CProtocolComboBox protocols;
  EXPECT_EQ(parity.currentIndex(), -1);
  select_combo_item_by_data(parity, 3);
  EXPECT_EQ(parity.currentText(), "Mark");
  select_combo_item_by_data(parity, 9);  // no such item: unchanged
  EXPECT_EQ(parity.currentText(), "Mark");
  stopbits.setCurrentText("1.5");
  EXPECT_EQ(stopbits.currentData().toInt(), 1);
  EXPECT_EQ(baud.count(), 17);
  // The 13th and 14th entries are both 230400, the 15th is 380400.
  EXPECT_EQ(baud.itemText(12), "230400");
  EXPECT_EQ(baud.itemText(13), "230400");
  EXPECT_EQ(baud.itemText(14), "380400");
  baud.setEditText("115200x");
  EXPECT_EQ(baud.GetBaudrate(), 115200);
  EXPECT_EQ(protocols.currentText(), "SSH2");
  EXPECT_EQ(protocols.itemData(2).toInt(), protocol_serial);
}

TEST(ComboBoxes, ComPortsAreListedWhenTheListDropsDown) {
  test_support::temp_folder links;
  std::ofstream(links.file("com7")) << "";
  setenv("TESSARY_SERIAL_DIR", links.path().c_str(), 1);
  CComPortComboBox ports;
  ports.SetPort(3);
  ports.RefreshPorts();
  ASSERT_EQ(ports.count(), 1);
  EXPECT_EQ(ports.itemText(0), "COM7 Serial link");
  EXPECT_EQ(ports.GetPort(), 3u);  // the typed text stays
  ports.setCurrentIndex(0);
  EXPECT_EQ(ports.GetPort(), 7u);
}

TEST(LoginDialogs, PromptsAndTheirOkButtons) {
  ssh2_param params;
  params.hostname = "example.org";
  params.username = "alice";

  CSsh2UsernameDlg user(params);
  EXPECT_EQ(control<QLabel>(user, 1002)->text(), "Please enter username to login host example.org!");
  auto* ok = control<QPushButton>(user, 1);
  EXPECT_FALSE(ok->isEnabled());
  type_into(control<QLineEdit>(user, 1001), "   ");
  EXPECT_FALSE(ok->isEnabled());
  type_into(control<QLineEdit>(user, 1001), "bob  ");
  EXPECT_TRUE(ok->isEnabled());
  EXPECT_EQ(user.UserName(), "bob");

  CSsh2PasswordDlg password(params);
  EXPECT_EQ(control<QLabel>(password, 1004)->text(), "Please enter correct password to login alice@example.org !");
  EXPECT_EQ(control<QLineEdit>(password, 1001)->text(), "alice");
  EXPECT_TRUE(control<QLineEdit>(password, 1001)->isReadOnly());
  EXPECT_EQ(control<QLineEdit>(password, 1000)->echoMode(), QLineEdit::Password);
  type_into(control<QLineEdit>(password, 1000), " ");
  EXPECT_TRUE(control<QPushButton>(password, 1)->isEnabled());
  EXPECT_EQ(password.Password(), " ");

  CSsh2AuthFailDlg failed(params);
  EXPECT_EQ(control<QLabel>(failed, 1005)->text(),
            "Failed to authorize account alice@example.org !\nYou can click OK to retry!");
}

TEST(HostSelection, HostsOfNestedGroupsInTreeOrder) {
  host_param hosts;
  auto root = std::make_unique<host_node>(std::u16string(u"All Hosts"));
  auto group = std::make_unique<host_node>(std::u16string(u"lab"));
  session_record zed, alpha, middle;
  zed.name = u"zed";
  alpha.name = u"alpha";
  middle.name = u"middle";
  root->group->children.push_back(std::make_unique<host_node>(zed));
  group->group->children.push_back(std::make_unique<host_node>(alpha));
  root->group->children.push_back(std::move(group));
  root->group->children.push_back(std::make_unique<host_node>(middle));
  hosts.root = std::move(root);

  CHostSelectDlg dialog(hosts);
  auto* list = control<QListWidget>(dialog, 1061);
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), "zed");
  EXPECT_EQ(list->item(1)->text(), "alpha");
  EXPECT_EQ(list->item(2)->text(), "middle");
  auto* ok = control<QPushButton>(dialog, 1);
  EXPECT_FALSE(ok->isEnabled());
  hosts.root.reset();  // the rows keep their own uuids
  list->setCurrentRow(1);
  EXPECT_TRUE(ok->isEnabled());
  ok->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.m_strHostUuid, std::u16string(alpha.uuid.begin(), alpha.uuid.end()));
}

}  // namespace
