#pragma once
// The "DHCP Pool" dialog: edits one pool, dynamic (a start address and a number of addresses)
// or static (one address for one hardware address), with its lease time, boot file, subnet
// mask and default router. OK checks the fields and stays open with a message on the first bad
// one.
#include <QDialog>

#include "config/dhcp_pool.h"

class QComboBox;
class QLabel;
class QLineEdit;
struct dhcp_pool_form;

class CDhcpPoolDlg : public QDialog {
 public:
  // A new pool when `pool` is null: dynamic, lease time 2880 minutes, everything else empty.
  explicit CDhcpPoolDlg(const dhcp_pool* pool = nullptr, QWidget* parent = nullptr);

  // The labels of the two first fields follow the type; what was typed stays.
  void OnTypeChanged();
  // Reads the fields into m_pool and closes with OK, or shows why not and stays open.
  void accept() override;

  dhcp_pool m_pool;

  QComboBox* m_wndType;        // 343: "Dynamic", "Static"
  QLineEdit* m_wndAddress;     // 344
  QLineEdit* m_wndSecond;      // 345
  QLineEdit* m_wndLease;       // 346
  QLineEdit* m_wndBootFile;    // 347
  QLineEdit* m_wndSubnet;      // 348
  QLineEdit* m_wndRouter;      // 349
  QLabel* m_wndAddressLabel;   // 350
  QLabel* m_wndSecondLabel;    // 351

 private:
  void ShowForm(const dhcp_pool_form& form);
  dhcp_pool_form Form() const;
};
