#pragma once
// Shows the text of a multi-line paste before it is sent: OK pastes, Cancel drops it.
#include <QDialog>

#include <string>

class CPasteConfirmDlg : public QDialog {
  Q_OBJECT

 public:
  // `text` is the narrow (UTF-8) text to paste; it is only shown here.
  explicit CPasteConfirmDlg(const std::string& text, QWidget* parent = nullptr);

  const std::string& m_pText;
};
