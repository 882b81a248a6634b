#pragma once
// The window-modal dialog that shows an SFTP upload or download and lets the user pause,
// resume or cancel it. The main frame opens it when a transfer begins (never waiting in it),
// hands it the transfer's reports and closes it when the transfer ends. Pause and cancel go to
// the transfer through the control record they share: closing the dialog in any other way
// than at the end (Cancel, Escape, the window's close) cancels the transfer.
#include <QDialog>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class transfer_control;
struct transfer_progress;

class CProgressDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int id_progress = 1047;
  static constexpr int id_action = 1048;
  static constexpr int id_detail = 1049;
  static constexpr int id_file = 1050;

  explicit CProgressDlg(QWidget* parent = nullptr);

  // The transfer the dialog shows and steers; `m_bDownload` follows its direction. Sets the
  // active flag and clears the pause flag.
  void Attach(std::shared_ptr<transfer_control> transfer);
  transfer_control* Transfer() const { return m_transfer.get(); }

  // The title by direction, "calculating...", no detail, "--" and an empty bar.
  void OnInitDialog();
  // Each text of the report replaces its line; a non-zero percent moves the bar.
  void OnProgressUpdate(const transfer_progress& report);
  // The transfer ended: the dialog closes without cancelling it.
  void OnProgressClose();
  // Pause/Resume: flips the pause flag and the button's text.
  void OnPauseResume();

  // 1 while the transfer may go on; cleared when the dialog closes.
  bool m_bActive = false;
  bool m_bPaused = false;
  bool m_bDownload = false;

 private:
  // Every way the dialog closes ends here: the active flag clears, and a transfer that has not
  // ended is cancelled.
  void OnDestroy();

  std::shared_ptr<transfer_control> m_transfer;
  QPushButton* m_btnPause;
  QLabel* m_wndAction;
  QLabel* m_wndDetail;
  QLabel* m_wndFile;
  QProgressBar* m_wndProgress;
};
