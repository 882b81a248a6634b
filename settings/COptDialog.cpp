#include "settings/COptDialog.h"

#include <QCheckBox>

#include "platform/ui.h"

COptDialog::COptDialog(QWidget* parent) : QWidget(parent) {}

bool refuse_input(QWidget* parent, const QString& message) {
  platform::ui::instance().message_box(parent, message, "Error", platform::MB_OK | platform::MB_ICONERROR);
  return false;
}

void COptDialog::BindFlag(QCheckBox* box, bool& flag) {
  connect(box, &QCheckBox::clicked, this, [this, &flag](bool checked) {
    flag = checked;
    OnModified();
  });
}
