#pragma once
// The name rule of the dialogs that name a new colour plan or scheme: OK is enabled exactly
// while the trimmed text is a name that `usable` accepts, checked at once and on every edit.
#include <QLineEdit>
#include <QPushButton>
#include <QString>

template <typename Usable>
void enable_ok_for_new_name(QLineEdit* field, QPushButton* ok, Usable usable) {
  auto check = [field, ok, usable] { ok->setEnabled(!usable(field->text()).isEmpty()); };
  QObject::connect(field, &QLineEdit::textChanged, ok, check);
  check();
}
