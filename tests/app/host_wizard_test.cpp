// The new host wizard driven through its buttons and controls as a user drives it: the pages
// each protocol leads through, the buttons each page offers, and the record Finish leaves.
#include <QAbstractButton>
#include <QCheckBox>

#include <functional>
#include <vector>

#include "app/CHostPropertySheet.h"
#include "settings/controls/combo_boxes.h"
#include "tests/app/app_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override {
    sheet.show();
    visited.push_back(sheet.currentId());
    QObject::connect(&sheet, &QWizard::currentIdChanged, [this](int id) { visited.push_back(id); });
  }

  bool enabled(QWizard::WizardButton which) { return sheet.button(which)->isVisible() && sheet.button(which)->isEnabled(); }
  void press(QWizard::WizardButton which) { sheet.button(which)->click(); }

  void choose_protocol(int protocol) {
    CProtocolComboBox* combo = sheet.m_pageProtocol->m_wndProtocol;
    combo->setCurrentIndex(combo->findData(protocol));
    emit combo->activated(combo->currentIndex());
  }

  CHostPropertySheet sheet;
  std::vector<int> visited;
};

struct route {
  const char* name;
  int protocol;
  int parameter_page;
  std::function<void(CHostPropertySheet&)> fill;
  std::function<void(const session_record&)> check;
  const char* proposed_name;
};

const route routes[] = {
    {"ssh2", protocol_ssh2, page_ssh2,
     [](CHostPropertySheet& sheet) {
       type_into(sheet.m_pageSsh2->m_wndHost, "build.example  ");
       type_into(sheet.m_pageSsh2->m_wndPort, "2222");
       type_into(sheet.m_pageSsh2->m_wndUser, "deploy ");
       sheet.m_pageSsh2->m_wndExplorer->setChecked(true);  // the last action before Next
     },
     [](const session_record& r) {
       EXPECT_EQ(r.connection.ssh2.hostname, "build.example");
       EXPECT_EQ(r.connection.ssh2.port, 2222);
       EXPECT_EQ(r.connection.ssh2.username, "deploy");
       EXPECT_EQ(r.view, session_view_explorer);
     },
     "build.example (SSH2)"},
    {"telnet", protocol_telnet, page_telnet,
     [](CHostPropertySheet& sheet) { type_into(sheet.m_pageTelnet->m_wndHost, "router"); },
     [](const session_record& r) {
       EXPECT_EQ(r.connection.telnet.hostname, "router");
       EXPECT_EQ(r.connection.telnet.port, 23);
       EXPECT_EQ(r.view, session_view_terminal);
     },
     "router (Telnet)"},
    {"serial", protocol_serial, page_serial,
     [](CHostPropertySheet& sheet) {
       CSerialPropertyPage* page = sheet.m_pageSerial;
       type_into(page->m_wndComPort->lineEdit(), "COM3");
       type_into(page->m_wndBaudrate->lineEdit(), "115200");
       page->m_wndParity->setCurrentIndex(page->m_wndParity->findData(2));
       emit page->m_wndParity->activated(page->m_wndParity->currentIndex());
     },
     [](const session_record& r) {
       EXPECT_EQ(r.connection.serial.com_port, 3);
       EXPECT_EQ(r.connection.serial.baudrate, 115200u);
       EXPECT_EQ(r.connection.serial.parity, 2);
       EXPECT_EQ(r.connection.serial.databits, 8);
       EXPECT_EQ(r.view, session_view_terminal);
     },
     "Serial COM3"},
};

class WizardRoute : public Wizard, public ::testing::WithParamInterface<route> {};

