#pragma once
// Picks one saved host: a list of every host of the host tree in tree order.
#include <QDialog>

#include <string>

class QListWidget;
class QPushButton;
class host_param;

class CHostSelectDlg : public QDialog {
 public:
  // Lists the hosts of `hosts` (each row keeps its own copy of its host's uuid, so the list
  // stays valid when the tree is replaced while the dialog is open).
  explicit CHostSelectDlg(const host_param& hosts, QWidget* parent = nullptr);

  // The chosen host's uuid, after OK.
  std::u16string m_strHostUuid;

  void accept() override;

 private:
  QListWidget* m_wndList;
  QPushButton* m_wndOk;
};
