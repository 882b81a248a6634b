#include "settings/CNewColorPlanDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "settings/color_list_edits.h"
#include "settings/controls/dialog_buttons.h"
#include "settings/new_name_rule.h"

CNewColorPlanDlg::CNewColorPlanDlg(const std::vector<ansi_color_plan>& plans, QWidget* parent)
    : QDialog(parent), m_plans(plans) {
  setObjectName("CNewColorPlanDlg");
  setWindowTitle("New Color Plan");
  m_wndName = with_id(new QLineEdit(this), 383);
  m_wndBase = with_id(new QComboBox(this), 376);
  for (const ansi_color_plan& plan : m_plans) m_wndBase->addItem(platform::to_qstring(plan.name));
  m_wndBase->setCurrentIndex(m_plans.empty() ? -1 : 0);
  auto* form = new QFormLayout;
  form->addRow("ANSI Color plan name:", m_wndName);
  form->addRow("Based on ANSI color plan:", m_wndBase);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  QPushButton* ok = add_ok_cancel(*this, *layout);
  enable_ok_for_new_name(m_wndName, ok, [this](const QString& typed) { return new_entry_name(typed, m_plans); });
}

void CNewColorPlanDlg::accept() {
  const QString name = new_entry_name(m_wndName->text(), m_plans);
  if (name.isEmpty() || m_wndBase->currentIndex() < 0) return;
  m_strName = platform::to_u16string(name);
  m_nBase = m_wndBase->currentIndex();
  QDialog::accept();
}
