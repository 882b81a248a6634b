#pragma once
// The "Default Sessions" page of Global Options: what opens by itself at start-up (nothing,
// the sessions open at the last exit, or a list of saved hosts), and that list of hosts.
#include "config/default_session_param.h"
#include "settings/COptDialog.h"

class QListWidget;
class QPushButton;
class QRadioButton;

class CDefaultSessionDlg : public COptDialog {
 public:
  explicit CDefaultSessionDlg(QWidget* parent = nullptr);

  void OnInitDialog() override;
  void LoadFromConfig() override;
  void StoreToConfig() override;

  // Lists the host unless an item already holds its uuid.
  void AddHost(const session_record& host);
  // The copy's custom sessions become the uuids of the list, in list (name) order.
  void SyncCustomSessions();

  default_session_param m_defaults;

 private:
  void OnTypeClicked();
  void OnNew();
  void OnDelete();
  void EnableList();

  QRadioButton* m_wndNone;    // 414
  QRadioButton* m_wndLast;    // 415
  QRadioButton* m_wndCustom;  // 416
  QListWidget* m_wndHosts;    // 417
  QPushButton* m_wndNew;      // 386
  QPushButton* m_wndDelete;   // 387
};
