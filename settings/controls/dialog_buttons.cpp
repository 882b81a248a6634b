#include "settings/controls/dialog_buttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

#include "platform/dialog_ids.h"

QPushButton* add_ok_cancel(QDialog& dialog, QBoxLayout& layout) {
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* ok = with_id(buttons->addButton(QDialogButtonBox::Ok), 1);
  ok->setDefault(true);
  with_id(buttons->addButton(QDialogButtonBox::Cancel), 2);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout.addWidget(buttons);
  return ok;
}
