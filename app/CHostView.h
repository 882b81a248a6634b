#pragma once
// The "Host View" pane on the left of the main frame: the saved hosts as a tree of groups and
// hosts under the root group. From it the user opens sessions, adds hosts (through the new
// host wizard) and groups, renames and removes them, and edits a host's settings.
//
// The pane edits its own copy of the tree: each host item holds its own record. An edit only
// marks the pane modified; every 3000 ms a modified tree is collected into a new host tree and
// handed to the settings store, which saves it 3000 ms later. The close of the main frame
// collects once more, so an edit made just before the end is not lost. GUI thread only.
#include <QDockWidget>
#include <QToolBar>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "config/session_record.h"

class configuration;
class QMenu;
struct host_node;
namespace platform {
class clock;
class one_shot_timer;
}  // namespace platform

// The pane's commands (its toolbar and its "Session" context menu).
enum host_command : int {
  ID_HOST_CONNECT = 32787,    // "&Connect"
  ID_HOST_NEW = 32788,        // "&New Host"
  ID_HOST_NEW_GROUP = 32774,  // "New Host &Group"
  ID_HOST_EDIT = 32790,       // "&Edit": no handler
  ID_HOST_REMOVE = 32775,     // "&Remove"
  ID_HOST_OPTIONS = 32856,    // "&Options..."
};

// The pane's toolbar: locked in place above the tree; its commands go to the pane.
class CHostToolBar : public QToolBar {
 public:
  explicit CHostToolBar(QWidget* owner);
};

// The tree: lines, expand buttons, labels edited in place, no drag and drop.
class CViewTree : public QTreeWidget {
 public:
  explicit CViewTree(QWidget* parent);
};

class CHostView : public QDockWidget {
 public:
  static constexpr int write_back_interval_ms = 3000;

  // Shows the host tree of `settings` and hands edits back to it on `clock`'s timers.
  CHostView(configuration& settings, platform::clock& clock, QWidget* parent = nullptr);
  ~CHostView() override;

  // Quick connect's "Save session": a host for the record under the selected group (the group
  // above a selected host; the root when nothing is selected), labelled with the protocol's
  // title. The group is not expanded.
  bool AddHost(const session_record& record);
  // A login answer to keep: the last host in tree order with that uuid takes the user name
  // and/or password that are given. Nothing when no host has the uuid.
  bool UpdateCredentials(const std::string& uuid, const std::string* username, const std::string* password);
  // Calls `visit` (which may be empty) on `item` and then on every item below it, each before
  // its children, children in order.
  void WalkTree(QTreeWidgetItem* item, const std::function<void(QTreeWidgetItem*)>& visit);
  // The record of the last host in tree order whose uuid equals `uuid` exactly, or null.
  session_record* LastHostWithUuid(const std::string& uuid);

  // Appends an item for `node` (and its subtree) under `parent`, or as the root when `parent`
  // is null (a root that is a host gets a root group "All Hosts" above it).
  QTreeWidgetItem* InsertNode(QTreeWidgetItem* parent, const host_node& node);
  // The subtree of `item` as host-tree nodes. A group becomes a new node appended to `group`,
  // or returned as the root when `group` is null; a host is appended to `group` (null: nothing
  // is made and null returned).
  std::unique_ptr<host_node> CollectNode(QTreeWidgetItem* item, host_node* group);
  // The write-back, on every tick of the pane's timer: a modified tree goes to the settings.
  void OnTimer();

  // Runs a pane command as its toolbar button or menu entry does.
  void OnCommand(int id);
  void UpdateCommandUI();
  QAction* Action(int id) const;

  // The record a host item holds; null for a group (that is what tells them apart).
  static session_record* Record(QTreeWidgetItem* item);
  QTreeWidgetItem* RootItem() const;

  bool m_bModified = false;
  CHostToolBar* m_wndToolBar;
  CViewTree* m_wndTree;
  QMenu* m_menuSession;
  // Runs the Session Options dialog on a record with a lock mask and answers whether it was
  // accepted. The main frame sets it when the program has that dialog; while it is empty the
  // Options command shows disabled.
  std::function<bool(session_record&, int lock_mask)> m_editSessionOptions;

 private:
  class label_delegate;

  QAction* AddCommand(int id, const QString& text, const QString& tip, const QString& icon = {});
  QTreeWidgetItem* AppendHostItem(QTreeWidgetItem* parent, const session_record& record, const QString& label);
  QTreeWidgetItem* AppendGroupItem(QTreeWidgetItem* parent, const QString& name);
  // The hosts of the selected item and below it, in tree order.
  std::vector<session_record> SelectedHosts();
  void OnConnect();
  void OnNewHost();
  void OnNewHostGroup();
  void OnRemove();
  void OnOptions();
  // A label edit ended with `text`: false (and nothing changed) for a blank name.
  bool OnLabelEdited(QTreeWidgetItem* item, const QString& text);
  void ShowContextMenu(const QPoint& at);

  configuration& m_settings;
  std::unique_ptr<platform::one_shot_timer> m_timer;
  std::map<int, QAction*> m_actions;
};
