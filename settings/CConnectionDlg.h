#pragma once
// The "Connection" page of Session Options: the session's name, its protocol, and the page of
// that protocol's settings. The page writes into the dialog's record when OK validates it.
#include "settings/COptDialog.h"

struct session_record;
class COptSerialPage;
class COptSsh2Page;
class COptTelnetPage;
class CProtocolComboBox;
class QLineEdit;

class CConnectionDlg : public COptDialog {
 public:
  explicit CConnectionDlg(session_record& session, QWidget* parent = nullptr);

  void OnInitDialog() override;
  // The record is the dialog's: there is no copy to load or store.
  void LoadFromConfig() override {}
  void StoreToConfig() override {}
  // The trimmed name, the protocol, then the chosen protocol's page.
  bool Validate() override;

  // Shows the page of the chosen protocol only.
  void OnProtocolChanged();

 private:
  session_record& m_session;
  QLineEdit* m_wndName;             // 418
  CProtocolComboBox* m_wndProtocol;  // 310
  COptSsh2Page* m_pSsh2;            // 421
  COptSerialPage* m_pSerial;        // 420
  COptTelnetPage* m_pTelnet;        // 422
};
