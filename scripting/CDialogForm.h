#pragma once
// The form that a script's `dialog` call shows: one label and one edit or combo box per field
// of the description, placed by dialog_layout, with OK and Cancel. OK is enabled only while
// every required field holds more than white space; on OK each field's trimmed text becomes its item's value.
#include <QDialog>

#include <vector>

#include "scripting/dialog_description.h"

class QPushButton;

class CDialogForm : public QDialog {
 public:
  // `description` must outlive the form; its values are written on OK.
  CDialogForm(dialog_description& description, QWidget* parent);

  // Enables OK when every required field's text, trimmed, is not empty.
  void UpdateOkButton();

  // The edit or combo box of each item, in item order.
  const std::vector<QWidget*>& controls() const { return m_controls; }

  void accept() override;

 private:
  QString ControlText(int index) const;

  dialog_description& m_description;
  std::vector<QWidget*> m_controls;
  QPushButton* m_wndOk;
};
