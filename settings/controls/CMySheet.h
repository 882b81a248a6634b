#pragma once
// A small tabbed sheet: a modal dialog with one CMyPage per tab and our own row of up to three
// buttons, packed from the right in the order Apply, Cancel, OK (a sheet with OK alone shows it
// at the far right). The tab control takes the size of the largest page.
//
// A subclass appends its pages to m_pages and sets the button mask in its constructor; the
// pages become tabs, and fill their controls, when the sheet is first shown. Apply and OK call
// OnApply on every modified page in tab order and stop at the first that refuses; OK closes the
// sheet only when no page is left modified. Cancel applies nothing. The caller reads nothing
// back: the pages apply their own settings.
#include <QDialog>
#include <QString>

#include <vector>

class CMyPage;
class QPushButton;
class QTabWidget;

enum sheet_button : int {
  SHEET_BTN_OK = 1,
  SHEET_BTN_CANCEL = 2,
  SHEET_BTN_APPLY = 4,
};

class CMySheet : public QDialog {
 public:
  explicit CMySheet(QString title, QWidget* parent = nullptr);

  // With Apply in the mask: Apply is enabled exactly while some page is modified.
  void UpdateApplyButton();
  // Makes the tabs from the pages, lets each page fill its controls and shows the buttons of the
  // mask. Runs once; showing the sheet runs it.
  void OnInitDialog();
  // Apply: OnApply on each modified page in order, up to the first that refuses.
  void OnApply();
  // OK: the Apply step, then the sheet ends with OK unless a page is still modified.
  void accept() override;

  QString m_strTitle;
  int m_nButtons = 0;               // SHEET_BTN_* bits
  std::vector<CMyPage*> m_pages;    // in tab order; the subclass owns them
  QTabWidget* m_tab;                // id 1051

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  bool AnyPageModified() const;

  QPushButton* m_btnOk;
  QPushButton* m_btnCancel;
  QPushButton* m_btnApply;
  bool m_bInitialized = false;
};
