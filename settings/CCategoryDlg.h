#pragma once
// The frame both options dialogs share: a category tree on the left, and on the right a caption
// bar above one page at a time; OK and Cancel below. Selecting a category shows its page and puts
// the category's label in the caption. The subclass creates its pages (InitPage), files them in
// the tree (AddCategory) and decides what OK does.
#include <QDialog>
#include <QString>

class CCaption;
class CMyTreeCtrl;
class COptDialog;
class QStackedWidget;
class QTreeWidgetItem;

class CCategoryDlg : public QDialog {
 public:
  CCategoryDlg(const QString& title, QWidget* parent = nullptr);

 protected:
  // Makes the page one of the dialog's pages (hidden until its category is selected) and lets it
  // load, with the signals of its controls blocked.
  void InitPage(COptDialog& page);
  // A tree item labelled `label` for `page`, under `parent` (top level when null).
  QTreeWidgetItem* AddCategory(const QString& label, COptDialog* page, QTreeWidgetItem* parent = nullptr);
  // Selecting an item: the caption takes its label and its page is the one shown.
  void OnSelChanged(QTreeWidgetItem* item);
  // Expands `item` and everything below it.
  void ExpandAll(QTreeWidgetItem* item);

  CMyTreeCtrl* m_wndTree;      // id 374
  CCaption* m_wndCaption;      // id 375
  QStackedWidget* m_wndPages;  // the pages, on the area right of the tree and below the caption
};
