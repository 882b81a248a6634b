// The "CommonOptions" section: its three switches as the file holds them, and where they stand
// beside the "DefaultSession" child.
#include <gtest/gtest.h>

#include "config/common_options_param.h"
#include "config/default_session_param.h"
#include "tests/config/node_text.h"

namespace {

TEST(CommonOptions, SwitchesAsTheFileHoldsThem) {
  struct row {
    const char16_t* inside;
    bool close, disconnect, reconnect;
  };
  const row rows[] = {
      {u"", true, true, true},
      {u"<CloseConfirm>false</CloseConfirm>", false, true, true},
      {u"<ReconnectConfirm>no</ReconnectConfirm><CloseConfirm>TRUE</CloseConfirm>", false, true, false},
      {u"<DefaultSession/><DisconnectConfirm>false</DisconnectConfirm><CloseConfirm>true</CloseConfirm>",
       true, false, true},
  };
  for (const row& r : rows) {
    common_options_param node;
    default_session_param defaults;
    node.children.push_back(&defaults);
    ASSERT_TRUE(test_support::load_from_text(node, std::u16string(u"<CommonOptions>") + r.inside +
                                                       u"</CommonOptions>"));
    EXPECT_EQ(node.close_confirm, r.close);
    EXPECT_EQ(node.disconnect_confirm, r.disconnect);
    EXPECT_EQ(node.reconnect_confirm, r.reconnect);
  }
}

TEST(CommonOptions, SwitchesAreWrittenInOrderBeforeTheDefaultSessions) {
  common_options_param node;
  default_session_param defaults;
  node.children.push_back(&defaults);
  node.disconnect_confirm = false;
  const std::u16string text = test_support::saved_text(node);
  EXPECT_EQ(text.substr(0, text.find(u"<DefaultSession>")),
            u"<CommonOptions>\r\n<CloseConfirm>true</CloseConfirm>\r\n"
            u"<DisconnectConfirm>false</DisconnectConfirm>\r\n<ReconnectConfirm>true</ReconnectConfirm>\r\n");
  common_options_param reread;
  ASSERT_TRUE(test_support::load_from_text(reread, text));
  EXPECT_FALSE(reread.disconnect_confirm);
  EXPECT_TRUE(reread.close_confirm);
}

}  // namespace
