#pragma once
// An editable combo box of history entries. Its drop-down list draws a cross at the right end of
// the highlighted entry; pressing the cross deletes that entry (the list stays open) and
// WM_COMBO_ITEM_DELETED tells the owner, which then stores the shorter history. The HTTP and
// TFTP pages use it for their folders.
#include <QComboBox>
#include <QPointer>
#include <QRect>

class CMyComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit CMyComboBox(QWidget* parent = nullptr);

  // Inserts `text` at its place in the sorted list (case-insensitive, after equal entries) and
  // returns its index.
  int AddString(const QString& text);

  // What the drop-down list reports (WM_COMBOLIST_MOUSE): a mouse move at (x, y) in the list's
  // coordinates, or a left-button press as (combo_list_press, 0). A non-zero answer means the
  // press deleted an entry and goes no further.
  static constexpr int combo_list_press = -1;
  int OnComboListMouse(int x, int y);

  // The drop-down list's surface (where entries are drawn and the mouse is reported).
  QPointer<QWidget> m_hListWnd;
  // The highlighted entry's cross, in the list's coordinates.
  QRect m_rcCross;
  bool m_bOverCross = false;

 signals:
  // An entry was deleted with its cross (delivered after the deletion has finished).
  void WM_COMBO_ITEM_DELETED();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  class entry_delegate;
  // The release that ends a press on the cross is not the list's to act on either.
  bool m_bSwallowRelease = false;
};
