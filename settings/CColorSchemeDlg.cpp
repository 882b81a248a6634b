#include "settings/CColorSchemeDlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/configuration.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "settings/CAnsiColorDlg.h"
#include "settings/CNewColorSchemeDlg.h"
#include "settings/CNewColorSchemeNameDlg.h"
#include "settings/CTerminalAppearanceDlg.h"
#include "settings/color_list_edits.h"

CColorSchemeDlg::CColorSchemeDlg(QWidget* parent) : COptDialog(parent) {
  auto* group = new QGroupBox("Color Scheme", this);
  m_wndList = with_id(new QListWidget(group), 384);
  m_wndEdit = with_id(new QPushButton("Edit...", group), 385);
  m_wndNew = with_id(new QPushButton("New...", group), 386);
  m_wndDelete = with_id(new QPushButton("Delete", group), 387);
  auto* grid = new QGridLayout(group);
  grid->addWidget(m_wndList, 0, 0, 4, 1);
  grid->addWidget(m_wndEdit, 0, 1);
  grid->addWidget(m_wndNew, 1, 1);
  grid->addWidget(m_wndDelete, 2, 1);
  grid->setRowStretch(3, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);

  connect(m_wndList, &QListWidget::itemSelectionChanged, this, &CColorSchemeDlg::OnSelChange);
  connect(m_wndEdit, &QPushButton::clicked, this, &CColorSchemeDlg::OnEditScheme);
  connect(m_wndNew, &QPushButton::clicked, this, &CColorSchemeDlg::OnNewScheme);
  connect(m_wndDelete, &QPushButton::clicked, this, &CColorSchemeDlg::OnDeleteScheme);
}

void CColorSchemeDlg::LoadFromConfig() { m_schemes = *configuration::instance().color_schemes; }

void CColorSchemeDlg::StoreToConfig() { *configuration::instance().color_schemes = m_schemes; }

void CColorSchemeDlg::OnInitDialog() {
  LoadFromConfig();
  for (const color_scheme& scheme : m_schemes.schemes) m_wndList->addItem(platform::to_qstring(scheme.name));
  if (m_wndList->count() > 0) m_wndList->setCurrentRow(0);
  OnSelChange();
}

void CColorSchemeDlg::OnSelChange() {
  QListWidgetItem* selected = m_wndList->currentItem();
  if (!selected || !selected->isSelected()) {
    m_wndEdit->setEnabled(false);
    m_wndDelete->setEnabled(false);
    return;
  }
  m_wndEdit->setEnabled(true);
  m_wndDelete->setEnabled(!find_builtin_color_scheme(platform::to_u16string(selected->text())));
}

void CColorSchemeDlg::OnNewScheme() {
  if (!m_pAnsiPage) return;
  CNewColorSchemeNameDlg name(m_schemes, this);
  if (platform::ui::instance().run_modal(name) != platform::IDOK) return;
  CNewColorSchemeDlg editor(m_pAnsiPage->m_plans, name.m_strName, builtin_color_schemes[0], nullptr, this);
  if (platform::ui::instance().run_modal(editor) != platform::IDOK) return;
  m_schemes.schemes.push_back(editor.m_scheme);
  m_wndList->addItem(platform::to_qstring(editor.m_scheme.name));
  m_wndList->setCurrentRow(m_wndList->count() - 1);
  OnSelChange();
  if (m_pAppearancePage) m_pAppearancePage->FillSchemeCombo();
  OnModified();
}

void CColorSchemeDlg::OnEditScheme() {
  QListWidgetItem* selected = m_wndList->currentItem();
  if (!m_pAnsiPage || !selected || !selected->isSelected()) return;
  const std::u16string name = platform::to_u16string(selected->text());
  color_scheme* scheme = find_exact(m_schemes.schemes, name);
  if (!scheme) return;
  CNewColorSchemeDlg editor(m_pAnsiPage->m_plans, std::nullopt, *scheme, find_builtin_color_scheme(name), this);
  if (platform::ui::instance().run_modal(editor) != platform::IDOK) return;
  *scheme = editor.m_scheme;
  OnModified();
}

void CColorSchemeDlg::OnDeleteScheme() {
  QListWidgetItem* selected = m_wndList->currentItem();
  if (!selected || !selected->isSelected()) return;
  if (platform::ui::instance().message_box(
          this, "Session using this scheme will default to Monochrome.\nWill you still want to delete?", "Confirm",
          platform::MB_OKCANCEL | platform::MB_ICONQUESTION) != platform::IDOK)
    return;
  if (!delete_user_scheme(m_schemes.schemes, platform::to_u16string(selected->text()))) return;
  delete selected;
  m_wndList->clearSelection();
  m_wndList->setCurrentItem(nullptr);
  OnSelChange();
  if (m_pAppearancePage) m_pAppearancePage->FillSchemeCombo();
  OnModified();
}
