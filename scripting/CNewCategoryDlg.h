#pragma once
// Asks for a button category's name. OK is enabled only while the name, trimmed, is not empty;
// the name returned is trimmed. The pane checks what the name may be.
#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

class CNewCategoryDlg : public QDialog {
 public:
  explicit CNewCategoryDlg(std::u16string_view name, QWidget* parent = nullptr);

  std::u16string m_strName;

 private:
  void OnNameChanged(const QString& text);

  QLineEdit* m_wndName;
  QPushButton* m_wndOk;
};
