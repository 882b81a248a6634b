#include "scripting/CDialogForm.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "config/text_convert.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "scripting/dialog_layout.h"

namespace {

// A combo box's text is read up to this many characters.
constexpr int combo_text_limit = 1023;

QString wide(const std::string& text) { return platform::to_qstring(mbs_to_wstring(text)); }

int logical_dpi(bool horizontal) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen ? static_cast<int>(horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY()) : 0;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

CDialogForm::CDialogForm(dialog_description& description, QWidget* parent) : QDialog(parent), m_description(description) {
  setObjectName("CDialogForm");
  setWindowTitle(wide(description.title));

  // Qt sizes the client area; the window system draws its frame around it.
  const int count = static_cast<int>(description.items.size());
  const dialog_layout layout(count, logical_dpi(true), logical_dpi(false));
  const QSize size = layout.window_size();
  setFixedSize(size);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
  }

  for (int index = 0; index < count; ++index) {
    const dialog_item& item = description.items[static_cast<size_t>(index)];
    auto* label = with_id(new QLabel(wide(item.label), this), 0);
    label->setGeometry(layout.label_rect(index));
    QWidget* control = nullptr;
    if (item.type == dialog_item_edit) {
      auto* edit = new QLineEdit(wide(item.default_text), this);
      connect(edit, &QLineEdit::textChanged, this, &CDialogForm::UpdateOkButton);
      control = edit;
    } else {
      auto* combo = new QComboBox(this);
      combo->setEditable(item.type == dialog_item_dropdown);
      int selected = item.options.empty() ? -1 : 0;
      for (size_t option = 0; option < item.options.size(); ++option) {
        combo->addItem(wide(item.options[option]));
        if (item.options[option] == item.default_text) selected = static_cast<int>(option);
      }
      combo->setCurrentIndex(selected);
      if (selected < 0) combo->setEditText(QString());
      connect(combo, &QComboBox::currentTextChanged, this, &CDialogForm::UpdateOkButton);
      control = combo;
    }
    with_id(control, 0)->setGeometry(layout.control_rect(index));
    m_controls.push_back(control);
  }

  m_wndOk = with_id(new QPushButton("OK", this), 1);
  m_wndOk->setDefault(true);
  m_wndOk->setGeometry(layout.ok_rect(size));
  connect(m_wndOk, &QPushButton::clicked, this, &QDialog::accept);
  auto* cancel = with_id(new QPushButton("Cancel", this), 2);
  cancel->setGeometry(layout.cancel_rect(size));
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  UpdateOkButton();
}

QString CDialogForm::ControlText(int index) const {
  QWidget* control = m_controls[static_cast<size_t>(index)];
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  return static_cast<QComboBox*>(control)->currentText().left(combo_text_limit);
}

void CDialogForm::UpdateOkButton() {
  bool complete = true;
  for (size_t index = 0; index < m_description.items.size(); ++index)
    if (m_description.items[index].require && ControlText(static_cast<int>(index)).trimmed().isEmpty()) complete = false;
  m_wndOk->setEnabled(complete);
}

void CDialogForm::accept() {
  if (!m_wndOk->isEnabled()) return;
  for (size_t index = 0; index < m_description.items.size(); ++index)
    m_description.items[index].value = wcs_to_string(platform::to_u16string(ControlText(static_cast<int>(index)).trimmed()));
  QDialog::accept();
}
