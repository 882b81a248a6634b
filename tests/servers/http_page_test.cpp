// The "HTTP" page: what it shows from Tessary.conf, what Apply stores and serves, the refusals
// and a port that is taken.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include "config/httpd_param.h"
#include "servers/httpd.h"
#include "servers/pages/CHttpPropertyPage.h"
#include "servers/server_starters.h"
#include "tests/servers/server_page_fixture.h"
#include "tests/servers/tftp_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::message_of;
using test_support::scripted_ui;

class HttpPage : public test_support::server_page_fixture {
 protected:
  void TearDown() override {
    server_page_fixture::TearDown();
    httpd::instance()->stop();
  }
  CHttpPropertyPage& http() { return sheet->m_pageHttp; }
};

TEST_F(HttpPage, ShowsTheStoredSettingsWithoutBecomingModified) {
  load_settings(R"(<Httpd>
<Enable>false</Enable><Interface>127.0.0.1</Interface><LogLevel>ERROR</LogLevel><Port>8080</Port>
<HomePath index="2"><Path>/srv/www</Path><Path>/srv/Alpha</Path><Path>/srv/alpha</Path></HomePath>
<Title>Our files</Title>
</Httpd>)");
  open_sheet("HTTP");
  EXPECT_EQ(sheet->m_tab->tabText(2), "HTTP");
  EXPECT_FALSE(control<QAbstractButton>(369)->isChecked());
  EXPECT_EQ(control<QComboBox>(364)->currentText(), "127.0.0.1");
  EXPECT_EQ(control<QComboBox>(342)->currentText(), "Error");
  EXPECT_EQ(control<QLineEdit>(365)->text(), "8080");
  EXPECT_EQ(control<QLineEdit>(366)->text(), "Our files");
  QComboBox* home = control<QComboBox>(367);
  ASSERT_EQ(home->count(), 3);
  EXPECT_EQ(home->itemText(0), "/srv/Alpha");
  // The stored list's third entry, not the sorted list's.
  EXPECT_EQ(home->currentText(), "/srv/alpha");
  EXPECT_FALSE(http().m_bModified);
  EXPECT_FALSE(apply_enabled());
}

TEST_F(HttpPage, AppliedChangesAreStoredSavedAndServed) {
  load_settings(R"(<Httpd><Enable>false</Enable><HomePath index="0"><Path>/srv/old</Path></HomePath></Httpd>)");
  test_support::temp_folder served;
  test_support::write_file(served.file("hello.txt"), "hello over http");
  const uint16_t port = free_port(SOCK_STREAM);

  open_sheet("HTTP");
  click(369);
  type_in_combo(364, "127.0.0.1");
  type(365, QString::number(port));
  choose(342, "Information");
  type(366, "  Shared here ");
  type_in_combo(367, QString::fromStdString(served.path()));
  apply();
  EXPECT_FALSE(http().m_bModified);

  const httpd_param& node = *configuration::instance().httpd;
  EXPECT_TRUE(node.enable);
  EXPECT_EQ(node.interface_address, 0x7F000001u);
  EXPECT_EQ(node.port, port);
  EXPECT_EQ(node.log_level, LOG_INFORMATION);
  EXPECT_EQ(node.title, "Shared here");
  ASSERT_EQ(node.home_paths.size(), 2u);
  EXPECT_EQ(node.home_paths[node.home_index], served.path());

  // The server runs with the new settings.
  ASSERT_TRUE(httpd::instance()->is_running());
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
  EXPECT_EQ(test_support::output_of("curl -s --max-time 30 " + url + "hello.txt"), "hello over http");
  EXPECT_NE(test_support::output_of("curl -s --max-time 30 " + url).find("<title>Shared here</title>"),
            std::string::npos);

  auto saved = saved_settings();
  EXPECT_TRUE(saved->httpd->enable);
  EXPECT_EQ(saved->httpd->port, port);
  EXPECT_EQ(saved->httpd->title, "Shared here");
  EXPECT_EQ(saved->httpd->home_paths, node.home_paths);
  EXPECT_EQ(saved->httpd->home_index, node.home_index);
  EXPECT_NE(saved_text().find("<Title>Shared here</Title>"), std::string::npos);
}

TEST_F(HttpPage, BadFieldsAreRefusedInOrderAndChangeNothing) {
  struct row {
    int id;
    const char* text;
    const char* message;
  };
  const row rows[] = {
      {364, "300.1.1.1", "Invalid interface!"},
      {364, "", "Invalid interface!"},
      {365, "0", "Invalid HTTP port!"},
      {365, "65536", "Invalid HTTP port!"},
      {365, "", "Invalid HTTP port!"},
  };
  for (const row& r : rows) {
    load_settings("<Httpd><Port>8080</Port></Httpd>");
    open_sheet("HTTP");
    if (r.id == 364) {
      type_in_combo(r.id, r.text);
      type(365, "0");  // a later bad field: the first one is reported
    } else {
      type(r.id, r.text);
    }
    EXPECT_EQ(message_of([&] { apply(); }), r.message) << r.text;
    EXPECT_TRUE(http().m_bModified);
    EXPECT_EQ(configuration::instance().httpd->port, 8080u);
    EXPECT_FALSE(configuration::instance().save_pending());
  }
}

TEST_F(HttpPage, APortAboveTheRangeWrapsAndAnEmptyHomeServesTheProgramFolder) {
  load_settings(R"(<Httpd><HomePath index="0"><Path>/srv/www</Path></HomePath></Httpd>)");
  open_sheet("HTTP");
  type(365, "65537");
  type_in_combo(367, "");
  apply();
  EXPECT_EQ(configuration::instance().httpd->port, 1u);
  EXPECT_EQ(configuration::instance().httpd->home_index, -1);
  EXPECT_EQ(configuration::instance().httpd->home_paths, std::vector<std::string>{"/srv/www"});
}

TEST_F(HttpPage, BrowsingPutsTheChosenFolderInTheText) {
  load_settings("<Httpd/>");
  open_sheet("HTTP");
  scripted_ui ui;
  ui.expect_folder(QString("/srv/picked"));
  click(368);
  ASSERT_EQ(ui.interactions().size(), 1u);
  EXPECT_EQ(ui.interactions()[0].caption, "Select Http Root");
  EXPECT_EQ(control<QComboBox>(367)->currentText(), "/srv/picked");
  EXPECT_TRUE(http().m_bModified);
}

TEST_F(HttpPage, AServerThatCannotStartIsRecordedDisabledAndRefusesApply) {
  test_support::held_port taken(SOCK_STREAM);
  load_settings("<Httpd><Enable>true</Enable><Interface>127.0.0.1</Interface><Port>" +
                std::to_string(taken.port) + "</Port></Httpd>");
  install_server_starters(configuration::instance());
  configuration::instance().httpd->apply_tree();
  EXPECT_FALSE(configuration::instance().httpd->enable);
  open_sheet("HTTP");
  EXPECT_FALSE(control<QAbstractButton>(369)->isChecked());

  click(369);
  EXPECT_EQ(message_of([&] { apply(); }), "Start HTTP server failed!");
  EXPECT_FALSE(httpd::instance()->is_running());
  EXPECT_FALSE(configuration::instance().httpd->enable);
  EXPECT_FALSE(configuration::instance().save_pending());
  EXPECT_TRUE(http().m_bModified);
}

}  // namespace
