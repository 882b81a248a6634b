// The host manager pane: its tree mirrors the saved hosts, edits reach the settings file through
// the 3000 ms write-back and the deferred save (on a fake clock), and a restart shows the same
// tree; the commands' enabling rules, Remove, renaming in place, New Host through the wizard,
// Connect in tree order, Options on open sessions, and the collect at close.
#include <QAbstractButton>
#include <QCheckBox>
#include <QMdiArea>
#include <QPushButton>

#include <fstream>
#include <functional>
#include <memory>

#include "app/CHostPropertySheet.h"
#include "app/CHostView.h"
#include "app/command_ids.h"
#include "app/open_session.h"
#include "config/configuration.h"
#include "config/host_param.h"
#include "settings/controls/combo_boxes.h"
#include "terminal/CBaseDoc.h"
#include "tests/app/app_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/temp_folder.h"

namespace {

session_record make_host(int protocol, const std::string& address, std::u16string name) {
  session_record r;
  r.connection.protocol = protocol;
  r.connection.ssh2.hostname = address;
  r.connection.telnet.hostname = address;
  r.connection.telnet.port = 1;  // a loopback port where nothing listens: sessions fail at once
  r.connection.serial.com_port = 3;
  r.name = std::move(name);
  return r;
}

std::unique_ptr<host_node> group_node(std::u16string name) { return std::make_unique<host_node>(std::move(name)); }

host_node& add_group(host_node& parent, std::u16string name) {
  parent.group->children.push_back(group_node(std::move(name)));
  return *parent.group->children.back();
}

void add_host(host_node& parent, const session_record& record) {
  parent.group->children.push_back(std::make_unique<host_node>(record));
}

// One line per node, indented by depth: groups by name, hosts by name and what they connect to.
std::string host_line(const session_record& r) {
  std::string protocol = std::to_string(r.connection.protocol);
  return QString::fromStdU16String(r.name).toStdString() + " [" + protocol + " " + r.connection.ssh2.hostname + " " +
         r.connection.ssh2.username + " " + r.uuid + "]";
}

void node_lines(const host_node& node, int depth, std::vector<std::string>& lines) {
  std::string indent(2 * depth, ' ');
  if (!node.is_group) {
    lines.push_back(indent + host_line(*node.host));
    return;
  }
  lines.push_back(indent + QString::fromStdU16String(node.group->name).toStdString());
  for (const auto& child : node.group->children) node_lines(*child, depth + 1, lines);
}

std::vector<std::string> stored_lines(const configuration& store) {
  std::vector<std::string> lines;
  node_lines(*store.hosts->root, 0, lines);
  return lines;
}

std::vector<std::string> pane_lines(CHostView& view) {
  std::vector<std::string> lines;
  view.WalkTree(view.RootItem(), [&](QTreeWidgetItem* item) {
    int depth = 0;
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent()) ++depth;
    std::string indent(2 * depth, ' ');
    const session_record* record = CHostView::Record(item);
    lines.push_back(indent + (record ? host_line(*record) : item->text(0).toStdString()));
  });
  return lines;
}

QTreeWidgetItem* item_named(CHostView& view, const QString& label) {
  QTreeWidgetItem* found = nullptr;
  view.WalkTree(view.RootItem(), [&](QTreeWidgetItem* item) {
    if (item->text(0) == label) found = item;
  });
  EXPECT_NE(found, nullptr) << label.toStdString();
  return found;
}

