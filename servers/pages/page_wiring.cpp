#include "servers/pages/page_wiring.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>

#include "platform/ui.h"
#include "settings/controls/CMyComboBox.h"
#include "settings/controls/CMyPage.h"

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
