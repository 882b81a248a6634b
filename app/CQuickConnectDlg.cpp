#include "app/CQuickConnectDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "settings/controls/combo_boxes.h"
#include "settings/controls/number_field.h"
#include "platform/dialog_ids.h"
#include "config/text_convert.h"
#include "platform/qt_text.h"

CQuickConnectDlg::CQuickConnectDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CQuickConnectDlg");
  setWindowTitle("Quick Connect");

  m_wndProtocol = with_id(new QComboBox(this), 310);
  m_wndStopbits = with_id(new CStopbitsComboBox(this), 324);
  m_wndParity = with_id(new CParityComboBox(this), 323);
  m_wndBaudrate = with_id(new CBaudrateComboBox(this), 321);
  m_wndDatabits = with_id(new CDatabitsComboBox(this), 322);
  m_wndComPort = with_id(new CComPortComboBox(this), 320);
  m_wndHost = with_id(new QLineEdit(this), 311);
  m_wndPort = number_field(this, 312);
  m_wndUser = with_id(new QLineEdit(this), 313);
  m_wndExplorer = with_id(new QCheckBox("Open as explorer", this), 314);
  m_wndSaveSession = with_id(new QCheckBox("Save session", this), 325);

  auto* grid = new QGridLayout;
  int row = 0;
  auto add_row = [&](QLabel* label, QWidget* field) {
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    ++row;
  };
  add_row(new QLabel("Protocol:", this), m_wndProtocol);
  add_row(with_id(new QLabel("Hostname:", this), 327), m_wndHost);
  add_row(with_id(new QLabel("Port:", this), 326), m_wndPort);
  add_row(with_id(new QLabel("User:", this), 328), m_wndUser);
  add_row(with_id(new QLabel("Port:", this), 315), m_wndComPort);
  add_row(with_id(new QLabel("Baud rate:", this), 316), m_wndBaudrate);
  add_row(with_id(new QLabel("Data bits:", this), 317), m_wndDatabits);
  add_row(with_id(new QLabel("Parity:", this), 318), m_wndParity);
  add_row(with_id(new QLabel("Stop bits:", this), 319), m_wndStopbits);
  grid->addWidget(m_wndExplorer, row++, 1);
  grid->addWidget(m_wndSaveSession, row++, 1);

  auto* buttons = new QDialogButtonBox(this);
  m_wndConnect = with_id(buttons->addButton("Connect", QDialogButtonBox::AcceptRole), 1);
  m_wndConnect->setDefault(true);
  with_id(buttons->addButton("Cancel", QDialogButtonBox::RejectRole), 2);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);

  // The controls start from the new record's values: COM 1, 9600 8N1, SSH2 port 22.
  const serial_param& serial = m_session.connection.serial;
  show_serial_params(serial, *m_wndComPort, *m_wndBaudrate, *m_wndDatabits, *m_wndParity, *m_wndStopbits);
  const ssh2_param& ssh2 = m_session.connection.ssh2;
  m_wndHost->setText(platform::to_qstring(mbs_to_wstring(ssh2.hostname)));
  m_wndPort->setText(QString::number(ssh2.port));
  m_wndUser->setText(platform::to_qstring(mbs_to_wstring(ssh2.username)));
  m_wndProtocol->addItems({"SSH2", "Telnet", "Serial"});
  m_wndProtocol->setCurrentIndex(protocol_ssh2);

  connect(m_wndProtocol, &QComboBox::currentIndexChanged, this,
          [this](int index) { ShowProtocolControls(index); });
  connect(m_wndHost, &QLineEdit::textChanged, this, [this] { UpdateConnectButton(); });
  // Only the user's own edits of the port count, not the texts a protocol switch puts there.
  connect(m_wndPort, &QLineEdit::textEdited, this, [this] {
    m_bPortEdited = true;
    UpdateConnectButton();
  });
  connect(m_wndPort, &QLineEdit::textChanged, this, [this] { UpdateConnectButton(); });
  connect(m_wndComPort, &QComboBox::currentTextChanged, this, [this] { UpdateConnectButton(); });
  connect(m_wndBaudrate, &QComboBox::currentTextChanged, this, [this] { UpdateConnectButton(); });

  ShowProtocolControls(protocol_ssh2);
}

void CQuickConnectDlg::ShowProtocolControls(int protocol) {
  int mask = protocol_mask(protocol);
  for (const auto& control : quick_connect_controls) {
    if (auto* widget = findChild<QWidget*>(QStringLiteral("id_%1").arg(control.id)))
      widget->setVisible((control.mask & mask) != 0);
  }
  if (auto text = port_text_for(m_session, protocol, m_bPortEdited)) {
    QSignalBlocker quiet(m_wndPort);
    m_wndPort->setText(platform::to_qstring(*text));
  }
  if (protocol == protocol_ssh2 || protocol == protocol_telnet) m_wndHost->setFocus();
  UpdateConnectButton();
}

quick_connect_input CQuickConnectDlg::ReadControls() const {
  quick_connect_input input;
  input.protocol = m_wndProtocol->currentIndex();
  input.host = platform::to_u16string(m_wndHost->text());
  input.port = platform::to_u16string(m_wndPort->text());
  input.user = platform::to_u16string(m_wndUser->text());
  input.com_port = m_wndComPort->GetPort();
  input.baudrate = m_wndBaudrate->GetBaudrate();
  input.databits = m_wndDatabits->currentData().toInt();
  input.parity = m_wndParity->currentData().toInt();
  input.stopbits = m_wndStopbits->currentData().toInt();
  input.open_as_explorer = m_wndExplorer->isChecked();
  return input;
}

void CQuickConnectDlg::UpdateConnectButton() { m_wndConnect->setEnabled(connect_enabled(ReadControls())); }

void CQuickConnectDlg::accept() {
  quick_connect_input input = ReadControls();
  // Enter in an edit presses the default button even while it is disabled.
  if (!connect_enabled(input)) return;
  m_session = build_session(m_session, input);
  m_bSaveSession = m_wndSaveSession->isChecked();
  QDialog::accept();
}