// Renames in place as the user does: the label editor, the new text, Enter.
void rename(CHostView& view, QTreeWidgetItem* item, const QString& text) {
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // an earlier editor
  view.m_wndTree->setCurrentItem(item);
  view.m_wndTree->editItem(item);
  auto* editor = view.m_wndTree->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  type_into(editor, text);
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A store for a file in its own folder, on a fake clock, and a pane over it.
class HostView : public ::testing::Test {
 protected:
  void SetUp() override { restart(); }

  // Everything made anew from the file, as a new start of the program does.
  void restart() {
    view.reset();
    store = std::make_unique<configuration>(folder.file("Tessary.conf"), clock);
    store->load();
    view = std::make_unique<CHostView>(*store, clock);
    view->resize(300, 400);
    view->show();
  }

  // The settings file holds `root` as its host tree, and the program starts again.
  void seed(std::unique_ptr<host_node> root) {
    store->hosts->set_tree(std::move(root), false);
    ASSERT_TRUE(store->save());
    restart();
  }

  QTreeWidgetItem* select(const QString& label) {
    QTreeWidgetItem* item = item_named(*view, label);
    view->m_wndTree->setCurrentItem(item);
    return item;
  }

  bool enabled(int id) {
    view->UpdateCommandUI();
    return view->Action(id)->isEnabled();
  }

  test_support::temp_folder folder;
  test_support::fake_clock clock;
  std::unique_ptr<configuration> store;
  std::unique_ptr<CHostView> view;
};

TEST_F(HostView, TreeSurvivesEditsWriteBackAndARestart) {
  session_record ssh = make_host(protocol_ssh2, "build", u"build (SSH2)");
  ssh.connection.ssh2.username = "deploy";
  session_record telnet = make_host(protocol_telnet, "router", u"router");
  session_record serial = make_host(protocol_serial, "", u"Serial COM3");
  auto root = group_node(u"All Hosts");
  host_node& lab = add_group(*root, u"Lab");
  add_host(add_group(lab, u"Deep"), telnet);
  add_host(lab, ssh);
  add_host(*root, serial);
  seed(std::move(root));

  std::vector<std::string> shown = pane_lines(*view);
  EXPECT_EQ(shown, stored_lines(*store));
  EXPECT_EQ(shown.size(), 6u);
  EXPECT_TRUE(view->RootItem()->font(0).bold());
  EXPECT_TRUE(view->RootItem()->isExpanded());
  EXPECT_EQ(view->m_wndTree->currentItem(), view->RootItem());

  // Edits reach the settings only at the pane's next tick.
  rename(*view, item_named(*view, "Lab"), "Lab 2");
  view->m_wndTree->setCurrentItem(item_named(*view, "build (SSH2)"));
  session_record quick = make_host(protocol_ssh2, "quick", u"quick (SSH2)");
  view->AddHost(quick);  // lands in the group of the selected host
  std::vector<std::string> edited = pane_lines(*view);
  EXPECT_NE(edited, stored_lines(*store));
  clock.advance(CHostView::write_back_interval_ms - 1);
  EXPECT_FALSE(store->save_pending());
  clock.advance(1);
  EXPECT_EQ(stored_lines(*store), edited);
  EXPECT_FALSE(view->m_bModified);
  EXPECT_TRUE(store->save_pending());
  clock.advance(configuration::save_delay_ms);
  EXPECT_FALSE(store->save_pending());

  restart();
  EXPECT_EQ(pane_lines(*view), edited);
  EXPECT_EQ(item_named(*view, "quick (SSH2)")->parent()->text(0), "Lab 2");
  // An unmodified pane hands nothing over.
  clock.advance(CHostView::write_back_interval_ms);
  EXPECT_FALSE(store->save_pending());
}

TEST_F(HostView, CommandsFollowTheSelection) {
  auto root = group_node(u"All Hosts");
  host_node& full = add_group(*root, u"Full");
  add_host(add_group(full, u"Inner"), make_host(protocol_ssh2, "a", u"a"));
  add_group(*root, u"Empty");
  add_host(*root, make_host(protocol_telnet, "b", u"b"));
  seed(std::move(root));
  view->m_editSessionOptions = [](session_record&, int) { return false; };

  struct row {
    const char* selected;  // nullptr: nothing selected
    bool connect, new_host, new_group, remove, options;
    const char* add_host_parent;
  };
  const row rows[] = {
      {"All Hosts", true, true, true, false, false, "All Hosts"},
      {"Full", true, true, true, true, false, "Full"},
      {"Empty", false, true, true, true, false, "Empty"},
      {"a", true, false, false, true, true, "Inner"},
      {"b", true, false, false, true, true, "All Hosts"},
      {nullptr, false, false, false, false, false, "All Hosts"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.selected ? r.selected : "(none)");
    if (r.selected) select(r.selected);
    else view->m_wndTree->setCurrentItem(nullptr);
    EXPECT_EQ(enabled(ID_HOST_CONNECT), r.connect);
    EXPECT_EQ(enabled(ID_HOST_NEW), r.new_host);
    EXPECT_EQ(enabled(ID_HOST_NEW_GROUP), r.new_group);
    EXPECT_EQ(enabled(ID_HOST_REMOVE), r.remove);
    EXPECT_EQ(enabled(ID_HOST_OPTIONS), r.options);
    EXPECT_FALSE(enabled(ID_HOST_EDIT));
    session_record added = make_host(protocol_telnet, "added", u"");
    view->AddHost(added);
    QTreeWidgetItem* item = item_named(*view, "added (Telnet)");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->parent()->text(0), r.add_host_parent);
    delete item;
  }
  // Options stays off while the program has no Session Options dialog.
  view->m_editSessionOptions = nullptr;
  select("a");
  EXPECT_FALSE(enabled(ID_HOST_OPTIONS));
}

