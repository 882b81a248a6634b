#pragma once
// Gives a dialog's control the name its numeric id makes ("id_<number>"), the one name by which
// tests and other windows find a control.
#include <QString>
#include <QWidget>

template <typename Widget>
Widget* with_id(Widget* widget, int id) {
  widget->setObjectName(QStringLiteral("id_%1").arg(id));
  return widget;
}
