#pragma once
// Helpers that give a dialog's controls the names their ids make ("id_<number>"), so that
// tests and the other Parts of the program find them.
#include <QString>
#include <QWidget>

template <typename Widget>
Widget* with_id(Widget* widget, int id) {
  widget->setObjectName(QStringLiteral("id_%1").arg(id));
  return widget;
}
