#include "servers/pages/CDhcpPropertyPage.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "config/configuration.h"
#include "config/dhcpd_param.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "servers/pages/CDhcpPoolDlg.h"
#include "servers/pages/dhcp_pool_form.h"
#include "servers/pages/page_wiring.h"
#include "servers/pages/server_combo_boxes.h"
#include "settings/controls/combo_boxes.h"

namespace {

struct column {
  const char* title;
  int width;
};

QTreeWidget* make_report_list(QWidget* parent, int id, std::initializer_list<column> columns) {
  auto* list = with_id(new QTreeWidget(parent), id);
  list->setRootIsDecorated(false);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  QStringList titles;
  for (const column& c : columns) titles << QString::fromLatin1(c.title);
  list->setHeaderLabels(titles);
  int index = 0;
  for (const column& c : columns) list->setColumnWidth(index++, c.width);
  return list;
}

// The columns keep their widths unless a text is wider: this system's fonts are wider than the
// ones the widths were chosen for.
void widen_columns_to_fit(QTreeWidget* list) {
  constexpr int text_margins = 12;
  const QFontMetrics metrics(list->font());
  for (int i = 0; i < list->columnCount(); ++i) {
    int width = list->columnWidth(i);
    for (int row = 0; row < list->topLevelItemCount(); ++row)
      width = std::max(width, metrics.horizontalAdvance(list->topLevelItem(row)->text(i)) + text_margins);
    list->setColumnWidth(i, width);
  }
}

QAction* make_command(QWidget* parent, int id, const char* text) {
  return with_id(new QAction(QString::fromLatin1(text), parent), id);
}

}  // namespace

CDhcpPropertyPage::CDhcpPropertyPage(QWidget* parent) : CMyPage(QStringLiteral("DHCP"), parent) {
  setObjectName("CDhcpPropertyPage");
  m_bEnable = with_id(new QCheckBox(QStringLiteral("DHCP Server Enable"), this), 338);
  m_wndInterface = with_id(new CInterfaceComboBox(this), 339);
  m_wndLogLevel = with_id(new CLogLevelComboBox(this), 342);
  m_wndPools = make_report_list(this, 340, {{"Type", 80}, {"Pool", 200}, {"Lease Time", 100}});
  m_wndLeases = make_report_list(this, 341, {{"IP", 80}, {"MAC", 120}, {"Allocated", 100}, {"Renewed", 100}});
  m_actNewPool = make_command(this, 370, "New Pool (&N)");
  m_actEditPool = make_command(this, 371, "Edit Pool (&E)");
  m_actRemovePool = make_command(this, 372, "Remove Pool (&R)");
  m_actRemoveLease = make_command(this, 373, "&Remove lease");

  auto* top = new QGridLayout;
  top->addWidget(new QLabel(QStringLiteral("Bind Interface:"), this), 0, 0);
  top->addWidget(m_wndInterface, 0, 1);
  top->addWidget(new QLabel(QStringLiteral("Log Level:"), this), 0, 2);
  top->addWidget(m_wndLogLevel, 0, 3);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_bEnable);
  layout->addLayout(top);
  layout->addWidget(new QLabel(QStringLiteral("IP Pool:"), this));
  layout->addWidget(m_wndPools, 1);
  layout->addWidget(new QLabel(QStringLiteral("Active Lease:"), this));
  layout->addWidget(m_wndLeases, 1);

  mark_modified_on_change(*this, {m_bEnable, m_wndInterface, m_wndLogLevel});
  connect(m_actNewPool, &QAction::triggered, this, &CDhcpPropertyPage::OnNewPool);
  connect(m_actEditPool, &QAction::triggered, this, &CDhcpPropertyPage::OnEditPool);
  connect(m_actRemovePool, &QAction::triggered, this, &CDhcpPropertyPage::OnRemovePool);
  connect(m_actRemoveLease, &QAction::triggered, this, &CDhcpPropertyPage::OnRemoveLease);
  connect(m_wndPools, &QWidget::customContextMenuRequested, this, &CDhcpPropertyPage::ShowPoolMenu);
  connect(m_wndLeases, &QWidget::customContextMenuRequested, this, &CDhcpPropertyPage::ShowLeaseMenu);
  connect(&m_timer, &QTimer::timeout, this, &CDhcpPropertyPage::RefreshLeases);
}

