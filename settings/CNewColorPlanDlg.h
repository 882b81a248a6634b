#pragma once
// Asks the name of a new ANSI colour plan and the plan whose colours it starts from. The name
// must differ from every plan's name (exactly, after trimming).
#include <QDialog>

#include <string>
#include <vector>

#include "config/color_plans.h"

class QComboBox;
class QLineEdit;

class CNewColorPlanDlg : public QDialog {
 public:
  explicit CNewColorPlanDlg(const std::vector<ansi_color_plan>& plans, QWidget* parent = nullptr);

  void accept() override;

  const std::vector<ansi_color_plan>& m_plans;
  std::u16string m_strName;  // trimmed
  int m_nBase = 0;           // index of the plan the colours come from

 private:
  QLineEdit* m_wndName;   // 383
  QComboBox* m_wndBase;   // 376
};
