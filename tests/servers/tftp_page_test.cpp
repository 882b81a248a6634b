// The "TFTP" page: what it shows from Tessary.conf, what Apply stores and starts, the refusals,
// the folder histories and a port that is taken.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include "config/dhcpd_param.h"
#include "config/httpd_param.h"
#include "config/paths.h"
#include "config/text_convert.h"
#include "config/tftpd_param.h"
#include "servers/pages/CTftpPropertyPage.h"
#include "servers/server_starters.h"
#include "servers/tftpd.h"
#include "settings/controls/CMyComboBox.h"
#include "tests/servers/server_page_fixture.h"
#include "tests/servers/tftp_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::message_of;
using test_support::scripted_ui;

QStringList entries(QComboBox* combo) {
  QStringList texts;
  for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  return texts;
}

class TftpPage : public test_support::server_page_fixture {
 protected:
  CTftpPropertyPage& tftp() { return sheet->m_pageTftp; }
};

TEST_F(TftpPage, ShowsTheStoredSettingsWithoutBecomingModified) {
  load_settings(R"(<Tftpd>
<Enable>false</Enable><Interface>127.0.0.1</Interface><LogLevel>INFORMATION</LogLevel>
<Port>6969</Port><Timeout>5</Timeout><MaxRetry>4</MaxRetry>
<ReadEnable>false</ReadEnable><WriteEnable>true</WriteEnable><PathRestriction>false</PathRestriction>
<DownloadPath index="1"><Path>/srv/b</Path><Path>/srv/A</Path><Path>/srv/a</Path></DownloadPath>
<UploadPath index="-1"><Path>/srv/in</Path></UploadPath>
</Tftpd>)");
  open_sheet("TFTP");
  EXPECT_FALSE(control<QAbstractButton>(352)->isChecked());
  EXPECT_EQ(control<QComboBox>(353)->currentText(), "127.0.0.1");
  EXPECT_EQ(control<QComboBox>(342)->currentText(), "Information");
  EXPECT_EQ(control<QLineEdit>(354)->text(), "6969");
  EXPECT_EQ(control<QLineEdit>(357)->text(), "5");
  EXPECT_EQ(control<QLineEdit>(358)->text(), "4");
  EXPECT_FALSE(control<QAbstractButton>(359)->isChecked());
  EXPECT_TRUE(control<QAbstractButton>(360)->isChecked());
  EXPECT_FALSE(control<QAbstractButton>(361)->isChecked());
  // The list is sorted; the served entry is the stored list's second, "/srv/A", not the sorted
  // list's second.
  EXPECT_EQ(entries(control<QComboBox>(362)), (QStringList{"/srv/A", "/srv/a", "/srv/b"}));
  EXPECT_EQ(control<QComboBox>(362)->currentText(), "/srv/A");
  EXPECT_EQ(entries(control<QComboBox>(363)), QStringList{"/srv/in"});
  EXPECT_EQ(control<QComboBox>(363)->currentText(), "");
  EXPECT_FALSE(tftp().m_bModified);
  EXPECT_FALSE(apply_enabled());
}

TEST_F(TftpPage, AppliedChangesAreStoredSavedAndServed) {
  load_settings("<Tftpd><Enable>false</Enable></Tftpd>");
  test_support::temp_folder served;
  test_support::write_file(served.file("boot.img"), "first block");
  const uint16_t port = free_port(SOCK_DGRAM);

  open_sheet("TFTP");
  click(352);
  EXPECT_TRUE(apply_enabled());
  type_in_combo(353, "127.0.0.1");
  choose(342, "Error");
  type(354, QString::number(port));
  type(357, "7");
  type(358, "9");
  click(360);
  type_in_combo(362, "  " + QString::fromStdString(served.path()) + " ");
  apply();
  EXPECT_FALSE(tftp().m_bModified);
  EXPECT_FALSE(apply_enabled());

  const tftpd_param& node = *configuration::instance().tftpd;
  EXPECT_TRUE(node.enable);
  EXPECT_EQ(node.interface_address, 0x7F000001u);
  EXPECT_EQ(node.log_level, LOG_ERROR);
  EXPECT_EQ(node.port, port);
  EXPECT_EQ(node.timeout, 7u);
  EXPECT_EQ(node.max_retry, 9u);
  EXPECT_TRUE(node.write_enable);
  EXPECT_EQ(node.download_paths, std::vector<std::string>{served.path()});
  EXPECT_EQ(node.download_index, 0);
  EXPECT_EQ(node.upload_index, -1);

  // The server runs with the new settings: a client gets the file from the typed folder.
  ASSERT_TRUE(tftpd::instance()->is_running());
  test_support::udp_probe client;
  client.send_to(port, test_support::tftp_request(TFTP_RRQ, "boot.img"));
  auto reply = client.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->opcode, TFTP_DATA);
  EXPECT_EQ(reply->payload, "first block");

  auto saved = saved_settings();
  EXPECT_TRUE(saved->tftpd->enable);
  EXPECT_EQ(saved->tftpd->port, port);
  EXPECT_EQ(saved->tftpd->log_level, LOG_ERROR);
  EXPECT_EQ(saved->tftpd->download_paths, std::vector<std::string>{served.path()});
  EXPECT_EQ(saved->tftpd->download_index, 0);
  EXPECT_NE(saved_text().find("<LogLevel>ERROR</LogLevel>"), std::string::npos);
}

