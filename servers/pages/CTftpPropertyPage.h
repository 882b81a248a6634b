#pragma once
// The "TFTP" page of the Tiny Server sheet: edits a copy of the Tftpd settings, keeps the
// histories of download and upload folders, and on Apply restarts the TFTP server with the new
// settings before they replace the stored ones.
#include "settings/controls/CMyPage.h"

class CInterfaceComboBox;
class CLogLevelComboBox;
class CMyComboBox;
class QCheckBox;
class QLineEdit;

class CTftpPropertyPage : public CMyPage {
 public:
  explicit CTftpPropertyPage(QWidget* parent = nullptr);

  // Shows the stored settings.
  void OnInitDialog() override;
  // Checks the fields in order (interface, port, timeout, max retry) and stops at the first bad
  // one with its message; stops the server, starts it again when enabled, and only when that
  // worked stores the settings. False, with the page still modified, on any failure.
  bool OnApply() override;

  void OnBrowseDownload();
  void OnBrowseUpload();

  QCheckBox* m_bEnable;                // 352
  CInterfaceComboBox* m_wndInterface;  // 353
  CMyComboBox* m_wndDownload;          // 362
  CMyComboBox* m_wndUpload;            // 363
  QLineEdit* m_strPort;                // 354
  QCheckBox* m_bPathRestriction;       // 361
  QCheckBox* m_bReadEnable;            // 359
  QCheckBox* m_bWriteEnable;           // 360
  QLineEdit* m_strMaxRetry;            // 358
  QLineEdit* m_strTimeout;             // 357
  CLogLevelComboBox* m_wndLogLevel;    // 342
};
