#include "settings/CHostSelectDlg.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

#include "platform/dialog_ids.h"
#include "config/host_param.h"
#include "config/text_convert.h"
#include "platform/qt_text.h"
#include "settings/controls/dialog_buttons.h"

namespace {
constexpr int uuid_role = Qt::UserRole;
}

CHostSelectDlg::CHostSelectDlg(const host_param& hosts, QWidget* parent) : QDialog(parent) {
  setObjectName("CHostSelectDlg");
  setWindowTitle("Host Selection");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Please select  target host:", this));
  m_wndList = with_id(new QListWidget(this), 1061);
  layout->addWidget(m_wndList);
  m_wndOk = add_ok_cancel(*this, *layout);

  std::vector<session_record> found;
  if (hosts.root) for_each_host(*hosts.root, [&found](const session_record& r) { collect_host(r, found); });
  for (const auto& host : found) {
    auto* row = new QListWidgetItem(platform::to_qstring(host.name), m_wndList);
    row->setData(uuid_role, platform::to_qstring(mbs_to_wstring(host.uuid)));
  }
  m_wndOk->setEnabled(false);
  connect(m_wndList, &QListWidget::itemSelectionChanged, this,
          [this] { m_wndOk->setEnabled(!m_wndList->selectedItems().isEmpty()); });
}

void CHostSelectDlg::accept() {
  auto selected = m_wndList->selectedItems();
  if (selected.isEmpty()) return;
  m_strHostUuid = platform::to_u16string(selected.front()->data(uuid_role).toString());
  QDialog::accept();
}