TEST_F(TftpPage, BadFieldsAreRefusedInOrderAndChangeNothing) {
  struct row {
    int id;
    const char* text;
    const char* message;
  };
  const row rows[] = {
      {353, "192.168.1.300", "Invalid interface!"},
      {353, "", "Invalid interface!"},
      {354, "0", "Invalid TFTP port!"},
      {354, "65536", "Invalid TFTP port!"},
      {354, "", "Invalid TFTP port!"},
      {357, "0", "Invalid TFTP timeout!"},
      {357, "61", "Invalid TFTP timeout!"},
      {358, "0", "Invalid Max retry!"},
      {358, "21", "Invalid Max retry!"},
  };
  for (const row& r : rows) {
    load_settings("<Tftpd><Port>6969</Port></Tftpd>");
    open_sheet("TFTP");
    if (r.id == 353) type_in_combo(r.id, r.text);
    else type(r.id, r.text);
    // A later field is bad too: the first bad one is the one reported.
    if (r.id != 358) type(358, "99");
    EXPECT_EQ(message_of([&] { apply(); }), r.message) << r.id << " " << r.text;
    EXPECT_TRUE(tftp().m_bModified);
    EXPECT_TRUE(apply_enabled());
    EXPECT_EQ(configuration::instance().tftpd->port, 6969u);
    EXPECT_FALSE(configuration::instance().save_pending());
  }
}

TEST_F(TftpPage, APortAboveTheRangeIsKeptAsTyped) {
  load_settings("<Tftpd><Enable>false</Enable></Tftpd>");
  open_sheet("TFTP");
  type(354, "65605");
  apply();
  EXPECT_EQ(configuration::instance().tftpd->port, 65605u);
}

TEST_F(TftpPage, HistoriesCompareExactlyAndFollowTheList) {
  load_settings(R"(<Tftpd><DownloadPath index="0"><Path>/data/Boot</Path><Path>/data/old</Path></DownloadPath></Tftpd>)");
  open_sheet("TFTP");
  auto* download = control<CMyComboBox>(362);

  // Another letter case is another folder on Linux.
  type_in_combo(362, "/data/boot");
  apply();
  const tftpd_param& node = *configuration::instance().tftpd;
  EXPECT_EQ(node.download_paths, (std::vector<std::string>{"/data/Boot", "/data/boot", "/data/old"}));
  EXPECT_EQ(node.download_index, 1);

  // An entry typed again (with blanks around it) is not added twice.
  type_in_combo(362, " /data/Boot ");
  apply();
  EXPECT_EQ(node.download_paths.size(), 3u);
  EXPECT_EQ(node.download_index, 0);

  // An entry deleted with its cross is a change; it leaves the stored history on Apply.
  download->removeItem(2);
  emit download->WM_COMBO_ITEM_DELETED();
  EXPECT_TRUE(tftp().m_bModified);
  // An empty text serves the program's folder; the history stays.
  type_in_combo(362, "");
  apply();
  EXPECT_EQ(node.download_paths, (std::vector<std::string>{"/data/Boot", "/data/boot"}));
  EXPECT_EQ(node.download_index, -1);
}