void CDhcpPropertyPage::OnInitDialog() {
  const dhcpd_param& settings = *configuration::instance().dhcpd;
  m_bEnable->setChecked(settings.enable);
  m_wndInterface->SelectAddress(settings.interface_address);
  select_combo_item_by_data(*m_wndLogLevel, settings.log_level);
  for (const dhcp_pool& pool : settings.pools) AppendPoolRow(pool);
  RefreshLeases();
  m_timer.start(refresh_interval_ms);
}

void CDhcpPropertyPage::AppendPoolRow(const dhcp_pool& pool) {
  m_pools.push_back(pool);
  m_wndPools->addTopLevelItem(new QTreeWidgetItem(m_wndPools));
  SetPoolRow(static_cast<int>(m_pools.size()) - 1, pool);
}

void CDhcpPropertyPage::SetPoolRow(int row, const dhcp_pool& pool) {
  m_pools[row] = pool;
  QTreeWidgetItem* item = m_wndPools->topLevelItem(row);
  const QStringList texts = pool_row(pool);
  for (int i = 0; i < texts.size(); ++i) item->setText(i, texts[i]);
  widen_columns_to_fit(m_wndPools);
}

int CDhcpPropertyPage::SelectedPoolRow() const {
  const QList<QTreeWidgetItem*> selected = m_wndPools->selectedItems();
  return selected.isEmpty() ? -1 : m_wndPools->indexOfTopLevelItem(selected.front());
}

void CDhcpPropertyPage::ShowPoolMenu(const QPoint& position) {
  const bool selected = SelectedPoolRow() >= 0;
  m_actEditPool->setEnabled(selected);
  m_actRemovePool->setEnabled(selected);
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addActions({m_actNewPool, m_actEditPool, m_actRemovePool});
  menu->popup(m_wndPools->viewport()->mapToGlobal(position));
}

void CDhcpPropertyPage::ShowLeaseMenu(const QPoint& position) {
  if (m_wndLeases->selectedItems().isEmpty()) return;
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addAction(m_actRemoveLease);
  menu->popup(m_wndLeases->viewport()->mapToGlobal(position));
}

void CDhcpPropertyPage::OnNewPool() {
  CDhcpPoolDlg dialog(nullptr, this);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  AppendPoolRow(dialog.m_pool);
  SetModified();
}

void CDhcpPropertyPage::OnEditPool() {
  const int row = SelectedPoolRow();
  if (row < 0) return;
  CDhcpPoolDlg dialog(&m_pools[row], this);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  SetPoolRow(row, dialog.m_pool);
  SetModified();
}

void CDhcpPropertyPage::OnRemovePool() {
  const int row = SelectedPoolRow();
  if (row < 0) return;
  m_pools.erase(m_pools.begin() + row);
  delete m_wndPools->takeTopLevelItem(row);
  SetModified();
}

void CDhcpPropertyPage::OnRemoveLease() {
  const QList<QTreeWidgetItem*> selected = m_wndLeases->selectedItems();
  if (selected.isEmpty()) return;
  mac_address mac{};
  if (!read_mac(selected.front()->text(1).toStdString(), mac)) return;
  // The list shows the change at the next refresh.
  if (dhcpd::instance()->remove_lease(mac) == dhcpd::removal::static_lease)
    show_page_message(this, QStringLiteral("Static lease can't be removed!"));
}

void CDhcpPropertyPage::RefreshLeases() {
  std::vector<dhcp_lease_info> leases;
  dhcpd::instance()->copy_leases(leases);
  if (leases == m_leases) return;
  m_leases = std::move(leases);
  m_wndLeases->clear();
  // Each row goes on top, so the highest address is listed first.
  for (const dhcp_lease_info& lease : m_leases)
    m_wndLeases->insertTopLevelItem(0, new QTreeWidgetItem(lease_row(lease)));
  widen_columns_to_fit(m_wndLeases);
}

bool CDhcpPropertyPage::OnApply() {
  if (!m_bModified) return true;
  configuration& store = configuration::instance();
  dhcpd_param settings = *store.dhcpd;
  if (!m_wndInterface->GetAddress(settings.interface_address)) {
    show_page_message(this, QStringLiteral("Invalid interface!"));
    return false;
  }
  settings.enable = m_bEnable->isChecked();
  settings.log_level = static_cast<log_level>(m_wndLogLevel->GetLevel());
  settings.pools = m_pools;

  return restart_and_store(*this, *dhcpd::instance(), settings, *store.dhcpd, QStringLiteral("Start DHCP server failed!"));
}
