// The "DHCP" page and its pool dialog: the pools and settings shown from Tessary.conf, pools
// added, edited and removed through the dialog and stored on Apply, the dialog's refusals, the
// lease list following the server's leases, and "Remove lease".
#include <gtest/gtest.h>

#include <QLabel>
#include <QTreeWidget>

#include "config/dhcpd_param.h"
#include "servers/dhcpd.h"
#include "servers/pages/CDhcpPoolDlg.h"
#include "servers/pages/CDhcpPropertyPage.h"
#include "config/time_text.h"
#include "servers/pages/dhcp_pool_form.h"
#include "tests/servers/server_page_fixture.h"

namespace {

using test_support::message_of;
using test_support::scripted_ui;

QStringList row_texts(QTreeWidget* list, int row) {
  QStringList texts;
  QTreeWidgetItem* item = list->topLevelItem(row);
  for (int i = 0; i < list->columnCount(); ++i) texts << item->text(i);
  return texts;
}

// Fills the pool dialog's fields as the user types them, then presses OK.
struct pool_entry {
  int type;  // 0 dynamic, 1 static
  const char* address;
  const char* second;
  const char* lease;
  const char* boot_file = "";
  const char* subnet = "";
  const char* router = "";
};

void fill_pool_dialog(QDialog& dialog, const pool_entry& entry) {
  auto* type = dialog.findChild<QComboBox*>("id_343");
  type->setCurrentIndex(entry.type);
  emit type->activated(entry.type);
  const std::pair<int, const char*> fields[] = {{344, entry.address}, {345, entry.second}, {346, entry.lease},
                                                {347, entry.boot_file}, {348, entry.subnet}, {349, entry.router}};
  for (const auto& [id, text] : fields) type_into(control<QLineEdit>(dialog, id), text);
  dialog.findChild<QAbstractButton*>("id_1")->click();
}

const char* const two_pools = R"(<Dhcpd>
<Enable>false</Enable><Interface>0.0.0.0</Interface><LogLevel>ERROR</LogLevel>
<Pools>
<Pool Type="dynamic"><StartIP>192.168.1.100</StartIP><IPNum>10</IPNum><LeaseTime>60</LeaseTime><Router>192.168.1.1</Router></Pool>
<Pool Type="static"><IP>192.168.1.50</IP><MAC>00:11:22:aa:bb:cc</MAC><LeaseTime>2880</LeaseTime></Pool>
</Pools>
</Dhcpd>)";

class DhcpPage : public test_support::server_page_fixture {
 protected:
  void TearDown() override {
    server_page_fixture::TearDown();
    dhcpd::instance()->stop();
    dhcpd::instance()->configure(dhcpd_param());
  }
  CDhcpPropertyPage& dhcp() { return sheet->m_pageDhcp; }
  QTreeWidget* pools() { return control<QTreeWidget>(340); }
  QTreeWidget* leases() { return control<QTreeWidget>(341); }
  void select_row(QTreeWidget* list, int row) { list->setCurrentItem(list->topLevelItem(row)); }
  void command(int id) { page->findChild<QAction*>(QStringLiteral("id_%1").arg(id))->trigger(); }
};

TEST_F(DhcpPage, ShowsTheStoredSettingsAndPoolsWithoutBecomingModified) {
  load_settings(two_pools);
  open_sheet("DHCP");
  EXPECT_EQ(sheet->m_tab->tabText(0), "DHCP");
  EXPECT_FALSE(control<QAbstractButton>(338)->isChecked());
  EXPECT_EQ(control<QComboBox>(339)->currentText(), "0.0.0.0");
  EXPECT_EQ(control<QComboBox>(342)->currentText(), "Error");
  ASSERT_EQ(pools()->topLevelItemCount(), 2);
  EXPECT_EQ(row_texts(pools(), 0), (QStringList{"dynamic", "Start IP 192.168.1.100 size 10", "60"}));
  EXPECT_EQ(row_texts(pools(), 1), (QStringList{"static", "Static IP 192.168.1.50 for MAC 00:11:22:AA:BB:CC", "2880"}));
  EXPECT_EQ(pools()->headerItem()->text(2), "Lease Time");
  EXPECT_EQ(leases()->headerItem()->text(3), "Renewed");
  EXPECT_FALSE(dhcp().m_bModified);
  EXPECT_FALSE(apply_enabled());
}

