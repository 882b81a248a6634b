#include "explorer/CProgressDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "connections/transfer_control.h"
#include "platform/dialog_ids.h"
#include "platform/qt_text.h"

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CProgressDlg");
  setWindowModality(Qt::WindowModal);
  auto* layout = new QGridLayout(this);
  layout->addWidget(new QLabel("Action:", this), 0, 0);
  m_wndAction = with_id(new QLabel(this), id_action);
  layout->addWidget(m_wndAction, 0, 1);
  m_wndDetail = with_id(new QLabel(this), id_detail);
  layout->addWidget(m_wndDetail, 1, 1);
  layout->addWidget(new QLabel("File:", this), 2, 0);
  m_wndFile = with_id(new QLabel(this), id_file);
  m_wndFile->setTextFormat(Qt::PlainText);
  m_wndFile->setMinimumWidth(360);
  layout->addWidget(m_wndFile, 2, 1);
  m_wndProgress = with_id(new QProgressBar(this), id_progress);
  m_wndProgress->setRange(0, 100);
  layout->addWidget(m_wndProgress, 3, 0, 1, 2);
  auto* buttons = new QDialogButtonBox(this);
  m_btnPause = with_id(buttons->addButton("Pause", QDialogButtonBox::ActionRole), 1);
  QPushButton* cancel = with_id(buttons->addButton("Cancel", QDialogButtonBox::RejectRole), 2);
  layout->addWidget(buttons, 4, 0, 1, 2);
  m_btnPause->setAutoDefault(false);
  cancel->setAutoDefault(false);
  connect(m_btnPause, &QPushButton::clicked, this, &CProgressDlg::OnPauseResume);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(this, &QDialog::finished, this, [this] { OnDestroy(); });
}

void CProgressDlg::Attach(std::shared_ptr<transfer_control> transfer) {
  m_transfer = std::move(transfer);
  m_bDownload = m_transfer && m_transfer->download;
  m_bActive = true;
  m_bPaused = false;
}

void CProgressDlg::OnInitDialog() {
  setWindowTitle(m_bDownload ? "Download" : "Upload");
  m_wndAction->setText("calculating...");
  m_wndDetail->clear();
  m_wndFile->setText("--");
  m_wndProgress->setValue(0);
  m_btnPause->setText("Pause");
}

void CProgressDlg::OnProgressUpdate(const transfer_progress& report) {
  if (report.action) m_wndAction->setText(platform::to_qstring(*report.action));
  if (report.detail) m_wndDetail->setText(platform::to_qstring(*report.detail));
  if (report.file) m_wndFile->setText(platform::to_qstring(*report.file));
  if (report.percent != 0) m_wndProgress->setValue(report.percent);
}

void CProgressDlg::OnProgressClose() { done(QDialog::Accepted); }

void CProgressDlg::OnPauseResume() {
  m_bPaused = !m_bPaused;
  if (m_transfer) m_transfer->set_paused(m_bPaused);
  m_btnPause->setText(m_bPaused ? "Resume" : "Pause");
}

void CProgressDlg::OnDestroy() {
  m_bActive = false;
  if (m_transfer && !m_transfer->ended()) m_transfer->cancel();
  m_transfer.reset();
}
