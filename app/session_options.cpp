#include "app/session_options.h"

#include "app/open_session.h"
#include "config/session_record.h"
#include "platform/ui.h"
#include "settings/CSessionOptionsDlg.h"

bool edit_session_options(QWidget* parent, session_record& record, int lock_mask) {
  CSessionOptionsDlg dialog(record, lock_mask, parent);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return false;
  record = dialog.m_session;
  if (dialog.m_bSchemesChanged) reapply_terminal_settings();
  return true;
}
