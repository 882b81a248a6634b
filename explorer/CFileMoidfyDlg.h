#pragma once
// Asks for the name and the permission bits of a remote entry: a new folder ("New") or an
// entry to rename or change the mode of ("Edit"). The caller fills the three members, runs it
// through the ui facade and reads them back after OK. The mode shows as nine check boxes and,
// read-only, as four octal digits.
#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;

class CFileMoidfyDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int id_name = 1035;
  static constexpr int id_octal = 1046;
  // The check box of each mode bit, bit 0 (other execute) first.
  static constexpr int bit_boxes[9] = {1045, 1042, 1039, 1044, 1041, 1038, 1043, 1040, 1037};

  explicit CFileMoidfyDlg(QWidget* parent = nullptr);

  // Shows the members: the title by mode, the name, the boxes and the octal text (a new entry
  // without a mode gets 0644). Call before running the dialog.
  void OnInitDialog();

  bool m_bNew = false;
  QString m_strName;
  int m_nMode = 0;

 private:
  // A box was clicked: the mode becomes exactly the checked bits.
  void OnAttributeClicked();
  // The name field changed: the name follows it, and OK is enabled only while it is not empty.
  void OnNameChanged(const QString& text);
  void ShowOctal();

  QLineEdit* m_wndName;
  QLineEdit* m_wndOctal;
  QCheckBox* m_boxes[9];
  QPushButton* m_btnOk;
};
