// The main frame's side of SFTP transfers: the progress dialog opened when a transfer begins
// (window-modal, never waited in), its reports, its end.
#include "app/CMainFrame.h"
#include "connections/transfer_control.h"
#include "explorer/CProgressDlg.h"

CProgressDlg* CMainFrame::ProgressDialogOf(const transfer_control* transfer) const {
  for (CProgressDlg* dialog : findChildren<CProgressDlg*>())
    if (dialog->Transfer() == transfer) return dialog;
  return nullptr;
}

void CMainFrame::OnTransferBegin(const std::shared_ptr<transfer_control>& transfer) {
  // A transfer that ended before its begin was handled shows no dialog.
  if (transfer->ended() || ProgressDialogOf(transfer.get())) return;
  CProgressDlg* dialog = m_dlgProgress;
  if (dialog->Transfer()) {
    // Another explorer's transfer holds the frame's dialog: this one gets its own.
    dialog = new CProgressDlg(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
  }
  dialog->Attach(transfer);
  dialog->OnInitDialog();
  dialog->open();
}

void CMainFrame::OnTransferProgress(const std::shared_ptr<transfer_control>& transfer) {
  // Taken in any case, so that the next report posts again.
  transfer_progress report = transfer->take_progress();
  if (CProgressDlg* dialog = ProgressDialogOf(transfer.get())) dialog->OnProgressUpdate(report);
}

void CMainFrame::OnTransferEnd(const std::shared_ptr<transfer_control>& transfer) {
  if (CProgressDlg* dialog = ProgressDialogOf(transfer.get())) dialog->OnProgressClose();
}
