#pragma once
// Finding a dialog's controls by their ids and typing into them as a user does.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QWidget>

template <typename Widget>
Widget* control(QWidget& parent, int id) {
  auto* found = parent.findChild<Widget*>(QStringLiteral("id_%1").arg(id));
  EXPECT_NE(found, nullptr) << "no control " << id;
  return found;
}

// Types into an edit as the user does (so "edited" notifications fire).
inline void type_into(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// Chooses the item with this text as the user does from the open list.
inline void choose(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  ASSERT_GE(index, 0) << "no item " << text.toStdString();
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}