TEST_F(HostView, RemoveAsksAndTakesTheWholeGroup) {
  auto root = group_node(u"All Hosts");
  host_node& lab = add_group(*root, u"Lab");
  add_host(lab, make_host(protocol_ssh2, "a", u"a"));
  add_host(add_group(lab, u"Deep"), make_host(protocol_ssh2, "b", u"b"));
  add_host(*root, make_host(protocol_ssh2, "c", u"c"));
  seed(std::move(root));

  test_support::scripted_ui ui;
  select("Lab");
  ui.expect_message(platform::IDCANCEL);
  view->OnCommand(ID_HOST_REMOVE);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_EQ(ui.messages()[0].text, "Are you sure to remove the hosts?");
  EXPECT_EQ(ui.messages()[0].caption, "Confirm");
  EXPECT_EQ(ui.messages()[0].style, platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
  EXPECT_EQ(pane_lines(*view).size(), 6u);
  EXPECT_FALSE(view->m_bModified);

  ui.expect_message(platform::IDOK);
  view->OnCommand(ID_HOST_REMOVE);
  clock.advance(CHostView::write_back_interval_ms);
  std::vector<std::string> left = stored_lines(*store);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0], "All Hosts");
  EXPECT_EQ(left[1].substr(0, 5), "  c [");
}

TEST_F(HostView, RenamesKeepTheRootAndRefuseBlanks) {
  auto root = group_node(u"All Hosts");
  add_host(*root, make_host(protocol_ssh2, "a", u"a"));
  seed(std::move(root));
  test_support::scripted_ui ui;  // any question would fail the test

  QTreeWidgetItem* top = view->RootItem();
  EXPECT_FALSE(top->flags() & Qt::ItemIsEditable);
  view->m_wndTree->setCurrentItem(top);
  view->m_wndTree->editItem(top);
  EXPECT_EQ(view->m_wndTree->viewport()->findChild<QLineEdit*>(), nullptr);
  view->OnCommand(ID_HOST_REMOVE);
  EXPECT_EQ(view->RootItem(), top);

  QTreeWidgetItem* host = item_named(*view, "a");
  rename(*view, host, "   ");
  EXPECT_EQ(host->text(0), "a");
  EXPECT_EQ(CHostView::Record(host)->name, u"a");
  EXPECT_FALSE(view->m_bModified);
  rename(*view, host, "web  ");
  EXPECT_EQ(host->text(0), "web  ");
  EXPECT_EQ(CHostView::Record(host)->name, u"web");
  EXPECT_TRUE(view->m_bModified);
}

TEST_F(HostView, NewHostRunsTheWizardAndNewGroupIsNamedInPlace) {
  select("All Hosts");
  view->OnCommand(ID_HOST_NEW_GROUP);
  QTreeWidgetItem* group = item_named(*view, "New Host Group");
  ASSERT_NE(group, nullptr);
  EXPECT_TRUE(view->m_bModified);
  auto* editor = view->m_wndTree->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);  // the new group's label is open for editing
  type_into(editor, "Routers");
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(group->text(0), "Routers");

  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    auto& sheet = static_cast<CHostPropertySheet&>(dialog);
    CProtocolComboBox* protocol = sheet.m_pageProtocol->m_wndProtocol;
    protocol->setCurrentIndex(protocol->findData(int(protocol_telnet)));
    emit protocol->activated(protocol->currentIndex());
    sheet.button(QWizard::NextButton)->click();
    type_into(sheet.m_pageTelnet->m_wndHost, "edge");
    sheet.button(QWizard::NextButton)->click();
    type_into(sheet.m_pageHostname->m_wndName, "Edge router");
    sheet.button(QWizard::FinishButton)->click();
  });
  ui.expect_modal([](QDialog& dialog) { dialog.reject(); });
  view->m_wndTree->setCurrentItem(group);
  group->setExpanded(false);
  view->m_bModified = false;
  view->OnCommand(ID_HOST_NEW);
  ASSERT_EQ(group->childCount(), 1);
  EXPECT_TRUE(group->isExpanded());
  EXPECT_TRUE(view->m_bModified);
  const session_record* made = CHostView::Record(group->child(0));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(group->child(0)->text(0), "Edge router");
  EXPECT_EQ(made->connection.telnet.hostname, "edge");
  // Cancelled: nothing added.
  view->OnCommand(ID_HOST_NEW);
  EXPECT_EQ(group->childCount(), 1);
}

