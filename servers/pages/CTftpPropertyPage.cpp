#include "servers/pages/CTftpPropertyPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/configuration.h"
#include "config/tftpd_param.h"
#include "platform/dialog_ids.h"
#include "platform/parse_number.h"
#include "platform/qt_text.h"
#include "servers/pages/page_wiring.h"
#include "servers/pages/path_history.h"
#include "servers/pages/server_combo_boxes.h"
#include "servers/tftpd.h"
#include "settings/controls/CMyComboBox.h"
#include "settings/controls/number_field.h"
#include "settings/controls/combo_boxes.h"

namespace {

uint32_t number_of(const QLineEdit* edit) { return platform::parse_u32(platform::to_u16string(edit->text())); }

}  // namespace

CTftpPropertyPage::CTftpPropertyPage(QWidget* parent) : CMyPage(QStringLiteral("TFTP"), parent) {
  setObjectName("CTftpPropertyPage");
  m_bEnable = with_id(new QCheckBox(QStringLiteral("TFTP Server Enable"), this), 352);
  m_wndInterface = with_id(new CInterfaceComboBox(this), 353);
  m_wndLogLevel = with_id(new CLogLevelComboBox(this), 342);
  m_strPort = number_field(this, 354);
  m_strTimeout = number_field(this, 357);
  m_strMaxRetry = number_field(this, 358);
  m_bReadEnable = with_id(new QCheckBox(QStringLiteral("Read Enable"), this), 359);
  m_bWriteEnable = with_id(new QCheckBox(QStringLiteral("Write Enable"), this), 360);
  m_bPathRestriction = with_id(new QCheckBox(QStringLiteral("Path restriction"), this), 361);
  m_wndDownload = with_id(new CMyComboBox(this), 362);
  m_wndUpload = with_id(new CMyComboBox(this), 363);
  auto* browse_download = make_browse_button(this, 355);
  auto* browse_upload = make_browse_button(this, 356);

  auto* top = new QGridLayout;
  top->addWidget(new QLabel(QStringLiteral("Bind Interface:"), this), 0, 0);
  top->addWidget(m_wndInterface, 0, 1);
  top->addWidget(new QLabel(QStringLiteral("Log Level:"), this), 0, 2);
  top->addWidget(m_wndLogLevel, 0, 3);

  auto* setting = new QGroupBox(QStringLiteral("TFTP setting"), this);
  auto* numbers = new QGridLayout(setting);
  numbers->addWidget(new QLabel(QStringLiteral("Port:"), setting), 0, 0);
  numbers->addWidget(m_strPort, 0, 1);
  numbers->addWidget(new QLabel(QStringLiteral("Timeout (seconds):"), setting), 1, 0);
  numbers->addWidget(m_strTimeout, 1, 1);
  numbers->addWidget(new QLabel(QStringLiteral("Max retry:"), setting), 2, 0);
  numbers->addWidget(m_strMaxRetry, 2, 1);
  numbers->addWidget(m_bReadEnable, 0, 2);
  numbers->addWidget(m_bWriteEnable, 1, 2);
  numbers->addWidget(m_bPathRestriction, 2, 2);

  auto* paths = new QGroupBox(QStringLiteral("Path setting"), this);
  auto* folders = new QGridLayout(paths);
  folders->addWidget(new QLabel(QStringLiteral("Download:"), paths), 0, 0);
  folders->addWidget(m_wndDownload, 0, 1);
  folders->addWidget(browse_download, 0, 2);
  folders->addWidget(new QLabel(QStringLiteral("Upload:"), paths), 1, 0);
  folders->addWidget(m_wndUpload, 1, 1);
  folders->addWidget(browse_upload, 1, 2);
  folders->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_bEnable);
  layout->addLayout(top);
  layout->addWidget(setting);
  layout->addWidget(paths);
  layout->addStretch(1);

  mark_modified_on_change(*this, {m_bEnable, m_bReadEnable, m_bWriteEnable, m_bPathRestriction, m_wndInterface,
                                  m_wndDownload, m_wndUpload, m_wndLogLevel, m_strPort, m_strTimeout,
                                  m_strMaxRetry});
  connect(browse_download, &QPushButton::clicked, this, &CTftpPropertyPage::OnBrowseDownload);
  connect(browse_upload, &QPushButton::clicked, this, &CTftpPropertyPage::OnBrowseUpload);
}

void CTftpPropertyPage::OnInitDialog() {
  const tftpd_param& settings = *configuration::instance().tftpd;
  m_bEnable->setChecked(settings.enable);
  m_wndInterface->SelectAddress(settings.interface_address);
  select_combo_item_by_data(*m_wndLogLevel, settings.log_level);
  m_strPort->setText(QString::number(settings.port));
  m_strTimeout->setText(QString::number(settings.timeout));
  m_strMaxRetry->setText(QString::number(settings.max_retry));
  m_bReadEnable->setChecked(settings.read_enable);
  m_bWriteEnable->setChecked(settings.write_enable);
  m_bPathRestriction->setChecked(settings.path_restriction);
  load_history(*m_wndDownload, settings.download_paths, settings.download_index);
  load_history(*m_wndUpload, settings.upload_paths, settings.upload_index);
}

void CTftpPropertyPage::OnBrowseDownload() {
  browse_history_folder(*this, *m_wndDownload, QStringLiteral("Select Download Path"));
}

void CTftpPropertyPage::OnBrowseUpload() {
  browse_history_folder(*this, *m_wndUpload, QStringLiteral("Select Upload Path"));
}

bool CTftpPropertyPage::OnApply() {
  if (!m_bModified) return true;
  configuration& store = configuration::instance();
  tftpd_param settings = *store.tftpd;
  settings.enable = m_bEnable->isChecked();
  settings.log_level = static_cast<log_level>(m_wndLogLevel->GetLevel());
  if (!m_wndInterface->GetAddress(settings.interface_address)) {
    show_page_message(this, QStringLiteral("Invalid interface!"));
    return false;
  }
  // The server listens on the low 16 bits; the number is kept as typed.
  settings.port = number_of(m_strPort);
  if ((settings.port & 0xFFFF) == 0) {
    show_page_message(this, QStringLiteral("Invalid TFTP port!"));
    return false;
  }
  settings.timeout = number_of(m_strTimeout);
  if (settings.timeout < 1 || settings.timeout > 60) {
    show_page_message(this, QStringLiteral("Invalid TFTP timeout!"));
    return false;
  }
  settings.max_retry = number_of(m_strMaxRetry);
  if (settings.max_retry < 1 || settings.max_retry > 20) {
    show_page_message(this, QStringLiteral("Invalid Max retry!"));
    return false;
  }
  settings.read_enable = m_bReadEnable->isChecked();
  settings.write_enable = m_bWriteEnable->isChecked();
  settings.path_restriction = m_bPathRestriction->isChecked();
  store_history(*m_wndDownload, settings.download_paths, settings.download_index);
  store_history(*m_wndUpload, settings.upload_paths, settings.upload_index);

  return restart_and_store(*this, *tftpd::instance(), settings, *store.tftpd, QStringLiteral("Start TFTP server failed!"));
}
