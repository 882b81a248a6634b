#pragma once
// A tree drawn in the options dialogs' own way: grey chevrons for the expand buttons, no lines,
// no focus rectangle, the current item shaded (the whole row with full-row selection, else just
// its text), every text in 8 pt "Microsoft Sans Serif".
#include <QIcon>
#include <QTreeWidget>

class CMyTreeCtrl : public QTreeWidget {
 public:
  explicit CMyTreeCtrl(QWidget* parent = nullptr);

  // Items with children show an expand button (a chevron).
  bool m_bHasButtons = true;
  // The current item is shaded across the whole row rather than behind its text.
  bool m_bFullRowSelect = false;

  QIcon m_hCollapsedIcon;  // icon 418, a chevron pointing right
  QIcon m_hExpandedIcon;   // icon 417, a chevron pointing down

  // Where an item's parts are drawn, in the viewport's coordinates: the button part (empty when
  // the item shows no button) and the text box.
  QRect ButtonPartRect(const QModelIndex& index) const;
  QRect TextRect(const QModelIndex& index) const;

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  int Level(const QModelIndex& index) const;
  QFont ItemFont() const;
};
