#include "settings/CCommonOptionsDlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QVBoxLayout>

#include "config/configuration.h"
#include "platform/dialog_ids.h"

CCommonOptionsDlg::CCommonOptionsDlg(QWidget* parent) : COptDialog(parent) {
  auto* group = new QGroupBox("Dialog", this);
  m_wndClose = with_id(new QCheckBox("Show confirm dialog when close a session", group), 411);
  m_wndDisconnect = with_id(new QCheckBox("Show confirm dialog when disconnect from host", group), 413);
  m_wndReconnect = with_id(new QCheckBox("Show confirm dialog when reconnect to host", group), 412);
  auto* boxes = new QVBoxLayout(group);
  boxes->addWidget(m_wndClose);
  boxes->addWidget(m_wndDisconnect);
  boxes->addWidget(m_wndReconnect);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addStretch(1);

  BindFlag(m_wndClose, m_options.close_confirm);
  BindFlag(m_wndDisconnect, m_options.disconnect_confirm);
  BindFlag(m_wndReconnect, m_options.reconnect_confirm);
}

void CCommonOptionsDlg::LoadFromConfig() { m_options = *configuration::instance().common_options; }

void CCommonOptionsDlg::StoreToConfig() { *configuration::instance().common_options = m_options; }

void CCommonOptionsDlg::OnInitDialog() {
  LoadFromConfig();
  m_wndClose->setChecked(m_options.close_confirm);
  m_wndDisconnect->setChecked(m_options.disconnect_confirm);
  m_wndReconnect->setChecked(m_options.reconnect_confirm);
}