TEST_F(HostView, CredentialsGoToTheLastHostWithTheUuid) {
  session_record first = make_host(protocol_ssh2, "a", u"first");
  session_record second = first;
  second.name = u"second";
  auto root = group_node(u"All Hosts");
  add_host(add_group(*root, u"G"), first);
  add_host(*root, second);
  seed(std::move(root));

  std::string user = "admin";
  EXPECT_TRUE(view->UpdateCredentials("no-such-uuid", &user, nullptr));
  EXPECT_FALSE(view->m_bModified);
  std::string password = "s3cret ";
  view->UpdateCredentials(first.uuid, &user, nullptr);
  view->UpdateCredentials(first.uuid, nullptr, &password);
  EXPECT_TRUE(view->m_bModified);
  const session_record* last = CHostView::Record(item_named(*view, "second"));
  EXPECT_EQ(last->connection.ssh2.username, "admin");
  EXPECT_EQ(last->connection.ssh2.password, "s3cret ");
  EXPECT_EQ(CHostView::Record(item_named(*view, "first"))->connection.ssh2.username, "");
}

TEST_F(HostView, AHostAtTheRootStillGivesAGroupTree) {
  // A tree whose root is a host (the file cannot hold one; set directly).
  store->hosts->set_tree(std::make_unique<host_node>(make_host(protocol_ssh2, "lone", u"lone")), false);
  view = std::make_unique<CHostView>(*store, clock);
  ASSERT_EQ(pane_lines(*view).size(), 2u);
  EXPECT_EQ(view->RootItem()->text(0), "All Hosts");
  view->m_bModified = true;
  clock.advance(CHostView::write_back_interval_ms);
  ASSERT_TRUE(store->hosts->root->is_group);
  std::vector<std::string> stored = stored_lines(*store);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[1].substr(0, 9), "  lone [0");
}

// --- In the main frame, with real sessions

class FrameHostView : public FrameTest {
 protected:
  void SetUp() override {
    configuration::instance().hosts->set_tree(group_node(u"All Hosts"), false);
    FrameTest::SetUp();
    pane = frame->m_wndHostView;
  }

  std::vector<std::u16string> session_names() {
    std::vector<std::u16string> names;
    for (CChildFrame* child : frame->SessionFrames()) names.push_back(child->GetDocument()->m_session.name);
    return names;
  }

  CHostView* pane;
};