TEST_F(TftpPage, BrowsingPutsTheChosenFolderInTheText) {
  load_settings(R"(<Tftpd><UploadPath index="0"><Path>/srv/up</Path></UploadPath></Tftpd>)");
  open_sheet("TFTP");
  scripted_ui ui;
  ui.expect_folder(std::nullopt);
  ui.expect_folder(QString("/srv/chosen"));
  click(355);
  EXPECT_FALSE(tftp().m_bModified);  // cancelled
  click(356);
  ASSERT_EQ(ui.interactions().size(), 2u);
  EXPECT_EQ(ui.interactions()[0].caption, "Select Download Path");
  EXPECT_EQ(ui.interactions()[0].text.toStdU16String(), module_folder());  // an empty text starts there
  EXPECT_EQ(ui.interactions()[1].caption, "Select Upload Path");
  EXPECT_EQ(ui.interactions()[1].text, "/srv/up");
  EXPECT_EQ(control<QComboBox>(363)->currentText(), "/srv/chosen");
  EXPECT_EQ(entries(control<QComboBox>(363)), QStringList{"/srv/up"});  // not in the list before Apply
  EXPECT_TRUE(tftp().m_bModified);
  apply();
  EXPECT_EQ(configuration::instance().tftpd->upload_paths, (std::vector<std::string>{"/srv/chosen", "/srv/up"}));
  EXPECT_EQ(configuration::instance().tftpd->upload_index, 0);
}

TEST_F(TftpPage, AServerThatCannotStartIsRecordedDisabledAndRefusesApply) {
  test_support::held_port taken(SOCK_DGRAM);
  // At start-up a server that cannot bind its port is recorded as disabled.
  load_settings("<Tftpd><Enable>true</Enable><Interface>127.0.0.1</Interface><Port>" +
                std::to_string(taken.port) + "</Port></Tftpd>");
  install_server_starters(configuration::instance());
  configuration::instance().tftpd->apply_tree();
  EXPECT_FALSE(configuration::instance().tftpd->enable);
  open_sheet("TFTP");
  EXPECT_FALSE(control<QAbstractButton>(352)->isChecked());

  // Switching it on with the port still taken: the page says so, nothing is stored.
  click(352);
  EXPECT_EQ(message_of([&] { apply(); }), "Start TFTP server failed!");
  EXPECT_FALSE(tftpd::instance()->is_running());
  EXPECT_FALSE(configuration::instance().tftpd->enable);
  EXPECT_FALSE(configuration::instance().save_pending());
  EXPECT_TRUE(tftp().m_bModified);
}

TEST_F(TftpPage, ClearingEnableStopsTheServer) {
  const uint16_t port = free_port(SOCK_DGRAM);
  load_settings("<Tftpd><Enable>true</Enable><Interface>127.0.0.1</Interface><Port>" + std::to_string(port) +
                "</Port></Tftpd>");
  install_server_starters(configuration::instance());
  configuration::instance().tftpd->apply_tree();
  ASSERT_TRUE(tftpd::instance()->is_running());
  open_sheet("TFTP");
  click(352);
  // OK applies and closes.
  sheet->findChild<QAbstractButton*>("id_1")->click();
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_FALSE(tftpd::instance()->is_running());
  EXPECT_FALSE(saved_settings()->tftpd->enable);
  EXPECT_NE(saved_text().find("<Enable>false</Enable>"), std::string::npos);
}

TEST_F(TftpPage, OnlyTheModifiedPageIsApplied) {
  load_settings("<Dhcpd><LogLevel>ERROR</LogLevel></Dhcpd><Tftpd/><Httpd><Port>8080</Port></Httpd>");
  open_sheet("TFTP");
  EXPECT_EQ((QStringList{sheet->m_tab->tabText(0), sheet->m_tab->tabText(1), sheet->m_tab->tabText(2)}),
            (QStringList{"DHCP", "TFTP", "HTTP"}));
  // Settings changed elsewhere while the sheet is open stay as they are unless their page changed.
  configuration::instance().dhcpd->log_level = LOG_DEBUG;
  configuration::instance().httpd->port = 8081;
  type(358, "3");
  apply();
  EXPECT_EQ(configuration::instance().tftpd->max_retry, 3u);
  EXPECT_EQ(configuration::instance().dhcpd->log_level, LOG_DEBUG);
  EXPECT_EQ(configuration::instance().httpd->port, 8081u);
}

}  // namespace
