#pragma once
// The "Appearance" page of Global Options: margin, line spacing and column limit of every
// terminal, the size shown on the status bar, the cursor, and the colour scheme and terminal
// type that new sessions start with. The scheme list it offers is the Color Scheme page's copy,
// so schemes added or deleted there show here before anything is stored.
#include "config/terminal_appearance_param.h"
#include "settings/COptDialog.h"

class CCursorSample;
class QCheckBox;
class QComboBox;
class QLineEdit;
class color_scheme_param;

class CTerminalAppearanceDlg : public COptDialog {
 public:
  // `schemes`: the scheme list whose names the default-scheme choice offers.
  explicit CTerminalAppearanceDlg(const color_scheme_param& schemes, QWidget* parent = nullptr);

  void OnInitDialog() override;
  void LoadFromConfig() override;
  void StoreToConfig() override;
  bool Validate() override;

  // Offers the schemes' names again. A default scheme that is no longer among them becomes the
  // first scheme, and the page is then modified.
  void FillSchemeCombo();
  // The cursor sample follows the style and interval chosen.
  void UpdateCursorSample();

  terminal_appearance_param m_appearance;

 private:
  const color_scheme_param& m_schemes;
  QLineEdit* m_wndMargin;       // 403
  QLineEdit* m_wndLineSpacing;  // 404
  QLineEdit* m_wndMaxColumn;    // 405
  QCheckBox* m_wndIndicate;     // 406
  QComboBox* m_wndStyle;        // 407
  QLineEdit* m_wndInterval;     // 408
  CCursorSample* m_wndSample;   // 409
  QComboBox* m_wndScheme;       // 410
  QComboBox* m_wndConsole;      // 1006
};
