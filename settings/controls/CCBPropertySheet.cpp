#include "settings/controls/CCBPropertySheet.h"

#include <QAbstractButton>

#include "platform/ui.h"
#include "settings/controls/control_look.h"

CCBPropertySheet::CCBPropertySheet(QWidget* parent) : QWizard(parent) {
  setButtonText(QWizard::CancelButton, "Cancel");
}

int CCBPropertySheet::DoModal() {
  // The font goes to the sheet; every page inherits it unless a page set one of its own.
  setFont(point_font("Microsoft Sans Serif", 8, *this));
  int answer = platform::ui::instance().run_modal(*this);
  return answer == platform::IDOK ? ID_WIZFINISH : answer;
}

void CCBPropertySheet::Create() {
  setFont(QFont());
  show();
}
