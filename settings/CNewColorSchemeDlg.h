#pragma once
// Edits one colour scheme: foreground, background, whether the ANSI colours are used and which
// plan gives them, with a preview of the text colours and "Reset" to a built-in scheme. It works
// on its own copy; after OK the caller takes m_scheme. The plans it offers are the ones it is
// given (the Global Options page's copy, or the Session Options dialog's).
#include <QDialog>

#include <optional>
#include <string>

#include "config/color_plans.h"

class CCaption;
class CSampleListBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class ansi_color_param;

class CNewColorSchemeDlg : public QDialog {
 public:
  // A copy of `source`, renamed to `new_name` when one is given; `builtin` is what "Reset"
  // restores (null: Reset stays disabled).
  CNewColorSchemeDlg(const ansi_color_param& plans, const std::optional<std::u16string>& new_name,
                     const color_scheme& source, const color_scheme* builtin, QWidget* parent = nullptr);

  // Shows the whole scheme.
  void Refresh();
  // The preview: the 16 ANSI colours of the scheme's plan, or "Normal" and "Bold" in the
  // foreground colour when the ANSI colours are off.
  void FillPreview();

  color_scheme m_scheme;
  const color_scheme* m_pBuiltin;

 private:
  void OnSwatchClicked(bool foreground);
  void OnModeChanged();
  void OnPlanChanged();
  void OnReset();

  const ansi_color_param& m_plans;
  CSampleListBox* m_wndPreview;   // 388
  CCaption* m_wndForeground;      // 393
  CCaption* m_wndBackground;      // 394
  QRadioButton* m_wndMonochrome;  // 390
  QRadioButton* m_wndAnsi;        // 391
  QComboBox* m_wndPlan;           // 376
  QPushButton* m_wndReset;        // 392
};
