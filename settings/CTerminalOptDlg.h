#pragma once
// The "Terminal" page of Global Options: the paste prompt and the mouse behaviour of every
// terminal.
#include "config/terminal_opt_param.h"
#include "settings/COptDialog.h"

class QCheckBox;
class QLineEdit;

class CTerminalOptDlg : public COptDialog {
 public:
  explicit CTerminalOptDlg(QWidget* parent = nullptr);

  void OnInitDialog() override;
  void LoadFromConfig() override;
  void StoreToConfig() override;

  terminal_opt_param m_options;

 private:
  QCheckBox* m_wndPrompt;  // 401
  QLineEdit* m_wndLines;   // 402
};
