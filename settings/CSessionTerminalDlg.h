#pragma once
// The "Terminal" page of Session Options: the terminal type the session reports and its
// scrollback, written into the dialog's record when OK validates the page.
#include "settings/COptDialog.h"

struct session_record;
class QComboBox;
class QLineEdit;

class CSessionTerminalDlg : public COptDialog {
 public:
  explicit CSessionTerminalDlg(session_record& session, QWidget* parent = nullptr);

  void OnInitDialog() override;
  void LoadFromConfig() override {}
  void StoreToConfig() override {}
  // The scrollback must lie between 500 and the most lines a session keeps.
  bool Validate() override;

 private:
  session_record& m_session;
  QComboBox* m_wndTerminal;    // 424
  QLineEdit* m_wndScrollback;  // 425
};