TEST_F(DhcpPage, PoolsEditedThroughTheDialogAreStoredOnApply) {
  load_settings(two_pools);
  open_sheet("DHCP");
  scripted_ui ui;
  // A new pool starts dynamic, with no address, a count of 0 and two days.
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "DHCP Pool");
    EXPECT_EQ(dialog.findChild<QComboBox*>("id_343")->currentText(), "Dynamic");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_344")->text(), "");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_345")->text(), "0");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_346")->text(), "2880");
    EXPECT_EQ(dialog.findChild<QLabel*>("id_350")->text(), "Start Address");
    fill_pool_dialog(dialog, {1, "10.0.0.9", "de:ad:be:ef:00:01", "30", "pxelinux.0", "255.255.255.0", "10.0.0.1"});
  });
  command(370);
  ASSERT_EQ(pools()->topLevelItemCount(), 3);
  EXPECT_EQ(row_texts(pools(), 2), (QStringList{"static", "Static IP 10.0.0.9 for MAC DE:AD:BE:EF:00:01", "30"}));
  EXPECT_TRUE(dhcp().m_bModified);

  // Editing shows the pool's values; an emptied router field clears the router.
  select_row(pools(), 0);
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_344")->text(), "192.168.1.100");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_345")->text(), "10");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_346")->text(), "60");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("id_349")->text(), "192.168.1.1");
    fill_pool_dialog(dialog, {0, "192.168.1.120", "5", "90"});
  });
  command(371);
  EXPECT_EQ(row_texts(pools(), 0), (QStringList{"dynamic", "Start IP 192.168.1.120 size 5", "90"}));

  // A cancelled edit changes nothing; removing takes the row away without a question.
  select_row(pools(), 1);
  ui.expect_modal([](QDialog& dialog) { dialog.reject(); });
  command(371);
  command(372);
  ASSERT_EQ(pools()->topLevelItemCount(), 2);
  EXPECT_EQ(ui.left(), 0u);

  click(338);  // enabling is undone below: port 67 is not this test's to take
  click(338);
  choose(342, "Debug");
  apply();
  EXPECT_FALSE(dhcp().m_bModified);
  const dhcpd_param& node = *configuration::instance().dhcpd;
  EXPECT_EQ(node.log_level, LOG_DEBUG);
  ASSERT_EQ(node.pools.size(), 2u);
  EXPECT_EQ(node.pools[0].start_ip, 0xC0A80178u);
  EXPECT_EQ(node.pools[0].count, 5u);
  EXPECT_EQ(node.pools[0].lease_time, 5400u);
  EXPECT_EQ(node.pools[0].router, 0u);
  EXPECT_FALSE(node.pools[1].dynamic);
  EXPECT_EQ(node.pools[1].mac, (mac_address{0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01}));
  EXPECT_EQ(node.pools[1].boot_file, "pxelinux.0");
  EXPECT_EQ(node.pools[1].subnet, 0xFFFFFF00u);

  auto saved = saved_settings();
  EXPECT_EQ(saved->dhcpd->pools, node.pools);
  EXPECT_EQ(saved->dhcpd->log_level, LOG_DEBUG);
  const std::string text = saved_text();
  EXPECT_NE(text.find("<MAC>DE:AD:BE:EF:00:01</MAC>"), std::string::npos);
  EXPECT_NE(text.find("<LeaseTime>90</LeaseTime>"), std::string::npos);
}

TEST(DhcpPoolDialog, RefusesBadFieldsInOrder) {
  QCoreApplication::setApplicationName("Tessary");
  struct row {
    pool_entry entry;
    const char* message;
  };
  const row rows[] = {
      {{0, "", "0", "2880"}, "Invalid IP adress!"},
      {{0, "192.168.1.300", "4", "2880"}, "Invalid IP adress!"},
      {{0, "255.255.255.255", "4", "2880"}, "Invalid IP adress!"},
      {{0, "10.0.0.1", "", "2880"}, "Invalid adress number!"},
      {{0, "10.0.0.1", "0", "2880"}, "Invalid adress number!"},
      {{1, "10.0.0.1", "00:11:22:33:44", "2880"}, "Invalid MAC address!"},
      {{1, "10.0.0.1", "", "0"}, "Invalid MAC address!"},
      {{0, "10.0.0.1", "4", ""}, "Invalid lease time!"},
      {{0, "10.0.0.1", "4", "0"}, "Invalid lease time!"},
      {{0, "10.0.0.1", "4", "1", "", "mask"}, "Invalid subnet mask!"},
      {{0, "10.0.0.1", "4", "1", "", "", "10.0.0.256"}, "Invalid default router!"},
  };
  for (const row& r : rows) {
    CDhcpPoolDlg dialog;
    dialog.show();
    EXPECT_EQ(message_of([&] { fill_pool_dialog(dialog, r.entry); }), r.message)
        << r.entry.address << " " << r.entry.second;
    EXPECT_TRUE(dialog.isVisible());  // stays open
  }
}

