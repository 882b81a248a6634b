#include "servers/pages/CHttpPropertyPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/configuration.h"
#include "config/httpd_param.h"
#include "config/text_convert.h"
#include "platform/dialog_ids.h"
#include "platform/parse_number.h"
#include "platform/qt_text.h"
#include "servers/httpd.h"
#include "servers/pages/page_wiring.h"
#include "servers/pages/path_history.h"
#include "servers/pages/server_combo_boxes.h"
#include "settings/controls/CMyComboBox.h"
#include "settings/controls/number_field.h"
#include "settings/controls/combo_boxes.h"

CHttpPropertyPage::CHttpPropertyPage(QWidget* parent) : CMyPage(QStringLiteral("HTTP"), parent) {
  setObjectName("CHttpPropertyPage");
  m_bEnable = with_id(new QCheckBox(QStringLiteral("HTTP Server Enable"), this), 369);
  m_wndInterface = with_id(new CInterfaceComboBox(this), 364);
  m_strPort = number_field(this, 365);
  m_wndLogLevel = with_id(new CLogLevelComboBox(this), 342);
  m_strHttpTitle = with_id(new QLineEdit(this), 366);
  m_wndHome = with_id(new CMyComboBox(this), 367);
  auto* browse_home = make_browse_button(this, 368);

  auto* setting = new QGroupBox(QStringLiteral("HTTP setting"), this);
  auto* fields = new QGridLayout(setting);
  fields->addWidget(new QLabel(QStringLiteral("Bind Interface:"), setting), 0, 0);
  fields->addWidget(m_wndInterface, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("Port:"), setting), 0, 2);
  fields->addWidget(m_strPort, 0, 3);
  fields->addWidget(new QLabel(QStringLiteral("Log Level:"), setting), 1, 0);
  fields->addWidget(m_wndLogLevel, 1, 1);
  fields->addWidget(new QLabel(QStringLiteral("Title:"), setting), 2, 0);
  fields->addWidget(m_strHttpTitle, 2, 1, 1, 3);

  auto* paths = new QGroupBox(QStringLiteral("Path setting"), this);
  auto* home = new QGridLayout(paths);
  home->addWidget(new QLabel(QStringLiteral("Home:"), paths), 0, 0);
  home->addWidget(m_wndHome, 0, 1);
  home->addWidget(browse_home, 0, 2);
  home->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_bEnable);
  layout->addWidget(setting);
  layout->addWidget(paths);
  layout->addStretch(1);

  mark_modified_on_change(*this, {m_bEnable, m_wndInterface, m_wndHome, m_wndLogLevel, m_strPort, m_strHttpTitle});
  connect(browse_home, &QPushButton::clicked, this, &CHttpPropertyPage::OnBrowseHome);
}

void CHttpPropertyPage::OnInitDialog() {
  const httpd_param& settings = *configuration::instance().httpd;
  m_bEnable->setChecked(settings.enable);
  m_wndInterface->SelectAddress(settings.interface_address);
  select_combo_item_by_data(*m_wndLogLevel, settings.log_level);
  m_strPort->setText(QString::number(settings.port));
  load_history(*m_wndHome, settings.home_paths, settings.home_index);
  m_strHttpTitle->setText(platform::to_qstring(mbs_to_wstring(settings.title)));
}

void CHttpPropertyPage::OnBrowseHome() { browse_history_folder(*this, *m_wndHome, QStringLiteral("Select Http Root")); }

bool CHttpPropertyPage::OnApply() {
  if (!m_bModified) return true;
  configuration& store = configuration::instance();
  httpd_param settings = *store.httpd;
  settings.enable = m_bEnable->isChecked();
  settings.log_level = static_cast<log_level>(m_wndLogLevel->GetLevel());
  if (!m_wndInterface->GetAddress(settings.interface_address)) {
    show_page_message(this, QStringLiteral("Invalid interface!"));
    return false;
  }
  // A number above 65535 is taken modulo 65536.
  settings.port = static_cast<uint16_t>(platform::parse_u32(platform::to_u16string(m_strPort->text())));
  if (settings.port == 0) {
    show_page_message(this, QStringLiteral("Invalid HTTP port!"));
    return false;
  }
  store_history(*m_wndHome, settings.home_paths, settings.home_index);
  settings.title = wcs_to_string(platform::to_u16string(m_strHttpTitle->text().trimmed()));

  return restart_and_store(*this, *httpd::instance(), settings, *store.httpd, QStringLiteral("Start HTTP server failed!"));
}
