#include "settings/controls/CMySheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/dialog_ids.h"
#include "settings/controls/CMyPage.h"
#include "settings/controls/loading_guard.h"

CMySheet::CMySheet(QString title, QWidget* parent) : QDialog(parent), m_strTitle(std::move(title)) {
  setObjectName("CMySheet");
  m_tab = with_id(new QTabWidget(this), 1051);
  m_btnOk = with_id(new QPushButton("OK", this), 1);
  m_btnCancel = with_id(new QPushButton("Cancel", this), 2);
  m_btnApply = with_id(new QPushButton("Apply", this), 1008);
  m_btnOk->setDefault(true);
  connect(m_btnOk, &QPushButton::clicked, this, &CMySheet::accept);
  connect(m_btnCancel, &QPushButton::clicked, this, &CMySheet::reject);
  connect(m_btnApply, &QPushButton::clicked, this, &CMySheet::OnApply);

  // A hidden button takes no room in the row, so the shown ones close up to the right.
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_btnOk);
  buttons->addWidget(m_btnCancel);
  buttons->addWidget(m_btnApply);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_tab, 1);
  layout->addLayout(buttons);
}

void CMySheet::showEvent(QShowEvent* e) {
  OnInitDialog();
  QDialog::showEvent(e);
}

void CMySheet::OnInitDialog() {
  if (m_bInitialized) return;
  m_bInitialized = true;
  setWindowTitle(m_strTitle);
  for (CMyPage* page : m_pages) {
    page->m_pSheet = this;
    m_tab->addTab(page, page->m_strTitle);
    loading_guard loading(*page);
    page->OnInitDialog();
  }
  if (!m_pages.empty()) m_tab->setCurrentIndex(0);
  m_btnApply->setVisible(m_nButtons & SHEET_BTN_APPLY);
  m_btnApply->setEnabled(false);
  m_btnCancel->setVisible(m_nButtons & SHEET_BTN_CANCEL);
  m_btnOk->setVisible(m_nButtons & SHEET_BTN_OK);
  adjustSize();
}

bool CMySheet::AnyPageModified() const {
  for (const CMyPage* page : m_pages)
    if (page->m_bModified) return true;
  return false;
}

void CMySheet::UpdateApplyButton() {
  if (m_nButtons & SHEET_BTN_APPLY) m_btnApply->setEnabled(AnyPageModified());
}

void CMySheet::OnApply() {
  for (CMyPage* page : m_pages) {
    if (page->m_bModified && !page->OnApply()) break;
  }
  UpdateApplyButton();
}

void CMySheet::accept() {
  OnApply();
  if (!AnyPageModified()) QDialog::accept();
}
