#include "app/CHostPropertySheet.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "settings/controls/combo_boxes.h"
#include "settings/controls/number_field.h"
#include "platform/dialog_ids.h"
#include "config/text_convert.h"
#include "platform/qt_text.h"

namespace {

constexpr const char* host_wizard_caption = "New host wizard";

// The page's introduction above a grid of labelled fields.
QGridLayout* page_layout(QWizardPage* page, const QString& introduction) {
  auto* layout = new QVBoxLayout(page);
  auto* text = new QLabel(introduction, page);
  text->setWordWrap(true);
  layout->addWidget(text);
  auto* grid = new QGridLayout;
  layout->addLayout(grid);
  layout->addStretch();
  return grid;
}

void add_field(QGridLayout* grid, const QString& label, QWidget* field) {
  int row = grid->rowCount();
  grid->addWidget(new QLabel(label, field->parentWidget()), row, 0);
  grid->addWidget(field, row, 1);
}

}  // namespace

// --- Page base

CHostWizardPage::CHostWizardPage(CHostPropertySheet* sheet, const QString& title, const QString& subtitle,
                                 const QString& caption)
    : m_strCaption(caption), m_pSheet(sheet) {
  setTitle(title);
  setSubTitle(subtitle);
}

void CHostWizardPage::SetWizardButtons(int buttons) {
  if (buttons == m_nButtons) return;
  m_nButtons = buttons;
  emit completeChanged();
}

bool CHostWizardPage::isComplete() const { return (m_nButtons & (PSWIZB_NEXT | PSWIZB_FINISH)) != 0; }

// --- Protocol

CProtocolPropertyPage::CProtocolPropertyPage(CHostPropertySheet* sheet)
    : CHostWizardPage(sheet, "Choose Protocol", "how to connect to your remote server?", host_wizard_caption) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("This wizard will help you create a new session for connecting the remote server. ", this));
  layout->addWidget(new QLabel("Please choose the protocol to connect to your remote server:", this));
  auto* grid = new QGridLayout;
  m_wndProtocol = with_id(new CProtocolComboBox(this), 310);
  add_field(grid, "Protocol:", m_wndProtocol);
  layout->addLayout(grid);
  layout->addStretch();
  connect(m_wndProtocol, &QComboBox::activated, this,
          [this] { m_pSheet->m_session.connection.protocol = m_wndProtocol->currentData().toInt(); });
}

void CProtocolPropertyPage::OnSetActive() {
  QSignalBlocker quiet(m_wndProtocol);
  select_combo_item_by_data(*m_wndProtocol, m_pSheet->m_session.connection.protocol);
  SetWizardButtons(buttons_next);
}

// --- Serial

CSerialPropertyPage::CSerialPropertyPage(CHostPropertySheet* sheet)
    : CHostWizardPage(sheet, "Protocol Parameter", "Enter Serial port parameter", host_wizard_caption) {
  QGridLayout* grid = page_layout(this, "Please input Serial Port required parameters.");
  m_wndComPort = with_id(new CComPortComboBox(this), 320);
  m_wndBaudrate = with_id(new CBaudrateComboBox(this), 321);
  m_wndDatabits = with_id(new CDatabitsComboBox(this), 322);
  m_wndParity = with_id(new CParityComboBox(this), 323);
  m_wndStopbits = with_id(new CStopbitsComboBox(this), 324);
  add_field(grid, "Port:", m_wndComPort);
  add_field(grid, "Baud rate:", m_wndBaudrate);
  add_field(grid, "Data bits:", m_wndDatabits);
  add_field(grid, "Parity:", m_wndParity);
  add_field(grid, "Stop bits:", m_wndStopbits);
  for (QComboBox* combo : std::initializer_list<QComboBox*>{m_wndComPort, m_wndBaudrate, m_wndDatabits,
                                                             m_wndParity, m_wndStopbits})
    connect(combo, &QComboBox::activated, this, &CSerialPropertyPage::OnSerialPageChanged);
  for (QComboBox* combo : std::initializer_list<QComboBox*>{m_wndComPort, m_wndBaudrate})
    connect(combo->lineEdit(), &QLineEdit::textEdited, this, &CSerialPropertyPage::OnSerialPageChanged);
}

void CSerialPropertyPage::OnSetActive() {
  const serial_param& serial = m_pSheet->m_session.connection.serial;
  for (QComboBox* combo : findChildren<QComboBox*>()) combo->blockSignals(true);
  show_serial_params(serial, *m_wndComPort, *m_wndBaudrate, *m_wndDatabits, *m_wndParity, *m_wndStopbits);
  for (QComboBox* combo : findChildren<QComboBox*>()) combo->blockSignals(false);
  SetWizardButtons(buttons_back_next);
}

void CSerialPropertyPage::OnSerialPageChanged() {
  SetWizardButtons(store_serial_page(m_pSheet->m_session, m_wndComPort->GetPort(), m_wndBaudrate->GetBaudrate(),
                                     m_wndDatabits->currentData().toInt(), m_wndParity->currentData().toInt(),
                                     m_wndStopbits->currentData().toInt()));
}

// --- SSH2

