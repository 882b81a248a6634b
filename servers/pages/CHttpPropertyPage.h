#pragma once
// The "HTTP" page of the Tiny Server sheet: edits a copy of the Httpd settings, keeps the
// history of home paths (folders or storage locations), and on Apply restarts the HTTP server
// with the new settings before they replace the stored ones.
#include "settings/controls/CMyPage.h"

class CInterfaceComboBox;
class CLogLevelComboBox;
class CMyComboBox;
class QCheckBox;
class QLineEdit;

class CHttpPropertyPage : public CMyPage {
 public:
  explicit CHttpPropertyPage(QWidget* parent = nullptr);

  // Shows the stored settings.
  void OnInitDialog() override;
  // Checks the interface and the port (in that order); stops the server, starts it again when
  // enabled, and only when that worked stores the settings. False, with the page still
  // modified, on any failure.
  bool OnApply() override;

  void OnBrowseHome();

  CInterfaceComboBox* m_wndInterface;  // 364
  CLogLevelComboBox* m_wndLogLevel;    // 342
  QCheckBox* m_bEnable;                // 369
  QLineEdit* m_strPort;                // 365
  QLineEdit* m_strHttpTitle;           // 366
  CMyComboBox* m_wndHome;              // 367
};
