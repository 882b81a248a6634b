#include "settings/CConnectionDlg.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/session_record.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "settings/controls/combo_boxes.h"
#include "settings/protocol_pages.h"

CConnectionDlg::CConnectionDlg(session_record& session, QWidget* parent) : COptDialog(parent), m_session(session) {
  m_wndName = with_id(new QLineEdit(this), 418);
  m_wndProtocol = with_id(new CProtocolComboBox(this), 310);
  auto changed = [this] { OnModified(); };
  m_pSsh2 = with_id(new COptSsh2Page(session, changed, this), 421);
  m_pSerial = with_id(new COptSerialPage(session, changed, this), 420);
  m_pTelnet = with_id(new COptTelnetPage(session, changed, this), 422);

  auto* form = new QFormLayout;
  form->addRow("Session Name:", m_wndName);
  form->addRow(with_id(new QLabel("Protocol Type:", this), 419), m_wndProtocol);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addSpacing(4);
  for (QWidget* page : {static_cast<QWidget*>(m_pSsh2), static_cast<QWidget*>(m_pSerial),
                        static_cast<QWidget*>(m_pTelnet)})
    layout->addWidget(page, 1);

  connect(m_wndName, &QLineEdit::textChanged, this, &CConnectionDlg::OnModified);
  connect(m_wndProtocol, &QComboBox::activated, this, &CConnectionDlg::OnProtocolChanged);
}

void CConnectionDlg::OnInitDialog() {
  m_wndName->setText(platform::to_qstring(m_session.name));
  select_combo_item_by_data(*m_wndProtocol, m_session.connection.protocol);
  m_pSsh2->LoadFromSession();
  m_pSerial->LoadFromSession();
  m_pTelnet->LoadFromSession();
  OnProtocolChanged();
}

void CConnectionDlg::OnProtocolChanged() {
  const QVariant protocol = m_wndProtocol->currentData();
  if (!protocol.isValid()) return;
  switch (protocol.toInt()) {
    case protocol_ssh2:
    case protocol_telnet:
    case protocol_serial:
      m_pSsh2->setVisible(protocol.toInt() == protocol_ssh2);
      m_pTelnet->setVisible(protocol.toInt() == protocol_telnet);
      m_pSerial->setVisible(protocol.toInt() == protocol_serial);
      OnModified();
      break;
    default: break;
  }
}

bool CConnectionDlg::Validate() {
  const QString name = m_wndName->text().trimmed();
  if (name.isEmpty()) return Refuse("You need to enter a session name!");
  m_session.name = platform::to_u16string(name);
  const QVariant protocol = m_wndProtocol->currentData();
  if (!protocol.isValid()) return true;
  m_session.connection.protocol = protocol.toInt();
  switch (m_session.connection.protocol) {
    case protocol_ssh2: return m_pSsh2->StoreToSession();
    case protocol_telnet: return m_pTelnet->StoreToSession();
    case protocol_serial: return m_pSerial->StoreToSession();
    default: return true;
  }
}