TEST_F(FrameHostView, ConnectOpensEveryHostBelowInTreeOrder) {
  auto lab = group_node(u"Lab");
  add_host(*lab, make_host(protocol_telnet, "127.0.0.1", u"one"));
  host_node& inner = add_group(*lab, u"Inner");
  add_host(inner, make_host(protocol_telnet, "127.0.0.1", u"two"));
  add_host(*lab, make_host(protocol_telnet, "127.0.0.1", u"three"));
  add_group(*lab, u"Empty");
  pane->InsertNode(pane->RootItem(), *lab);

  pane->m_wndTree->setCurrentItem(item_named(*pane, "Empty"));
  pane->UpdateCommandUI();
  EXPECT_FALSE(pane->Action(ID_HOST_CONNECT)->isEnabled());
  pane->m_wndTree->setCurrentItem(item_named(*pane, "Lab"));
  pane->OnCommand(ID_HOST_CONNECT);
  EXPECT_EQ(session_names(), (std::vector<std::u16string>{u"one", u"two", u"three"}));

  // A double click on a host opens it; on a group it opens nothing.
  QTreeWidgetItem* two = item_named(*pane, "two");
  auto double_click = [&](QTreeWidgetItem* item) {
    QPoint at = pane->m_wndTree->visualItemRect(item).center();
    QTest::mouseClick(pane->m_wndTree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(pane->m_wndTree->viewport(), Qt::LeftButton, {}, at);
  };
  pane->m_wndTree->expandAll();
  double_click(two);
  double_click(item_named(*pane, "Inner"));
  EXPECT_EQ(session_names(), (std::vector<std::u16string>{u"one", u"two", u"three", u"two"}));
}

TEST_F(FrameHostView, OptionsUpdatesTheHostAndEachOfItsOpenSessions) {
  session_record host = make_host(protocol_telnet, "127.0.0.1", u"box");
  session_record other = make_host(protocol_telnet, "127.0.0.1", u"other");
  auto lab = group_node(u"Lab");
  add_host(*lab, host);
  pane->InsertNode(pane->RootItem(), *lab);
  open_session(host);
  open_session(other);
  open_session(host);

  test_support::scripted_ui ui;  // the dialog itself is stood in for by the hook
  int lock_mask = -1;
  pane->m_editSessionOptions = [&](session_record& record, int mask) {
    lock_mask = mask;
    record.name = u"box renamed";
    record.appearance.console_type = "vt100";
    return true;
  };
  pane->m_wndTree->setCurrentItem(item_named(*pane, "box"));
  pane->OnCommand(ID_HOST_OPTIONS);
  EXPECT_EQ(lock_mask, 0);
  EXPECT_TRUE(pane->m_bModified);
  QTreeWidgetItem* item = item_named(*pane, "box renamed");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(CHostView::Record(item)->appearance.console_type, "vt100");
  EXPECT_EQ(session_names(), (std::vector<std::u16string>{u"box renamed", u"other", u"box renamed"}));
  EXPECT_EQ(frame->SessionFrames()[2]->GetDocument()->m_session.appearance.console_type, "vt100");

  // Cancel changes nothing.
  pane->m_bModified = false;
  pane->m_editSessionOptions = [](session_record& record, int) {
    record.name = u"not kept";
    return false;
  };
  pane->OnCommand(ID_HOST_OPTIONS);
  EXPECT_EQ(item->text(0), "box renamed");
  EXPECT_FALSE(pane->m_bModified);
}

TEST_F(FrameHostView, OptionsRunSessionOptionsWithEveryPageEditable) {
  auto lab = group_node(u"Lab");
  add_host(*lab, make_host(protocol_telnet, "127.0.0.1", u"box"));
  pane->InsertNode(pane->RootItem(), *lab);
  pane->m_wndTree->setCurrentItem(item_named(*pane, "box"));
  pane->UpdateCommandUI();
  EXPECT_TRUE(pane->Action(ID_HOST_OPTIONS)->isEnabled());
  test_support::scripted_ui ui;
  ui.expect_modal([](QDialog& dialog) {
    EXPECT_EQ(dialog.objectName(), "CSessionOptionsDlg");
    auto* name = dialog.findChild<QLineEdit*>("id_418");
    EXPECT_TRUE(name->isEnabled());
    type_into(name, "box two");
    dialog.findChild<QPushButton*>("id_1")->click();
  });
  pane->OnCommand(ID_HOST_OPTIONS);
  EXPECT_NE(item_named(*pane, "box two"), nullptr);
  EXPECT_TRUE(pane->m_bModified);
}

TEST_F(FrameHostView, CloseCollectsAnEditMadeJustBefore) {
  session_record quick = make_host(protocol_ssh2, "late", u"late");
  pane->AddHost(quick);
  ASSERT_FALSE(configuration::instance().hosts->find(quick.uuid).has_value());
  frame->close();
  EXPECT_TRUE(configuration::instance().hosts->find(quick.uuid).has_value());
  EXPECT_TRUE(configuration::instance().save_pending());
}

TEST_F(FrameHostView, HostViewCommandShowsThePane) {
  EXPECT_EQ(frame->dockWidgetArea(pane), Qt::LeftDockWidgetArea);
  pane->hide();
  frame->OnCommand(ID_VIEW_HOSTVIEW);
  EXPECT_TRUE(pane->isVisible());
}

}  // namespace
