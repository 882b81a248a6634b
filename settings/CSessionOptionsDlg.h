#pragma once
// "Session Options": one session's connection, terminal and appearance, on the dialog's own copy
// of the record. A lock mask disables whole pages (bit 0 Connection, bit 1 Terminal, bit 2
// Appearance); locked pages are still validated. After OK the caller takes m_session.
//
// The scheme editor's "Edit..." and "New..." work on the dialog's copy of the scheme list: on OK
// the copy replaces the configuration's list and a save is armed (m_bSchemesChanged tells the
// caller to apply it to the open terminals); Cancel leaves the configuration as it was.
#include <array>

#include "config/color_scheme_param.h"
#include "config/session_record.h"
#include "settings/CCategoryDlg.h"

class CConnectionDlg;
class COptDialog;
class CSessionTerminalAppearanceDlg;
class CSessionTerminalDlg;

class CSessionOptionsDlg : public CCategoryDlg {
 public:
  CSessionOptionsDlg(const session_record& session, int lock_mask, QWidget* parent = nullptr);

  void accept() override;

  int m_nLockMask;
  session_record m_session;
  color_scheme_param m_schemes;  // the scheme list the Appearance page edits
  bool m_bSchemesChanged = false;

  CConnectionDlg* m_pConnection;
  CSessionTerminalDlg* m_pTerminal;
  CSessionTerminalAppearanceDlg* m_pAppearance;
  std::array<COptDialog*, 3> m_pages;
};
