// The interface and log-level choices of the server pages.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "config/log_level.h"
#include "config/net_socket.h"
#include "servers/pages/server_combo_boxes.h"

namespace {

TEST(InterfaceCombo, ListsEveryAddressAfterTheWildcardAndSelectsNothing) {
  CInterfaceComboBox combo;
  net_interface entries[100];
  const int count = net_socket::list_interfaces(entries, 100);
  ASSERT_GT(count, 0);  // the loopback interface at least
  QStringList expected{"0.0.0.0"};
  for (int i = 0; i < count; ++i) expected << QString::fromStdString(dotted_text(ntohl(entries[i].address)));
  QStringList listed;
  for (int i = 0; i < combo.count(); ++i) listed << combo.itemText(i);
  EXPECT_EQ(listed, expected);
  EXPECT_TRUE(listed.contains("127.0.0.1"));
  EXPECT_TRUE(combo.isEditable());
  EXPECT_EQ(combo.currentText(), "");
}

TEST(InterfaceCombo, ShowsAndReadsAddresses) {
  CInterfaceComboBox combo;
  combo.SelectAddress(0);
  EXPECT_EQ(combo.currentText(), "0.0.0.0");
  combo.SelectAddress(0xC0A80105);
  EXPECT_EQ(combo.currentText(), "192.168.1.5");

  struct row {
    const char* text;
    bool valid;
    uint32_t address;
  };
  const row rows[] = {
      {"10.1.2.3", true, 0x0A010203},
      {"0.0.0.0", true, 0},
      {"127.0.0.1", true, 0x7F000001},
      {"", false, 0},
      {"192.168.1.300", false, 0},
      {"255.255.255.255", false, 0},  // cannot be told from a bad text
      {"eth0", false, 0},
  };
  for (const row& r : rows) {
    combo.setEditText(r.text);
    uint32_t address = 0xDEADBEEF;
    EXPECT_EQ(combo.GetAddress(address), r.valid) << r.text;
    EXPECT_EQ(address, r.valid ? r.address : 0xDEADBEEF) << r.text;
  }
}

TEST(LogLevelCombo, FourLevelsWithTheirValuesAndDisabledFirst) {
  CLogLevelComboBox combo;
  ASSERT_EQ(combo.count(), 4);
  const char* texts[] = {"Debug", "Information", "Error", "Disabled"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(combo.itemText(i), texts[i]);
    EXPECT_EQ(combo.itemData(i).toInt(), i);
  }
  EXPECT_FALSE(combo.isEditable());
  EXPECT_EQ(combo.currentText(), "Disabled");
  EXPECT_EQ(combo.GetLevel(), LOG_DISABLED);
  combo.setCurrentIndex(1);
  EXPECT_EQ(combo.GetLevel(), LOG_INFORMATION);
}

}  // namespace
