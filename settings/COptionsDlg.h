#pragma once
// "Global Options": the pages Common, Default Sessions, Terminal, Appearance, ANSI Color and
// Color Scheme under a category tree. Each page works on its own copy of its settings. OK
// validates every page (the first refusal keeps the dialog open and stores nothing), then
// stores the modified pages and arms one deferred save; Cancel leaves the configuration as it
// was. After OK the caller applies the settings to the open terminals.
#include <array>

#include "settings/CCategoryDlg.h"

class CAnsiColorDlg;
class CColorSchemeDlg;
class CCommonOptionsDlg;
class CDefaultSessionDlg;
class COptDialog;
class CTerminalAppearanceDlg;
class CTerminalOptDlg;

class COptionsDlg : public CCategoryDlg {
 public:
  explicit COptionsDlg(QWidget* parent = nullptr);

  void accept() override;

  // Every walk over the pages runs in this order.
  CAnsiColorDlg* m_pAnsiColor;
  CColorSchemeDlg* m_pColorScheme;
  CCommonOptionsDlg* m_pCommon;
  CDefaultSessionDlg* m_pDefaultSession;
  CTerminalOptDlg* m_pTerminal;
  CTerminalAppearanceDlg* m_pAppearance;
  std::array<COptDialog*, 6> m_pages;
};
