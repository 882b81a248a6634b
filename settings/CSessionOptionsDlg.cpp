#include "settings/CSessionOptionsDlg.h"

#include <QTreeWidgetItem>

#include "config/configuration.h"
#include "settings/CConnectionDlg.h"
#include "settings/CSessionTerminalAppearanceDlg.h"
#include "settings/CSessionTerminalDlg.h"
#include "settings/controls/CMyTreeCtrl.h"

CSessionOptionsDlg::CSessionOptionsDlg(const session_record& session, int lock_mask, QWidget* parent)
    : CCategoryDlg("Session Options", parent),
      m_nLockMask(lock_mask),
      m_session(session),
      m_schemes(*configuration::instance().color_schemes) {
  setObjectName("CSessionOptionsDlg");
  m_pConnection = new CConnectionDlg(m_session);
  m_pTerminal = new CSessionTerminalDlg(m_session);
  m_pAppearance = new CSessionTerminalAppearanceDlg(*this);
  m_pages = {m_pConnection, m_pTerminal, m_pAppearance};
  for (size_t i = 0; i < m_pages.size(); ++i) {
    InitPage(*m_pages[i]);
    // A locked page can be looked at but not changed.
    if (m_nLockMask & (1 << i))
      for (QWidget* control : m_pages[i]->findChildren<QWidget*>()) control->setEnabled(false);
  }

  QTreeWidgetItem* connection = AddCategory("Connection", m_pConnection);
  m_wndTree->setCurrentItem(connection);
  QTreeWidgetItem* terminal = AddCategory("Terminal", m_pTerminal);
  AddCategory("Appearance", m_pAppearance, terminal);
  for (int i = 0; i < m_wndTree->topLevelItemCount(); ++i) ExpandAll(m_wndTree->topLevelItem(i));
}

void CSessionOptionsDlg::accept() {
  for (COptDialog* page : m_pages)
    if (!page->Validate()) return;
  if (m_bSchemesChanged) {
    *configuration::instance().color_schemes = m_schemes;
    configuration::instance().schedule_save();
  }
  CCategoryDlg::accept();
}
