#include "app/CHostView.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "app/CHostPropertySheet.h"
#include "app/login_prompts.h"
#include "app/open_session.h"
#include "app/quick_connect_rules.h"
#include "config/configuration.h"
#include "config/host_param.h"
#include "platform/clock.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "settings/controls/control_look.h"

namespace {

constexpr int group_icon = 338;
constexpr int host_icon = 339;
constexpr int host_item_type = QTreeWidgetItem::UserType + 1;

// A host item owns its record; a group item is a plain item without one.
class host_item : public QTreeWidgetItem {
 public:
  explicit host_item(const session_record& copy)
      : QTreeWidgetItem(host_item_type), record(std::make_unique<session_record>(copy)) {}
  std::unique_ptr<session_record> record;
};

}  // namespace

// Ends a label edit: a blank name is refused and the label stays as it was.
class CHostView::label_delegate : public QStyledItemDelegate {
 public:
  explicit label_delegate(CHostView* view) : QStyledItemDelegate(view), m_view(view) {}

  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    QTreeWidgetItem* item = m_view->m_wndTree->itemFromIndex(index);
    if (edit && item) m_view->OnLabelEdited(item, edit->text());
  }

 private:
  CHostView* m_view;
};

CHostToolBar::CHostToolBar(QWidget* owner) : QToolBar(owner) {
  setMovable(false);
  setFloatable(false);
  setIconSize(QSize(16, 16));
  setToolButtonStyle(Qt::ToolButtonIconOnly);
}

CViewTree::CViewTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setIconSize(QSize(16, 16));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  setFrameShape(QFrame::NoFrame);
}

CHostView::CHostView(configuration& settings, platform::clock& clock, QWidget* parent)
    : QDockWidget("Host View", parent), m_settings(settings) {
  setObjectName("HostView");
  setWindowIcon(QIcon(":/icons/hostview.xpm"));

  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_wndToolBar = with_id(new CHostToolBar(body), 330);
  layout->addWidget(m_wndToolBar);
  // A one-pixel frame in the shadow colour around the tree.
  auto* frame = new QFrame(body);
  frame->setFrameStyle(QFrame::Box | QFrame::Plain);
  frame->setLineWidth(1);
  frame->setForegroundRole(QPalette::Dark);
  auto* inside = new QVBoxLayout(frame);
  inside->setContentsMargins(1, 1, 1, 1);
  m_wndTree = with_id(new CViewTree(frame), 4);
  m_wndTree->setItemDelegate(new label_delegate(this));
  inside->addWidget(m_wndTree);
  layout->addWidget(frame);
  setWidget(body);

  AddCommand(ID_HOST_CONNECT, "&Connect", "Connect to hosts\nConnect", "host_connect");
  AddCommand(ID_HOST_NEW, "&New Host", "New host\nNew", "host_new");
  AddCommand(ID_HOST_NEW_GROUP, "New Host &Group", "New host group\nGroup", "host_new_group");
  AddCommand(ID_HOST_EDIT, "&Edit", {});
  AddCommand(ID_HOST_REMOVE, "&Remove", "Remove hosts\nRemove", "host_remove");
  AddCommand(ID_HOST_OPTIONS, "&Options...", {});
  m_wndToolBar->addAction(Action(ID_HOST_CONNECT));
  m_wndToolBar->addSeparator();
  for (int id : {ID_HOST_NEW, ID_HOST_NEW_GROUP, ID_HOST_REMOVE}) m_wndToolBar->addAction(Action(id));
  m_menuSession = new QMenu("Session", this);
  m_menuSession->setObjectName("id_340");
  for (int id : {ID_HOST_CONNECT, ID_HOST_NEW, ID_HOST_NEW_GROUP, ID_HOST_EDIT, ID_HOST_REMOVE, ID_HOST_OPTIONS})
    m_menuSession->addAction(Action(id));

  if (const host_param* hosts = settings.hosts; hosts && hosts->root) InsertNode(nullptr, *hosts->root);
  else InsertNode(nullptr, host_node(std::u16string(u"All Hosts")));
  if (QTreeWidgetItem* root = RootItem()) {
    root->setExpanded(true);
    m_wndTree->setCurrentItem(root);
  }

  connect(m_wndTree, &QTreeWidget::currentItemChanged, this, [this] { UpdateCommandUI(); });
  connect(m_wndTree, &QTreeWidget::itemDoubleClicked, this, [](QTreeWidgetItem* item) {
    // A group's double click is the tree's own: it opens or closes the group.
    if (const session_record* record = Record(item)) open_session(*record);
  });
  m_wndTree->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_wndTree, &QWidget::customContextMenuRequested, this, &CHostView::ShowContextMenu);
  UpdateCommandUI();

  m_timer = clock.make_timer([this] {
    OnTimer();
    m_timer->start(write_back_interval_ms);
  });
  m_timer->start(write_back_interval_ms);
}

