#pragma once
// One tab of a CMySheet: a child window with its own controls, painted in the window colour.
// The page fills its controls in OnInitDialog, which the sheet runs once when it opens, with the
// signals of every control blocked, so loading never counts as a change. Every change the user
// makes calls SetModified; the sheet's Apply and OK then call OnApply on each modified page.
#include <QString>
#include <QWidget>

class CMySheet;

class CMyPage : public QWidget {
 public:
  explicit CMyPage(QString title, QWidget* parent = nullptr);

  // Fills the controls from what the page shows. The base has nothing to fill.
  virtual void OnInitDialog() {}
  // Applies the page's changes; false stops the sheet's Apply, and the page, which has told
  // the user why, stays modified. The base clears the modified flag and agrees.
  virtual bool OnApply();

  // The user changed something: the page holds changes not yet applied, and the sheet's Apply
  // button follows.
  void SetModified();

  bool m_bModified = false;
  QString m_strTitle;    // the tab text
  CMySheet* m_pSheet = nullptr;  // set when the sheet opens with this page
};
