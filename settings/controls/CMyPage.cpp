#include "settings/controls/CMyPage.h"

#include <QPalette>

#include "settings/controls/CMySheet.h"

CMyPage::CMyPage(QString title, QWidget* parent) : QWidget(parent), m_strTitle(std::move(title)) {
  // The page and its labels stand on the window colour, not the dialog colour around the tabs.
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
}

bool CMyPage::OnApply() {
  m_bModified = false;
  return true;
}

void CMyPage::SetModified() {
  m_bModified = true;
  if (m_pSheet) m_pSheet->UpdateApplyButton();
}
