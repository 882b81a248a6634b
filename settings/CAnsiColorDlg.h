#pragma once
// The "ANSI Color" page of Global Options: the ANSI colour plans, each shown as two rows of eight
// swatches (normal and highlight colours). Built-in plans can be recoloured and reset; the
// user's plans can be deleted, and the schemes that used one then fall back to "VGA" on the
// Color Scheme page's copy.
#include <array>

#include "config/ansi_color_param.h"
#include "settings/COptDialog.h"

class CCaption;
class CColorSchemeDlg;
class QComboBox;
class QPushButton;

class CAnsiColorDlg : public COptDialog {
 public:
  explicit CAnsiColorDlg(QWidget* parent = nullptr);

  void OnInitDialog() override;
  void LoadFromConfig() override;
  void StoreToConfig() override;

  // Shows the selected plan's colours; Reset for a built-in plan, Delete for the user's.
  void ShowPlan();
  void OnSwatchClicked(int index);
  void OnResetNormal() { OnReset(0); }
  void OnResetHighlight() { OnReset(8); }
  void OnNewPlan();
  void OnDeletePlan();

  ansi_color_param m_plans;
  // The Color Scheme page, whose schemes follow a deleted plan.
  CColorSchemeDlg* m_pSchemePage = nullptr;

 private:
  void OnReset(int first_color);

  std::array<CCaption*, 16> m_swatches{};  // ids 1000 to 1015
  QComboBox* m_wndPlan;                   // 376
  QPushButton* m_wndDelete;               // 377
  QPushButton* m_wndNew;                  // 378
  QPushButton* m_wndResetNormal;          // 381
  QPushButton* m_wndResetHighlight;       // 382
};
