// The host tree: its stored form, nested groups, the order groups and hosts read back in,
// finding hosts by uuid, and replacing the tree.
#include <gtest/gtest.h>

#include "config/configuration.h"
#include "config/host_param.h"
#include "platform/clock.h"
#include "tests/config/node_text.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::load_from_text;
using test_support::saved_text;

session_record host(std::u16string name, std::string uuid) {
  session_record r;
  r.name = std::move(name);
  r.uuid = std::move(uuid);
  return r;
}


// The tree as one line: groups as name[...], hosts by name.
std::u16string shape(const host_node& node) {
  if (!node.is_group) return node.host->name;
  std::u16string text = node.group->name + u"[";
  for (size_t i = 0; i < node.group->children.size(); ++i) {
    if (i) text += u",";
    text += shape(*node.group->children[i]);
  }
  return text + u"]";
}

std::unique_ptr<host_node> group(std::u16string name) {
  return std::make_unique<host_node>(std::move(name));
}

host_node& add_group(host_node& parent, std::u16string name) {
  parent.group->children.push_back(group(std::move(name)));
  return *parent.group->children.back();
}

void add_host(host_node& parent, std::u16string name, std::string uuid = "") {
  parent.group->children.push_back(
      std::make_unique<host_node>(host(std::move(name), std::move(uuid))));
}

TEST(HostParam, EmptyTreeIsOneAllHostsGroupAndReadsBackEmpty) {
  host_param written;
  EXPECT_EQ(saved_text(written), u"<HostManager>\r\n<HostGroup Name=\"All Hosts\"/>\r\n</HostManager>\r\n");
  host_param read;
  add_host(*read.root, u"old");
  ASSERT_TRUE(load_from_text(read, saved_text(written)));
  EXPECT_EQ(shape(*read.root), u"All Hosts[]");
}

TEST(HostParam, NestedGroupsRoundTripAndSubgroupsReadBeforeHosts) {
  host_param written;
  add_host(*written.root, u"h1");
  host_node& outer = add_group(*written.root, u"outer");
  host_node& inner = add_group(outer, u"inner");
  add_host(inner, u"deep");
  add_host(outer, u"mid");
  add_group(outer, u"empty");
  add_host(*written.root, u"h2");
  host_param read;
  ASSERT_TRUE(load_from_text(read, saved_text(written)));
  EXPECT_EQ(shape(*read.root), u"All Hosts[outer[inner[deep],empty[],mid],h1,h2]");
}

TEST(HostParam, RootIsTheFirstTopLevelAllHostsGroup) {
  host_param node;
  ASSERT_TRUE(load_from_text(node,
                             u"<HostManager><HostGroup Name=\"all hosts\"><Host Name=\"x\"/></HostGroup>"
                             u"<HostGroup Name=\"All Hosts\"><HostGroup><Host Name=\"y\"/></HostGroup>"
                             u"<Junk/></HostGroup><HostGroup Name=\"All Hosts\"/></HostManager>"));
  EXPECT_EQ(shape(*node.root), u"All Hosts[lost[y]]");

  add_host(*node.root, u"kept");
  ASSERT_TRUE(load_from_text(node, u"<HostManager><HostGroup Name=\"Other\"/></HostManager>"));
  EXPECT_EQ(shape(*node.root), u"All Hosts[lost[y],kept]");
}

TEST(HostParam, HostileNestingIsCappedAndLosesNoHost) {
  std::u16string text = u"<HostManager><HostGroup Name=\"All Hosts\">";
  const size_t depth = 5000;
  for (size_t i = 0; i < depth; ++i) text += u"<HostGroup Name=\"g\">";
  text += u"<Host Name=\"bottom\"/>";
  for (size_t i = 0; i < depth; ++i) text += u"</HostGroup>";
  text += u"</HostGroup></HostManager>";
  host_param node;
  ASSERT_TRUE(load_from_text(node, text));
  size_t levels = 0;
  const host_node* at = node.root.get();
  while (at->is_group && !at->group->children.empty() && at->group->children[0]->is_group) {
    at = at->group->children[0].get();
    ++levels;
  }
  EXPECT_EQ(levels + 1, host_param::max_group_depth);
  ASSERT_EQ(at->group->children.size(), 1u);
  EXPECT_EQ(at->group->children[0]->host->name, u"bottom");
}

TEST(HostParam, FindTakesTheFirstInDepthFirstOrderAndReturnsACopy) {
  test_support::temp_folder folder;
  test_support::fake_clock clock;
  configuration store(folder.file("Tessary.conf"), clock);
  host_param& hosts = *store.hosts;
  auto root = group(u"All Hosts");
  host_node& sub = add_group(*root, u"sub");
  add_host(sub, u"first", "SAME");
  add_host(*root, u"second", "SAME");
  add_host(*root, u"other", "OTHER");
  hosts.set_tree(std::move(root), false);
  EXPECT_FALSE(store.save_pending());

  const auto found = hosts.find("SAME");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->name, u"first");
  EXPECT_FALSE(hosts.find("same").has_value());
  EXPECT_FALSE(hosts.find("").has_value());

  hosts.set_tree(group(u"All Hosts"), true);
  EXPECT_TRUE(store.save_pending());
  EXPECT_EQ(found->name, u"first");  // the copy outlives the tree it came from
  EXPECT_FALSE(hosts.find("SAME").has_value());
}

TEST(HostParam, ForEachHostVisitsDepthFirstAndSkipsEmptyGroupNodes) {
  auto root = group(u"All Hosts");
  host_node& a = add_group(*root, u"a");
  add_host(a, u"a1");
  add_group(a, u"b").group.reset();
  add_host(*root, u"r1");
  std::vector<session_record> hosts;
  for_each_host(*root, [&](const session_record& r) { collect_host(r, hosts); });
  ASSERT_EQ(hosts.size(), 2u);
  EXPECT_EQ(hosts[0].name, u"a1");
  EXPECT_EQ(hosts[1].name, u"r1");

  host_param single;
  single.set_tree(std::make_unique<host_node>(host(u"alone", "ID")), false);
  EXPECT_EQ(single.find("ID")->name, u"alone");
  EXPECT_NE(saved_text(single).find(u"<Host Uuid=\"ID\" Name=\"alone\""), std::u16string::npos);
}

}  // namespace