TEST_P(WizardRoute, ThreePagesBuildTheRecord) {
  const route& r = GetParam();
  EXPECT_EQ(sheet.windowTitle(), "New host wizard");
  EXPECT_FALSE(enabled(QWizard::BackButton));
  ASSERT_TRUE(enabled(QWizard::NextButton));
  choose_protocol(r.protocol);
  EXPECT_EQ(sheet.m_session.connection.protocol, r.protocol);
  press(QWizard::NextButton);
  ASSERT_EQ(sheet.currentId(), r.parameter_page);
  EXPECT_EQ(sheet.windowTitle(), r.protocol == protocol_ssh2 ? "New session wizard" : "New host wizard");
  EXPECT_TRUE(enabled(QWizard::BackButton));
  EXPECT_FALSE(enabled(QWizard::FinishButton));
  r.fill(sheet);
  ASSERT_TRUE(enabled(QWizard::NextButton));
  press(QWizard::NextButton);
  ASSERT_EQ(sheet.currentId(), page_host_name);
  QLineEdit* name = sheet.m_pageHostname->m_wndName;
  EXPECT_EQ(name->text(), r.proposed_name);
  EXPECT_TRUE(enabled(QWizard::FinishButton));
  type_into(name, "   ");
  EXPECT_FALSE(enabled(QWizard::FinishButton));
  type_into(name, "Lab box ");
  press(QWizard::FinishButton);
  EXPECT_EQ(sheet.result(), QDialog::Accepted);
  EXPECT_EQ(visited, (std::vector<int>{page_protocol, r.parameter_page, page_host_name}));
  EXPECT_EQ(sheet.m_session.name, u"Lab box ");  // as typed
  EXPECT_EQ(sheet.m_session.connection.protocol, r.protocol);
  r.check(sheet.m_session);
}

