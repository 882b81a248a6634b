#pragma once
// "Search in terminal": each press of Search finds the next match in the terminal's scrollback
// from the position of the last one, selects it and scrolls it into view; the dialog stays
// open until Cancel.
#include <QDialog>

class CTerminalView;
class QCheckBox;
class QLineEdit;

class CSearchDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CSearchDlg(CTerminalView& view);

  // The "Search" button.
  void OnSearch();

  // The position of the last match; -1, -1 before the first.
  int m_nRow = -1;
  int m_nCol = -1;

 private:
  CTerminalView& m_view;
  QLineEdit* m_content;
  QCheckBox* m_down;
  QCheckBox* m_wholeWord;
  QCheckBox* m_caseSensitive;
};
