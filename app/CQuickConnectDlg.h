#pragma once
// The quick-connect dialog: a protocol, its few parameters, and Connect. After it was accepted
// the caller opens `m_session` and, with "Save session", adds it to the saved hosts.
#include <QDialog>

#include "app/quick_connect_rules.h"
#include "config/session_record.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class CBaudrateComboBox;
class CComPortComboBox;
class CDatabitsComboBox;
class CParityComboBox;
class CStopbitsComboBox;

class CQuickConnectDlg : public QDialog {
 public:
  explicit CQuickConnectDlg(QWidget* parent = nullptr);

  // Filled by Connect.
  session_record m_session;
  bool m_bSaveSession = false;
  // Set once the user edited the port; from then on a protocol switch leaves the port alone.
  bool m_bPortEdited = false;

  void accept() override;

 private:
  void ShowProtocolControls(int protocol);
  void UpdateConnectButton();
  quick_connect_input ReadControls() const;

  QComboBox* m_wndProtocol;
  CStopbitsComboBox* m_wndStopbits;
  CParityComboBox* m_wndParity;
  CBaudrateComboBox* m_wndBaudrate;
  CDatabitsComboBox* m_wndDatabits;
  CComPortComboBox* m_wndComPort;
  QLineEdit* m_wndHost;
  QLineEdit* m_wndPort;
  QLineEdit* m_wndUser;
  QCheckBox* m_wndExplorer;
  QCheckBox* m_wndSaveSession;
  QPushButton* m_wndConnect;
};
