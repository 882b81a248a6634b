#pragma once
// Asks the name of a new colour scheme, which must differ from every scheme's name in the list
// it is given (exactly, after trimming).
#include <QDialog>

#include <string>

class QLineEdit;
class color_scheme_param;

class CNewColorSchemeNameDlg : public QDialog {
 public:
  explicit CNewColorSchemeNameDlg(const color_scheme_param& schemes, QWidget* parent = nullptr);

  void accept() override;

  std::u16string m_strName;  // trimmed

 private:
  const color_scheme_param& m_schemes;
  QLineEdit* m_wndName;  // 395
};
