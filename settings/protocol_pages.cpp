#include "settings/protocol_pages.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/session_record.h"
#include "config/text_convert.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "settings/COptDialog.h"
#include "settings/controls/combo_boxes.h"
#include "settings/controls/number_field.h"
#include "settings/option_fields.h"

namespace {

QString widened(const std::string& text) { return platform::to_qstring(mbs_to_wstring(text)); }

std::string narrowed(const QString& text) { return wcs_to_string(platform::to_u16string(text)); }

// Selects by item data; an item with no selection keeps the record's value.
void read_selection(const QComboBox& combo, uint16_t& value) {
  if (combo.currentIndex() >= 0) value = static_cast<uint16_t>(combo.currentData().toInt());
}

}  // namespace

COptHostPage::COptHostPage(session_record& session, std::function<void()> changed, QWidget* parent)
    : QWidget(parent), m_session(session), m_changed(std::move(changed)) {
  m_wndHost = with_id(new QLineEdit(this), 311);
  m_wndPort = number_field(this, 312);
  m_form = new QFormLayout;
  m_form->addRow("Host:", m_wndHost);
  m_form->addRow("Port:", m_wndPort);
  for (QLineEdit* field : {m_wndHost, m_wndPort}) connect(field, &QLineEdit::textChanged, this, [this] { m_changed(); });
}

bool COptHostPage::ReadHostAndPort(const QString& protocol, std::string& host, uint16_t& port) {
  const QString typed_host = m_wndHost->text().trimmed();
  if (typed_host.isEmpty()) return refuse_input(this, QString("Please Enter %1 host!").arg(protocol));
  host = narrowed(typed_host);
  const std::optional<uint16_t> typed_port = field_port(m_wndPort->text());
  if (!typed_port) return refuse_input(this, QString("Please Enter %1 port!").arg(protocol));
  port = *typed_port;
  return true;
}

COptSsh2Page::COptSsh2Page(session_record& session, std::function<void()> changed, QWidget* parent)
    : COptHostPage(session, std::move(changed), parent) {
  m_wndUser = with_id(new QLineEdit(this), 423);
  m_wndExplorer = with_id(new QCheckBox("Explorer", this), 314);
  m_form->addRow("User Name:", m_wndUser);
  m_form->addRow(QString(), m_wndExplorer);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(m_form);
  layout->addWidget(new QGroupBox(this), 1);
  connect(m_wndUser, &QLineEdit::textChanged, this, [this] { m_changed(); });
  connect(m_wndExplorer, &QCheckBox::clicked, this, [this] { m_changed(); });
}

void COptSsh2Page::LoadFromSession() {
  const ssh2_param& ssh2 = m_session.connection.ssh2;
  m_wndHost->setText(widened(ssh2.hostname));
  m_wndPort->setText(number_text(ssh2.port));
  m_wndUser->setText(widened(ssh2.username));
  m_wndExplorer->setChecked(m_session.view == session_view_explorer);
}

bool COptSsh2Page::StoreToSession() {
  ssh2_param& ssh2 = m_session.connection.ssh2;
  if (!ReadHostAndPort("SSH2", ssh2.hostname, ssh2.port)) return false;
  ssh2.username = narrowed(m_wndUser->text().trimmed());
  m_session.view = m_wndExplorer->isChecked() ? session_view_explorer : session_view_terminal;
  return true;
}

COptTelnetPage::COptTelnetPage(session_record& session, std::function<void()> changed, QWidget* parent)
    : COptHostPage(session, std::move(changed), parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(m_form);
  layout->addWidget(new QGroupBox("Advanced", this), 1);
}

void COptTelnetPage::LoadFromSession() {
  const telnet_param& telnet = m_session.connection.telnet;
  m_wndHost->setText(widened(telnet.hostname));
  m_wndPort->setText(number_text(telnet.port));
}

bool COptTelnetPage::StoreToSession() {
  telnet_param& telnet = m_session.connection.telnet;
  return ReadHostAndPort("telnet", telnet.hostname, telnet.port);
}

COptSerialPage::COptSerialPage(session_record& session, std::function<void()> changed, QWidget* parent)
    : QWidget(parent), m_session(session) {
  m_wndComPort = with_id(new CComPortComboBox(this), 320);
  m_wndBaudrate = with_id(new CBaudrateComboBox(this), 321);
  m_wndDatabits = with_id(new CDatabitsComboBox(this), 322);
  m_wndParity = with_id(new CParityComboBox(this), 323);
  m_wndStopbits = with_id(new CStopbitsComboBox(this), 324);
  auto* form = new QFormLayout;
  form->addRow("Port:", m_wndComPort);
  form->addRow("Baud Rate:", m_wndBaudrate);
  form->addRow("Data Bits:", m_wndDatabits);
  form->addRow("Parity:", m_wndParity);
  form->addRow("Stop Bits:", m_wndStopbits);
  // The record has no flow control: these boxes are shown and never read.
  auto* flow = new QGroupBox("Flow Control", this);
  auto* boxes = new QHBoxLayout(flow);
  boxes->addWidget(with_id(new QCheckBox("DTR/DSR", flow), 420));
  boxes->addWidget(with_id(new QCheckBox("RTS/CTS", flow), 421));
  boxes->addWidget(with_id(new QCheckBox("XON/XOFF", flow), 422));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(form);
  layout->addWidget(flow);
  layout->addStretch(1);

  for (QComboBox* combo : {static_cast<QComboBox*>(m_wndComPort), static_cast<QComboBox*>(m_wndBaudrate)})
    connect(combo, &QComboBox::editTextChanged, this, [changed] { changed(); });
  for (QComboBox* combo : {static_cast<QComboBox*>(m_wndDatabits), static_cast<QComboBox*>(m_wndParity),
                           static_cast<QComboBox*>(m_wndStopbits)})
    connect(combo, &QComboBox::activated, this, [changed] { changed(); });
}

void COptSerialPage::LoadFromSession() {
  const serial_param& serial = m_session.connection.serial;
  show_serial_params(serial, *m_wndComPort, *m_wndBaudrate, *m_wndDatabits, *m_wndParity, *m_wndStopbits);
}

bool COptSerialPage::StoreToSession() {
  serial_param& serial = m_session.connection.serial;
  const unsigned port = m_wndComPort->GetPort();
  if (port == 0) return refuse_input(this, "Invalid com port!");
  serial.com_port = static_cast<uint16_t>(port);
  const int rate = m_wndBaudrate->GetBaudrate();
  if (rate <= 0) return refuse_input(this, "Invalid baud rate!");
  serial.baudrate = static_cast<uint32_t>(rate);
  read_selection(*m_wndDatabits, serial.databits);
  read_selection(*m_wndParity, serial.parity);
  read_selection(*m_wndStopbits, serial.stopbits);
  return true;
}
