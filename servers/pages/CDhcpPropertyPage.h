#pragma once
// The "DHCP" page of the Tiny Server sheet: edits a copy of the Dhcpd settings and its pools,
// restarts the DHCP server on Apply before the settings replace the stored ones, and shows the
// running server's leases, refreshed every second. "Remove lease" acts on the running server
// at once.
#include <QTimer>

#include <vector>

#include "config/dhcp_pool.h"
#include "servers/dhcpd.h"
#include "settings/controls/CMyPage.h"

class CInterfaceComboBox;
class CLogLevelComboBox;
class QAction;
class QCheckBox;
class QTreeWidget;

class CDhcpPropertyPage : public CMyPage {
 public:
  explicit CDhcpPropertyPage(QWidget* parent = nullptr);

  // Shows the stored settings and pools and the server's leases, and starts the refresh.
  void OnInitDialog() override;
  // Checks the interface; stops the server, starts it again when enabled, and only when that
  // worked stores the settings. False, with the page still modified, on a failure.
  bool OnApply() override;

  // The pool commands act on the first selected pool row; each change marks the page modified.
  void OnNewPool();
  void OnEditPool();
  void OnRemovePool();
  // Removes the selected lease from the running server; a static lease stays, with a message.
  void OnRemoveLease();
  // Shows the server's leases again when they changed since the last look.
  void RefreshLeases();

  CInterfaceComboBox* m_wndInterface;  // 339
  QTreeWidget* m_wndPools;             // 340
  QCheckBox* m_bEnable;                // 338
  std::vector<dhcp_lease_info> m_leases;  // the leases shown
  QTreeWidget* m_wndLeases;            // 341
  CLogLevelComboBox* m_wndLogLevel;    // 342
  // The pools of the rows, in row order.
  std::vector<dhcp_pool> m_pools;

  QAction* m_actNewPool;      // 370
  QAction* m_actEditPool;     // 371
  QAction* m_actRemovePool;   // 372
  QAction* m_actRemoveLease;  // 373
  QTimer m_timer;             // 1000 ms

  static constexpr int refresh_interval_ms = 1000;

 private:
  void ShowPoolMenu(const QPoint& position);
  void ShowLeaseMenu(const QPoint& position);
  void AppendPoolRow(const dhcp_pool& pool);
  void SetPoolRow(int row, const dhcp_pool& pool);
  int SelectedPoolRow() const;
};