CHostView::~CHostView() = default;

QAction* CHostView::AddCommand(int id, const QString& text, const QString& tip, const QString& icon) {
  auto* action = new QAction(text, this);
  action->setData(id);
  action->setObjectName(QStringLiteral("command_%1").arg(id));
  if (!icon.isEmpty()) action->setIcon(QIcon(":/icons/" + icon + ".xpm"));
  // The command string: the status-bar prompt, then the tooltip.
  QStringList parts = tip.split('\n');
  if (parts.size() == 2) {
    action->setStatusTip(parts[0]);
    action->setToolTip(parts[1]);
  }
  connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
  m_actions[id] = action;
  return action;
}

QAction* CHostView::Action(int id) const {
  auto found = m_actions.find(id);
  return found == m_actions.end() ? nullptr : found->second;
}

session_record* CHostView::Record(QTreeWidgetItem* item) {
  return item && item->type() == host_item_type ? static_cast<host_item*>(item)->record.get() : nullptr;
}

QTreeWidgetItem* CHostView::RootItem() const { return m_wndTree->topLevelItem(0); }

QTreeWidgetItem* CHostView::AppendGroupItem(QTreeWidgetItem* parent, const QString& name) {
  auto* item = new QTreeWidgetItem(QStringList{name});
  item->setIcon(0, resource_icon(group_icon));
  if (parent) {
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    parent->addChild(item);
  } else {
    // The root is drawn bold and keeps its name.
    QFont bold = item->font(0);
    bold.setBold(true);
    item->setFont(0, bold);
    m_wndTree->addTopLevelItem(item);
  }
  return item;
}

QTreeWidgetItem* CHostView::AppendHostItem(QTreeWidgetItem* parent, const session_record& record,
                                           const QString& label) {
  auto* item = new host_item(record);
  item->setText(0, label);
  item->setIcon(0, resource_icon(host_icon));
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  parent->addChild(item);
  return item;
}

QTreeWidgetItem* CHostView::InsertNode(QTreeWidgetItem* parent, const host_node& node) {
  if (!node.is_group) {
    if (!node.host) return nullptr;
    // Every tree shown has a group at its root, so that collecting it always gives a tree.
    if (!parent) parent = AppendGroupItem(nullptr, "All Hosts");
    return AppendHostItem(parent, *node.host, platform::to_qstring(node.host->name));
  }
  if (!node.group) return nullptr;
  QTreeWidgetItem* item = AppendGroupItem(parent, platform::to_qstring(node.group->name));
  for (const auto& child : node.group->children)
    if (child) InsertNode(item, *child);
  return item;
}

std::unique_ptr<host_node> CHostView::CollectNode(QTreeWidgetItem* item, host_node* group) {
  if (const session_record* record = Record(item)) {
    if (group) group->group->children.push_back(std::make_unique<host_node>(*record));
    return nullptr;
  }
  auto made = std::make_unique<host_node>(platform::to_u16string(item->text(0)));
  host_node* node = made.get();
  for (int i = 0; i < item->childCount(); ++i) CollectNode(item->child(i), node);
  if (!group) return made;
  group->group->children.push_back(std::move(made));
  return nullptr;
}

void CHostView::OnTimer() {
  if (!m_bModified) return;
  QTreeWidgetItem* root = RootItem();
  std::unique_ptr<host_node> tree = root ? CollectNode(root, nullptr) : nullptr;
  // The store keeps what it has rather than lose every host to an empty tree.
  if (tree && m_settings.hosts) m_settings.hosts->set_tree(std::move(tree), true);
  m_bModified = false;
}

void CHostView::WalkTree(QTreeWidgetItem* item, const std::function<void(QTreeWidgetItem*)>& visit) {
  if (!item) return;
  if (visit) visit(item);
  for (int i = 0; i < item->childCount(); ++i) WalkTree(item->child(i), visit);
}

session_record* CHostView::LastHostWithUuid(const std::string& uuid) {
  session_record* found = nullptr;
  WalkTree(RootItem(), [&](QTreeWidgetItem* item) {
    if (session_record* record = Record(item); record && record->uuid == uuid) found = record;
  });
  return found;
}

