#pragma once
// The "Common" page of Global Options: whether closing, disconnecting and reconnecting a
// session ask first.
#include "config/common_options_param.h"
#include "settings/COptDialog.h"

class QCheckBox;

class CCommonOptionsDlg : public COptDialog {
 public:
  explicit CCommonOptionsDlg(QWidget* parent = nullptr);

  void OnInitDialog() override;
  void LoadFromConfig() override;
  void StoreToConfig() override;

  common_options_param m_options;

 private:
  QCheckBox* m_wndClose;       // 411
  QCheckBox* m_wndDisconnect;  // 413
  QCheckBox* m_wndReconnect;   // 412
};
