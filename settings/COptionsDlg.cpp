#include "settings/COptionsDlg.h"

#include <QTreeWidgetItem>

#include "config/configuration.h"
#include "settings/CAnsiColorDlg.h"
#include "settings/CColorSchemeDlg.h"
#include "settings/CCommonOptionsDlg.h"
#include "settings/CDefaultSessionDlg.h"
#include "settings/CTerminalAppearanceDlg.h"
#include "settings/CTerminalOptDlg.h"
#include "settings/controls/CMyTreeCtrl.h"

COptionsDlg::COptionsDlg(QWidget* parent) : CCategoryDlg("Global Options", parent) {
  setObjectName("COptionsDlg");
  m_pAnsiColor = new CAnsiColorDlg;
  m_pColorScheme = new CColorSchemeDlg;
  m_pCommon = new CCommonOptionsDlg;
  m_pDefaultSession = new CDefaultSessionDlg;
  m_pTerminal = new CTerminalOptDlg;
  // The Appearance page offers the Color Scheme page's schemes, so it comes after that page.
  m_pAppearance = new CTerminalAppearanceDlg(m_pColorScheme->m_schemes);
  m_pAnsiColor->m_pSchemePage = m_pColorScheme;
  m_pColorScheme->m_pAnsiPage = m_pAnsiColor;
  m_pColorScheme->m_pAppearancePage = m_pAppearance;
  m_pages = {m_pAnsiColor, m_pColorScheme, m_pCommon, m_pDefaultSession, m_pTerminal, m_pAppearance};
  for (COptDialog* page : m_pages) InitPage(*page);

  QTreeWidgetItem* common = AddCategory("Common", m_pCommon);
  AddCategory("Default Sessions", m_pDefaultSession, common);
  QTreeWidgetItem* terminal = AddCategory("Terminal", m_pTerminal);
  QTreeWidgetItem* appearance = AddCategory("Appearance", m_pAppearance, terminal);
  AddCategory("ANSI Color", m_pAnsiColor, appearance);
  AddCategory("Color Scheme", m_pColorScheme, appearance);
  m_wndTree->setCurrentItem(common);
  for (int i = 0; i < m_wndTree->topLevelItemCount(); ++i) ExpandAll(m_wndTree->topLevelItem(i));
}

void COptionsDlg::accept() {
  for (COptDialog* page : m_pages)
    if (!page->Validate()) return;
  bool stored = false;
  for (COptDialog* page : m_pages) {
    if (!page->m_bModified) continue;
    page->StoreToConfig();
    stored = true;
  }
  if (stored) configuration::instance().schedule_save();
  CCategoryDlg::accept();
}