TEST(DhcpPoolDialog, LeaseMinutesBecomeSecondsWithoutWrapping) {
  struct row {
    const char* minutes;
    uint32_t seconds;
  };
  const row rows[] = {
      {"1", 60},
      {"2880", 172800},
      {"71582788", 4294967280u},  // the most whole minutes 32 bits hold
      {"71582789", 4294967280u},  // 32-bit arithmetic would give 44 seconds
      {"4294967295", 4294967280u},
      {"99999999999", 4294967280u},
  };
  for (const row& r : rows) {
    dhcp_pool_form form;
    form.address = "10.0.0.1";
    form.second = "1";
    form.lease_minutes = r.minutes;
    dhcp_pool pool;
    EXPECT_EQ(read_form(form, pool), "") << r.minutes;
    EXPECT_EQ(pool.lease_time, r.seconds) << r.minutes;
  }
}

TEST(DhcpPoolDialog, ChangingTheTypeSwitchesTheLabelsAndKeepsWhatWasTyped) {
  CDhcpPoolDlg dialog;
  dialog.show();
  auto* address = dialog.findChild<QLineEdit*>("id_344");
  QTest::keyClicks(address, "10.1.1.1");
  auto* type = dialog.findChild<QComboBox*>("id_343");
  type->setCurrentIndex(1);
  emit type->activated(1);
  EXPECT_EQ(dialog.findChild<QLabel*>("id_350")->text(), "Static IP");
  EXPECT_EQ(dialog.findChild<QLabel*>("id_351")->text(), "Static MAC");
  EXPECT_EQ(address->text(), "10.1.1.1");
}

TEST_F(DhcpPage, BadInterfaceIsRefused) {
  load_settings(two_pools);
  open_sheet("DHCP");
  type_in_combo(339, "10.0.0.1.5");
  EXPECT_EQ(message_of([&] { apply(); }), "Invalid interface!");
  EXPECT_TRUE(dhcp().m_bModified);
  EXPECT_FALSE(configuration::instance().save_pending());
}

// Leases put into the server's table as its worker would.
void add_dynamic_lease(uint32_t ip, uint8_t last_mac_byte, int64_t allocated, int64_t renewed = 0) {
  dhcpd* server = dhcpd::instance();
  std::lock_guard<std::mutex> guard(server->lock);
  auto lease = std::make_unique<dhcp_lease>();
  lease->pool = &server->pools.front();
  lease->ip = ip;
  lease->mac = {0x02, 0, 0, 0, 0, last_mac_byte};
  lease->allocated = allocated;
  lease->renewed = renewed;
  server->leases[ip] = std::move(lease);
}

void renew(uint32_t ip, int64_t when) {
  dhcpd* server = dhcpd::instance();
  std::lock_guard<std::mutex> guard(server->lock);
  server->leases[ip]->renewed = when;
}

TEST_F(DhcpPage, TheLeaseListFollowsTheServer) {
  load_settings(two_pools);
  // The server's table as a running server has it: the static pool's lease and two dynamic ones.
  dhcpd::instance()->configure(*configuration::instance().dhcpd);
  add_dynamic_lease(0xC0A80164, 0x64, 1700000000);
  add_dynamic_lease(0xC0A80165, 0x65, 1700000100);
  open_sheet("DHCP");
  ASSERT_EQ(leases()->topLevelItemCount(), 3);
  // Highest address first; times only once they are set.
  EXPECT_EQ(leases()->topLevelItem(0)->text(0), "192.168.1.101");
  EXPECT_EQ(leases()->topLevelItem(1)->text(0), "192.168.1.100");
  EXPECT_EQ(row_texts(leases(), 2), (QStringList{"192.168.1.50", "00:11:22:AA:BB:CC", "", ""}));
  EXPECT_EQ(leases()->topLevelItem(0)->text(2), QString::fromStdString(time_text(1700000100)));

  // Unchanged leases leave the rows alone; a renewal shows at the next tick.
  QTreeWidgetItem* first = leases()->topLevelItem(0);
  dhcp().RefreshLeases();
  EXPECT_EQ(leases()->topLevelItem(0), first);
  renew(0xC0A80165, 1700000500);
  EXPECT_TRUE(QTest::qWaitFor([&] { return leases()->topLevelItem(0)->text(3) != ""; },
                              20 * CDhcpPropertyPage::refresh_interval_ms));
  EXPECT_EQ(leases()->topLevelItem(0)->text(3), QString::fromStdString(time_text(1700000500)));

  // A static lease cannot be removed; a dynamic one goes from the server at once.
  select_row(leases(), 2);
  EXPECT_EQ(message_of([&] { command(373); }), "Static lease can't be removed!");
  select_row(leases(), 0);
  command(373);
  std::vector<dhcp_lease_info> left;
  dhcpd::instance()->copy_leases(left);
  EXPECT_EQ(left.size(), 2u);
  EXPECT_FALSE(dhcp().m_bModified);
  dhcp().RefreshLeases();
  EXPECT_EQ(leases()->topLevelItemCount(), 2);
}

}  // namespace
