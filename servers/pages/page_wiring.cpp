#include "servers/pages/page_wiring.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include "platform/dialog_ids.h"
#include "platform/ui.h"
#include "settings/controls/CMyComboBox.h"

void mark_modified_on_change(CMyPage& page, std::initializer_list<QWidget*> controls) {
  auto modified = [&page] { page.SetModified(); };
  for (QWidget* control : controls) {
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
      QObject::connect(box, &QCheckBox::clicked, &page, modified);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      QObject::connect(edit, &QLineEdit::textEdited, &page, modified);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
      QObject::connect(combo, &QComboBox::activated, &page, modified);
      if (QLineEdit* typed = combo->lineEdit()) QObject::connect(typed, &QLineEdit::textEdited, &page, modified);
      if (auto* history = qobject_cast<CMyComboBox*>(combo))
        QObject::connect(history, &CMyComboBox::WM_COMBO_ITEM_DELETED, &page, modified);
    }
  }
}

void show_page_message(QWidget* parent, const QString& text) {
  platform::ui::instance().message_box(parent, text, QCoreApplication::applicationName(), platform::MB_OK);
}

QPushButton* make_browse_button(QWidget* parent, int id) {
  auto* button = with_id(new QPushButton(QStringLiteral("..."), parent), id);
  button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3);
  return button;
}