std::vector<session_record> CHostView::SelectedHosts() {
  std::vector<session_record> hosts;
  WalkTree(m_wndTree->currentItem(), [&](QTreeWidgetItem* item) {
    if (const session_record* record = Record(item)) hosts.push_back(*record);
  });
  return hosts;
}

void CHostView::UpdateCommandUI() {
  QTreeWidgetItem* selected = m_wndTree->currentItem();
  bool is_group = selected && !Record(selected);
  bool host_below = false;
  WalkTree(selected, [&](QTreeWidgetItem* item) { host_below = host_below || Record(item); });
  Action(ID_HOST_CONNECT)->setEnabled(host_below);
  Action(ID_HOST_NEW)->setEnabled(is_group);
  Action(ID_HOST_NEW_GROUP)->setEnabled(is_group);
  Action(ID_HOST_EDIT)->setEnabled(false);
  Action(ID_HOST_REMOVE)->setEnabled(selected && selected->parent());
  Action(ID_HOST_OPTIONS)->setEnabled(selected && Record(selected) && m_editSessionOptions);
}

void CHostView::OnCommand(int id) {
  UpdateCommandUI();
  QAction* action = Action(id);
  if (!action || !action->isEnabled()) return;
  switch (id) {
    case ID_HOST_CONNECT: OnConnect(); break;
    case ID_HOST_NEW: OnNewHost(); break;
    case ID_HOST_NEW_GROUP: OnNewHostGroup(); break;
    case ID_HOST_REMOVE: OnRemove(); break;
    case ID_HOST_OPTIONS: OnOptions(); break;
    default: break;
  }
  UpdateCommandUI();
}

void CHostView::OnConnect() {
  for (const session_record& record : SelectedHosts()) open_session(record);
}

void CHostView::OnNewHost() {
  QTreeWidgetItem* group = m_wndTree->currentItem();
  CHostPropertySheet sheet(this);
  if (sheet.DoModal() != CCBPropertySheet::ID_WIZFINISH) return;
  AppendHostItem(group, sheet.m_session, platform::to_qstring(sheet.m_session.name));
  group->setExpanded(true);
  m_bModified = true;
}

void CHostView::OnNewHostGroup() {
  QTreeWidgetItem* parent = m_wndTree->currentItem();
  QTreeWidgetItem* group = AppendGroupItem(parent, "New Host Group");
  parent->setExpanded(true);
  m_wndTree->setCurrentItem(group);
  m_wndTree->editItem(group);
  m_bModified = true;
}

void CHostView::OnRemove() {
  if (platform::ui::instance().message_box(this, "Are you sure to remove the hosts?", "Confirm",
                                           platform::MB_OKCANCEL | platform::MB_ICONQUESTION) != platform::IDOK)
    return;
  // The items own their records: deleting the subtree frees them.
  delete m_wndTree->currentItem();
  m_bModified = true;
}

void CHostView::OnOptions() {
  QTreeWidgetItem* item = m_wndTree->currentItem();
  session_record* record = Record(item);
  session_record edited = *record;
  if (!m_editSessionOptions(edited, 0)) return;
  *record = edited;
  item->setText(0, platform::to_qstring(edited.name));
  m_bModified = true;
  update_open_sessions(edited);
}

bool CHostView::OnLabelEdited(QTreeWidgetItem* item, const QString& text) {
  std::u16string name = trim_trailing_blanks(platform::to_u16string(text));
  if (name.empty() || !item->parent()) return false;
  item->setText(0, text);
  if (session_record* record = Record(item)) record->name = name;
  m_bModified = true;
  return true;
}

bool CHostView::AddHost(const session_record& record) {
  QTreeWidgetItem* parent = m_wndTree->currentItem();
  while (parent && Record(parent)) parent = parent->parent();
  if (!parent) parent = RootItem();
  const param_interface* block = record.connection.selected();
  AppendHostItem(parent, record, platform::to_qstring(block ? block->title() : record.name));
  m_bModified = true;
  UpdateCommandUI();
  return true;
}

bool CHostView::UpdateCredentials(const std::string& uuid, const std::string* username, const std::string* password) {
  session_record* host = LastHostWithUuid(uuid);
  if (!host) return true;
  keep_credentials(host->connection.ssh2, username, password);
  m_bModified = true;
  return true;
}

void CHostView::ShowContextMenu(const QPoint& at) {
  if (QTreeWidgetItem* item = m_wndTree->itemAt(at)) m_wndTree->setCurrentItem(item);
  m_wndTree->setFocus();
  UpdateCommandUI();
  m_menuSession->popup(m_wndTree->viewport()->mapToGlobal(at));
}