CSsh2PropertyPage::CSsh2PropertyPage(CHostPropertySheet* sheet)
    : CHostWizardPage(sheet, "Protocol Parameter", "Enter SSH2 server parameter", "New session wizard") {
  QGridLayout* grid = page_layout(this, "Please enter SSH2 required parameters");
  m_wndHost = with_id(new QLineEdit(this), 311);
  m_wndPort = number_field(this, 312);
  m_wndUser = with_id(new QLineEdit(this), 313);
  m_wndExplorer = with_id(new QCheckBox("Open as explorer", this), 314);
  add_field(grid, "Hostname:", m_wndHost);
  add_field(grid, "Port:", m_wndPort);
  add_field(grid, "Username:", m_wndUser);
  grid->addWidget(m_wndExplorer, grid->rowCount(), 1);
  for (QLineEdit* edit : {m_wndHost, m_wndPort, m_wndUser})
    connect(edit, &QLineEdit::textChanged, this, &CSsh2PropertyPage::Store);
  connect(m_wndExplorer, &QCheckBox::toggled, this, &CSsh2PropertyPage::Store);
}

void CSsh2PropertyPage::OnSetActive() {
  const session_record& record = m_pSheet->m_session;
  const ssh2_param& ssh2 = record.connection.ssh2;
  {
    const QSignalBlocker quiet[] = {QSignalBlocker(m_wndHost), QSignalBlocker(m_wndPort), QSignalBlocker(m_wndUser),
                                    QSignalBlocker(m_wndExplorer)};
    m_wndHost->setText(platform::to_qstring(mbs_to_wstring(ssh2.hostname)));
    m_wndPort->setText(QString::number(ssh2.port));
    m_wndUser->setText(platform::to_qstring(mbs_to_wstring(ssh2.username)));
    m_wndExplorer->setChecked(record.view == session_view_explorer);
  }
  Store();
}

void CSsh2PropertyPage::Store() {
  SetWizardButtons(store_ssh2_page(m_pSheet->m_session, platform::to_u16string(m_wndHost->text()),
                                   platform::to_u16string(m_wndPort->text()), platform::to_u16string(m_wndUser->text()),
                                   m_wndExplorer->isChecked()));
}

// --- Telnet

CTelnetPropertyPage::CTelnetPropertyPage(CHostPropertySheet* sheet)
    : CHostWizardPage(sheet, "Protocol Parameter", "Enter Telnet server parameter", host_wizard_caption) {
  QGridLayout* grid = page_layout(this, "Please input Telnet required parameters.");
  m_wndHost = with_id(new QLineEdit(this), 311);
  m_wndPort = number_field(this, 312);
  add_field(grid, "Hostname:", m_wndHost);
  add_field(grid, "Port:", m_wndPort);
  for (QLineEdit* edit : {m_wndHost, m_wndPort}) connect(edit, &QLineEdit::textChanged, this, &CTelnetPropertyPage::Store);
}

void CTelnetPropertyPage::OnSetActive() {
  const telnet_param& telnet = m_pSheet->m_session.connection.telnet;
  {
    const QSignalBlocker quiet[] = {QSignalBlocker(m_wndHost), QSignalBlocker(m_wndPort)};
    m_wndHost->setText(platform::to_qstring(mbs_to_wstring(telnet.hostname)));
    m_wndPort->setText(QString::number(telnet.port));
  }
  Store();
}

void CTelnetPropertyPage::Store() {
  SetWizardButtons(store_telnet_page(m_pSheet->m_session, platform::to_u16string(m_wndHost->text()),
                                     platform::to_u16string(m_wndPort->text())));
}

// --- Host name

CHostnamePropertyPage::CHostnamePropertyPage(CHostPropertySheet* sheet)
    : CHostWizardPage(sheet, "Host Name", "What name do you want for your host?", host_wizard_caption) {
  QGridLayout* grid = page_layout(this, "Please name your host.");
  m_wndName = with_id(new QLineEdit(this), 331);
  add_field(grid, "Host Name:", m_wndName);
  connect(m_wndName, &QLineEdit::textChanged, this,
          [this](const QString& text) { SetWizardButtons(host_name_buttons(platform::to_u16string(text))); });
}

void CHostnamePropertyPage::OnSetActive() {
  {
    QSignalBlocker quiet(m_wndName);
    m_wndName->setText(platform::to_qstring(proposed_host_name(m_pSheet->m_session)));
  }
  SetWizardButtons(host_name_buttons(platform::to_u16string(m_wndName->text())));
}

bool CHostnamePropertyPage::validatePage() {
  // Enter in the edit presses Finish even while it is withheld.
  if (!isComplete()) return false;
  finish_host(m_pSheet->m_session, platform::to_u16string(m_wndName->text()));
  return true;
}

// --- Sheet

CHostPropertySheet::CHostPropertySheet(QWidget* parent) : CCBPropertySheet(parent) {
  setObjectName("CHostPropertySheet");
  setWindowTitle(host_wizard_caption);
  setWizardStyle(QWizard::ModernStyle);
  setPixmap(QWizard::LogoPixmap, QPixmap(":/icons/tessary.xpm"));
  setOption(QWizard::NoBackButtonOnStartPage);
  m_pageProtocol = new CProtocolPropertyPage(this);
  m_pageSerial = new CSerialPropertyPage(this);
  m_pageSsh2 = new CSsh2PropertyPage(this);
  m_pageTelnet = new CTelnetPropertyPage(this);
  m_pageHostname = new CHostnamePropertyPage(this);
  setPage(page_protocol, m_pageProtocol);
  setPage(page_serial, m_pageSerial);
  setPage(page_ssh2, m_pageSsh2);
  setPage(page_telnet, m_pageTelnet);
  setPage(page_host_name, m_pageHostname);
  setStartId(page_protocol);
  connect(this, &QWizard::currentIdChanged, this, [this](int id) {
    auto* shown = dynamic_cast<CHostWizardPage*>(page(id));
    if (!shown) return;
    setWindowTitle(shown->m_strCaption);
    shown->OnSetActive();
  });
}

int CHostPropertySheet::GoNext(int page) const {
  return host_wizard_next_page(page, m_session.connection.protocol);
}
