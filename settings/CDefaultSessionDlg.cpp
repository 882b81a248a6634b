#include "settings/CDefaultSessionDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "config/configuration.h"
#include "config/host_param.h"
#include "config/text_convert.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "settings/CHostSelectDlg.h"

namespace {

constexpr int uuid_role = Qt::UserRole;

// Hosts are listed by name as people read them: without regard to case.
class host_item : public QListWidgetItem {
 public:
  using QListWidgetItem::QListWidgetItem;
  bool operator<(const QListWidgetItem& other) const override {
    return text().localeAwareCompare(other.text()) < 0;
  }
};

}  // namespace

CDefaultSessionDlg::CDefaultSessionDlg(QWidget* parent) : COptDialog(parent) {
  auto* group = new QGroupBox("Default Session Setting", this);
  m_wndNone = with_id(new QRadioButton("Do not launch default session", group), 414);
  m_wndLast = with_id(new QRadioButton("Remember last sessions", group), 415);
  m_wndCustom = with_id(new QRadioButton("Use custom sessions", group), 416);
  m_wndHosts = with_id(new QListWidget(group), 417);
  m_wndHosts->setSortingEnabled(true);
  m_wndNew = with_id(new QPushButton("New...", group), 386);
  m_wndDelete = with_id(new QPushButton("Delete", group), 387);

  auto* grid = new QGridLayout(group);
  grid->addWidget(m_wndNone, 0, 0, 1, 2);
  grid->addWidget(m_wndLast, 1, 0, 1, 2);
  grid->addWidget(m_wndCustom, 2, 0, 1, 2);
  grid->addWidget(m_wndHosts, 3, 0, 3, 1);
  grid->addWidget(m_wndNew, 3, 1);
  grid->addWidget(m_wndDelete, 4, 1);
  grid->setRowStretch(5, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);

  for (QRadioButton* radio : {m_wndNone, m_wndLast, m_wndCustom})
    connect(radio, &QRadioButton::clicked, this, &CDefaultSessionDlg::OnTypeClicked);
  connect(m_wndNew, &QPushButton::clicked, this, &CDefaultSessionDlg::OnNew);
  connect(m_wndDelete, &QPushButton::clicked, this, &CDefaultSessionDlg::OnDelete);
}

void CDefaultSessionDlg::LoadFromConfig() { m_defaults = *configuration::instance().default_session; }

void CDefaultSessionDlg::StoreToConfig() { *configuration::instance().default_session = m_defaults; }

void CDefaultSessionDlg::OnInitDialog() {
  LoadFromConfig();
  switch (m_defaults.session_type) {
    case default_session_last: m_wndLast->setChecked(true); break;
    case default_session_custom: m_wndCustom->setChecked(true); break;
    default: m_wndNone->setChecked(true); break;
  }
  // Uuids whose host is gone are not shown; they stay in the copy until the list is rebuilt.
  if (const host_param* hosts = configuration::instance().hosts) {
    for (const std::string& uuid : m_defaults.custom_sessions)
      if (auto host = hosts->find(uuid)) AddHost(*host);
  }
  EnableList();
}

void CDefaultSessionDlg::AddHost(const session_record& host) {
  const QString uuid = platform::to_qstring(mbs_to_wstring(host.uuid));
  for (int i = 0; i < m_wndHosts->count(); ++i)
    if (m_wndHosts->item(i)->data(uuid_role).toString() == uuid) return;
  auto* item = new host_item(platform::to_qstring(host.name));
  item->setData(uuid_role, uuid);
  m_wndHosts->addItem(item);
}

void CDefaultSessionDlg::SyncCustomSessions() {
  m_defaults.custom_sessions.clear();
  for (int i = 0; i < m_wndHosts->count(); ++i)
    m_defaults.custom_sessions.push_back(
        wcs_to_string(platform::to_u16string(m_wndHosts->item(i)->data(uuid_role).toString())));
}

void CDefaultSessionDlg::EnableList() {
  const bool custom = m_defaults.session_type == default_session_custom;
  m_wndHosts->setEnabled(custom);
  m_wndNew->setEnabled(custom);
  m_wndDelete->setEnabled(custom);
}

void CDefaultSessionDlg::OnTypeClicked() {
  m_defaults.session_type = m_wndNone->isChecked()   ? default_session_none
                            : m_wndLast->isChecked() ? default_session_last
                                                     : default_session_custom;
  EnableList();
  OnModified();
}

void CDefaultSessionDlg::OnNew() {
  const host_param* hosts = configuration::instance().hosts;
  if (!hosts) return;
  CHostSelectDlg dialog(*hosts, this);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  auto host = hosts->find(wcs_to_string(dialog.m_strHostUuid));
  if (!host) return;
  AddHost(*host);
  SyncCustomSessions();
  OnModified();
}

void CDefaultSessionDlg::OnDelete() {
  QListWidgetItem* item = m_wndHosts->currentItem();
  if (!item || !item->isSelected()) return;
  delete item;
  SyncCustomSessions();
  OnModified();
}
