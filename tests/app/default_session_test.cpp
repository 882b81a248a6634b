// The "DefaultSession" section: its file form, its bounds, and what it opens at start-up.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "config/configuration.h"
#include "config/default_session_param.h"
#include "config/host_param.h"
#include "platform/clock.h"
#include "tests/support/temp_folder.h"

namespace {

class DefaultSessions : public ::testing::Test {
 protected:
  // A store loaded from a file whose "CommonOptions" holds `section`.
  std::unique_ptr<configuration> load(const std::string& section) {
    std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Tessary><GlobalOptions><CommonOptions>"
                        << section << "</CommonOptions></GlobalOptions></Tessary>\r\n";
    auto store = std::make_unique<configuration>(path, platform::real_clock());
    EXPECT_TRUE(store->load());
    return store;
  }
  std::string saved(configuration& store) {
    EXPECT_TRUE(store.save());
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  test_support::temp_folder folder;
  std::string path = folder.file("Tessary.conf");
};

TEST_F(DefaultSessions, TypeBounds) {
  struct row {
    const char* text;
    int type;
  };
  const row rows[] = {{"1", 1}, {"2", 2}, {"5", 0}, {"", 0}, {"x", 0}, {"-1", 0}};
  for (const auto& r : rows) {
    auto store = load(std::string("<DefaultSession><DefaultSessionType>") + r.text +
                      "</DefaultSessionType></DefaultSession>");
    EXPECT_EQ(store->default_session->session_type, r.type) << r.text;
  }
}

TEST_F(DefaultSessions, LastSessionsAreStoredOnlyForTypeOne) {
  auto store = std::make_unique<configuration>(path, platform::real_clock());
  session_record first;
  first.name = u"first";
  first.connection.ssh2.hostname = "one.example";
  store->default_session->session_type = default_session_last;
  store->default_session->last_sessions = {std::make_shared<session_record>(first)};
  store->default_session->custom_sessions = {"ABC"};
  std::string text = saved(*store);
  EXPECT_NE(text.find("one.example"), std::string::npos);
  EXPECT_NE(text.find("<Host>ABC</Host>"), std::string::npos);

  auto reread = std::make_unique<configuration>(path, platform::real_clock());
  ASSERT_TRUE(reread->load());
  ASSERT_EQ(reread->default_session->last_sessions.size(), 1u);
  EXPECT_EQ(reread->default_session->last_sessions[0]->name, u"first");
  EXPECT_EQ(reread->default_session->last_sessions[0]->uuid, first.uuid);
  EXPECT_EQ(reread->default_session->custom_sessions, std::vector<std::string>{"ABC"});

  // Type 0: the remembered records are loaded, nothing opens, and the next save drops them.
  reread->default_session->session_type = default_session_none;
  int opened = 0;
  reread->default_session->opener = [&](const session_record&) { return ++opened > 0; };
  reread->default_session->apply();
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(saved(*reread).find("one.example"), std::string::npos);
}

TEST_F(DefaultSessions, CustomSessionsOpenTheHostsStillThereInListOrder) {
  auto store = std::make_unique<configuration>(path, platform::real_clock());
  session_record a, b;
  a.name = u"a";
  b.name = u"b";
  auto root = std::make_unique<host_node>(std::u16string(u"All Hosts"));
  root->group->children.push_back(std::make_unique<host_node>(a));
  root->group->children.push_back(std::make_unique<host_node>(b));
  store->hosts->set_tree(std::move(root), false);
  default_session_param& node = *store->default_session;
  node.hosts = store->hosts;
  node.session_type = default_session_custom;
  node.custom_sessions = {b.uuid, "DELETED", a.uuid};
  std::vector<std::u16string> opened;
  node.opener = [&](const session_record& record) {
    opened.push_back(record.name);
    return true;
  };
  node.apply();
  EXPECT_EQ(opened, (std::vector<std::u16string>{u"b", u"a"}));
}

}  // namespace
