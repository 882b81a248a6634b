#include "settings/CAnsiColorDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/configuration.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "settings/CColorSchemeDlg.h"
#include "settings/CNewColorPlanDlg.h"
#include "settings/color_list_edits.h"
#include "settings/color_swatch.h"
#include "settings/controls/CCaption.h"

CAnsiColorDlg::CAnsiColorDlg(QWidget* parent) : COptDialog(parent) {
  auto* names = new QGroupBox("Plan Name", this);
  m_wndPlan = with_id(new QComboBox(names), 376);
  m_wndDelete = with_id(new QPushButton("Delete", names), 377);
  m_wndNew = with_id(new QPushButton("New", names), 378);
  auto* name_row = new QHBoxLayout(names);
  name_row->addWidget(m_wndPlan, 1);
  name_row->addWidget(m_wndDelete);
  name_row->addWidget(m_wndNew);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(names);
  // Two rows of eight swatches, each in its group with its Reset button.
  struct row {
    const char* title;
    int group_id;
    int reset_id;
    QPushButton** reset;
  };
  const row rows[] = {{"Normal Color", 379, 381, &m_wndResetNormal}, {"Highlight Color", 380, 382, &m_wndResetHighlight}};
  for (int r = 0; r < 2; ++r) {
    auto* group = with_id(new QGroupBox(rows[r].title, this), rows[r].group_id);
    auto* swatches = new QHBoxLayout(group);
    swatches->setSpacing(10);
    for (int i = 8 * r; i < 8 * r + 8; ++i) {
      m_swatches[static_cast<size_t>(i)] = make_swatch(group, 1000 + i);
      swatches->addWidget(m_swatches[static_cast<size_t>(i)]);
      connect(m_swatches[static_cast<size_t>(i)], &CCaption::STN_CLICKED, this, [this, i] { OnSwatchClicked(i); });
    }
    swatches->addStretch(1);
    *rows[r].reset = with_id(new QPushButton("Reset", group), rows[r].reset_id);
    swatches->addWidget(*rows[r].reset);
    layout->addWidget(group);
  }
  layout->addStretch(1);

  connect(m_wndPlan, &QComboBox::activated, this, &CAnsiColorDlg::ShowPlan);
  connect(m_wndResetNormal, &QPushButton::clicked, this, &CAnsiColorDlg::OnResetNormal);
  connect(m_wndResetHighlight, &QPushButton::clicked, this, &CAnsiColorDlg::OnResetHighlight);
  connect(m_wndNew, &QPushButton::clicked, this, &CAnsiColorDlg::OnNewPlan);
  connect(m_wndDelete, &QPushButton::clicked, this, &CAnsiColorDlg::OnDeletePlan);
}

void CAnsiColorDlg::LoadFromConfig() { m_plans = *configuration::instance().ansi_colors; }

void CAnsiColorDlg::StoreToConfig() { *configuration::instance().ansi_colors = m_plans; }

void CAnsiColorDlg::OnInitDialog() {
  LoadFromConfig();
  for (const ansi_color_plan& plan : m_plans.plans) m_wndPlan->addItem(platform::to_qstring(plan.name));
  m_wndPlan->setCurrentIndex(m_plans.plans.empty() ? -1 : 0);
  ShowPlan();
}

void CAnsiColorDlg::ShowPlan() {
  const int index = m_wndPlan->currentIndex();
  if (index < 0 || index >= static_cast<int>(m_plans.plans.size())) return;
  const ansi_color_plan& plan = m_plans.plans[static_cast<size_t>(index)];
  for (size_t i = 0; i < m_swatches.size(); ++i) show_swatch_color(*m_swatches[i], plan.colors[i]);
  const bool builtin = is_builtin_ansi_color_plan(plan.name);
  m_wndResetNormal->setEnabled(builtin);
  m_wndResetHighlight->setEnabled(builtin);
  m_wndDelete->setEnabled(!builtin);
}

void CAnsiColorDlg::OnSwatchClicked(int index) {
  const int plan = m_wndPlan->currentIndex();
  if (plan < 0 || plan >= static_cast<int>(m_plans.plans.size())) return;
  std::optional<color_ref> color = pick_swatch_color(*m_swatches[static_cast<size_t>(index)]);
  if (!color) return;
  m_plans.plans[static_cast<size_t>(plan)].colors[static_cast<size_t>(index)] = *color;
  OnModified();
}

void CAnsiColorDlg::OnReset(int first_color) {
  if (!reset_plan_colors(m_plans.plans, m_wndPlan->currentIndex(), first_color)) return;
  ShowPlan();
  OnModified();
}

void CAnsiColorDlg::OnNewPlan() {
  CNewColorPlanDlg dialog(m_plans.plans, this);
  if (platform::ui::instance().run_modal(dialog) != platform::IDOK) return;
  if (dialog.m_nBase < 0 || dialog.m_nBase >= static_cast<int>(m_plans.plans.size())) return;
  m_plans.plans.push_back({dialog.m_strName, m_plans.plans[static_cast<size_t>(dialog.m_nBase)].colors});
  m_wndPlan->addItem(platform::to_qstring(dialog.m_strName));
  m_wndPlan->setCurrentIndex(m_wndPlan->count() - 1);
  ShowPlan();
  OnModified();
}

void CAnsiColorDlg::OnDeletePlan() {
  const int index = m_wndPlan->currentIndex();
  if (!m_pSchemePage || index < 0 || index >= static_cast<int>(m_plans.plans.size()) ||
      is_builtin_ansi_color_plan(m_plans.plans[static_cast<size_t>(index)].name))
    return;
  if (platform::ui::instance().message_box(
          this, "Palette using this color plan will default to VGA.\nWill you still want to delete?", "Confirm",
          platform::MB_OKCANCEL | platform::MB_ICONQUESTION) != platform::IDOK)
    return;
  bool schemes_changed = false;
  if (!delete_user_plan(m_plans.plans, index, m_pSchemePage->m_schemes.schemes, schemes_changed)) return;
  if (schemes_changed) m_pSchemePage->OnModified();
  m_wndPlan->setCurrentIndex(0);
  m_wndPlan->removeItem(index);
  ShowPlan();
  OnModified();
}