INSTANTIATE_TEST_SUITE_P(Protocols, WizardRoute, ::testing::ValuesIn(routes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Wizard, Ssh2PageWantsHostAndAUsablePort) {
  press(QWizard::NextButton);
  ASSERT_EQ(sheet.currentId(), page_ssh2);
  CSsh2PropertyPage* page = sheet.m_pageSsh2;
  EXPECT_EQ(page->m_wndPort->text(), "22");
  EXPECT_FALSE(enabled(QWizard::NextButton));
  EXPECT_EQ(page->WizardButtons(), buttons_back);
  type_into(page->m_wndHost, "  ");
  EXPECT_FALSE(enabled(QWizard::NextButton));
  type_into(page->m_wndHost, "host");
  EXPECT_TRUE(enabled(QWizard::NextButton));
  EXPECT_EQ(page->WizardButtons(), buttons_back_next);
  type_into(page->m_wndPort, "");
  EXPECT_FALSE(enabled(QWizard::NextButton));
  // A port beyond 65535 is refused rather than cut to its low 16 bits (which would give 22);
  // the record keeps the last usable text typed on the way.
  type_into(page->m_wndPort, "65558");
  EXPECT_FALSE(enabled(QWizard::NextButton));
  EXPECT_EQ(sheet.m_session.connection.ssh2.port, 6555);
  type_into(page->m_wndPort, "65535");
  EXPECT_TRUE(enabled(QWizard::NextButton));
}

// Session Options refuses port 0, so the wizard does too: a saved host can always be edited
// there without changing its port.
TEST_F(Wizard, PortZeroWithholdsNext) {
  struct row {
    int protocol;
    const char* port;
    bool next;
  };
  const row rows[] = {
      {protocol_ssh2, "0", false},   {protocol_ssh2, "00000", false}, {protocol_ssh2, "1", true},
      {protocol_telnet, "0", false}, {protocol_telnet, "0 ", false},  {protocol_telnet, "01", true},
  };
  for (const row& r : rows) {
    CHostPropertySheet wizard;
    wizard.show();
    CProtocolComboBox* combo = wizard.m_pageProtocol->m_wndProtocol;
    combo->setCurrentIndex(combo->findData(r.protocol));
    emit combo->activated(combo->currentIndex());
    wizard.button(QWizard::NextButton)->click();
    QLineEdit* host = r.protocol == protocol_ssh2 ? wizard.m_pageSsh2->m_wndHost : wizard.m_pageTelnet->m_wndHost;
    QLineEdit* port = r.protocol == protocol_ssh2 ? wizard.m_pageSsh2->m_wndPort : wizard.m_pageTelnet->m_wndPort;
    type_into(host, "box");
    type_into(port, r.port);
    QAbstractButton* next = wizard.button(QWizard::NextButton);
    EXPECT_EQ(next->isVisible() && next->isEnabled(), r.next) << r.protocol << " '" << r.port << "'";
    const uint16_t stored = r.protocol == protocol_ssh2 ? wizard.m_session.connection.ssh2.port
                                                        : wizard.m_session.connection.telnet.port;
    EXPECT_NE(stored, 0) << r.protocol << " '" << r.port << "'";
  }
}

TEST_F(Wizard, BackRetracesAndAnotherProtocolDropsTheExplorerView) {
  choose_protocol(protocol_telnet);
  press(QWizard::NextButton);
  EXPECT_EQ(sheet.currentId(), page_telnet);
  press(QWizard::BackButton);
  EXPECT_EQ(sheet.currentId(), page_protocol);
  press(QWizard::NextButton);
  EXPECT_EQ(sheet.currentId(), page_telnet);
  press(QWizard::BackButton);

  choose_protocol(protocol_ssh2);
  press(QWizard::NextButton);
  type_into(sheet.m_pageSsh2->m_wndHost, "box");
  sheet.m_pageSsh2->m_wndExplorer->setChecked(true);
  EXPECT_EQ(sheet.m_session.view, session_view_explorer);
  press(QWizard::BackButton);
  choose_protocol(protocol_telnet);
  press(QWizard::NextButton);
  type_into(sheet.m_pageTelnet->m_wndHost, "box");
  press(QWizard::NextButton);
  EXPECT_EQ(sheet.m_pageHostname->m_wndName->text(), "box (Telnet)");
  press(QWizard::FinishButton);
  EXPECT_EQ(sheet.m_session.connection.protocol, protocol_telnet);
  EXPECT_EQ(sheet.m_session.view, session_view_terminal);
  // What the SSH2 page stored stays in its block.
  EXPECT_EQ(sheet.m_session.connection.ssh2.hostname, "box");
}

TEST_F(Wizard, SerialPageWithholdsNextWithoutAPort) {
  choose_protocol(protocol_serial);
  press(QWizard::NextButton);
  CSerialPropertyPage* page = sheet.m_pageSerial;
  EXPECT_EQ(page->m_wndComPort->currentText(), "COM1");
  EXPECT_EQ(page->m_wndBaudrate->currentText(), "9600");
  EXPECT_EQ(page->m_wndDatabits->currentText(), "8");
  EXPECT_TRUE(enabled(QWizard::NextButton));
  type_into(page->m_wndComPort->lineEdit(), "");
  EXPECT_FALSE(enabled(QWizard::NextButton));
  EXPECT_EQ(page->WizardButtons(), buttons_back);
  type_into(page->m_wndComPort->lineEdit(), "COM0");
  EXPECT_FALSE(enabled(QWizard::NextButton));
  type_into(page->m_wndComPort->lineEdit(), "COM12");
  EXPECT_TRUE(enabled(QWizard::NextButton));
  type_into(page->m_wndBaudrate->lineEdit(), "fast");
  EXPECT_FALSE(enabled(QWizard::NextButton));
  EXPECT_EQ(sheet.m_session.connection.serial.com_port, 12);
}

TEST_F(Wizard, CancelLeavesNoFinish) {
  sheet.hide();
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "New host wizard");
    static_cast<QWizard&>(dialog).button(QWizard::CancelButton)->click();
  });
  EXPECT_NE(sheet.DoModal(), CCBPropertySheet::ID_WIZFINISH);
}

}  // namespace
