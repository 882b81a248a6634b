// The DHCP page with a real client: the page's Apply starts the server inside a network
// namespace of its own, busybox udhcpc leases an address across a veth pair, and the lease list
// shows that lease; a port already taken makes Apply fail with the page's message. Needs root.
#include <gtest/gtest.h>

#include <QTreeWidget>

#include <memory>

#include "config/dhcpd_param.h"
#include "config/net_socket.h"
#include "servers/dhcpd.h"
#include "servers/pages/CDhcpPropertyPage.h"
#include "tests/servers/server_page_fixture.h"
#include "tests/servers/tftp_fixture.h"
#include "tests/support/netns_pair.h"

namespace {

using namespace test_support;

class DhcpPageNetns : public server_page_fixture {
 protected:
  void SetUp() override {
    server_page_fixture::SetUp();
    const std::string why = netns_pair::unavailable_reason();
    if (!why.empty()) GTEST_SKIP() << why;
    if (!have_program("busybox")) FAIL() << "busybox is missing (scripts/install-deps --tests)";
    net = std::make_unique<netns_pair>();
    load_settings(R"(<Dhcpd><Enable>false</Enable><Interface>0.0.0.0</Interface>
<Pools><Pool Type="dynamic"><StartIP>10.99.0.100</StartIP><IPNum>20</IPNum><LeaseTime>60</LeaseTime></Pool></Pools>
</Dhcpd>)");
    open_sheet("DHCP");
    click(338);
    type_in_combo(339, "10.99.0.1");
  }
  void TearDown() override {
    server_page_fixture::TearDown();
    dhcpd::instance()->stop();
    dhcpd::instance()->configure(dhcpd_param());
  }
  // Apply inside the server's namespace, so the server's sockets are made there.
  void apply_in_server() {
    net->in_server([&] { apply(); });
  }
  QTreeWidget* leases() { return control<QTreeWidget>(341); }

  std::unique_ptr<netns_pair> net;
};

TEST_F(DhcpPageNetns, TheLeaseListShowsWhatUdhcpcLeased) {
  apply_in_server();
  ASSERT_TRUE(dhcpd::instance()->is_running());
  EXPECT_TRUE(configuration::instance().dhcpd->enable);

  // udhcpc exits once it holds a lease, and fails when it gets none.
  ASSERT_EQ(run_command(net->client_command(std::string("busybox udhcpc -f -q -n -t 10 -T 1 -s /bin/true -i ") +
                                            netns_pair::client_if),
                        30),
            0);
  const QString client_mac =
      QString::fromStdString(output_of(net->client_command(std::string("cat /sys/class/net/") +
                                                           netns_pair::client_if + "/address")))
          .toUpper();
  ASSERT_TRUE(QTest::qWaitFor([&] { return leases()->topLevelItemCount() == 1; },
                              20 * CDhcpPropertyPage::refresh_interval_ms));
  QTreeWidgetItem* row = leases()->topLevelItem(0);
  EXPECT_EQ(row->text(0), "10.99.0.100");
  EXPECT_EQ(row->text(1), client_mac);
  EXPECT_FALSE(row->text(2).isEmpty());  // allocated
  EXPECT_TRUE(row->text(3).isEmpty());   // not renewed yet

  // Switched off with OK: the server stops and the file records it disabled.
  click(338);
  sheet->findChild<QAbstractButton*>("id_1")->click();
  EXPECT_FALSE(dhcpd::instance()->is_running());
  EXPECT_FALSE(saved_settings()->dhcpd->enable);
}

TEST_F(DhcpPageNetns, APortAlreadyTakenFailsApplyWithTheMessage) {
  net_socket taken;
  net->in_server([&] {
    ASSERT_TRUE(taken.open(net_socket::kind_udp, nullptr, 0));
    sockaddr_in any = ipv4_address(0, dhcpd::server_port);
    ASSERT_EQ(::bind(taken.sock, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
  });
  EXPECT_EQ(message_of([&] { apply_in_server(); }), "Start DHCP server failed!");
  EXPECT_FALSE(dhcpd::instance()->is_running());
  EXPECT_FALSE(configuration::instance().dhcpd->enable);
  EXPECT_FALSE(configuration::instance().save_pending());
  EXPECT_TRUE(sheet->m_pageDhcp.m_bModified);
}

}  // namespace
