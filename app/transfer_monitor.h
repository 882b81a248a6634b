#pragma once
// The GUI side of SFTP transfers: a worker's begin, progress and end are posted to the main
// frame's thread, where the frame drives the transfer's progress dialog. Nothing here waits.
#include <QPointer>

#include <memory>
#include <mutex>

#include "connections/transfer_control.h"

class CMainFrame;

class gui_transfer_monitor : public transfer_monitor {
 public:
  explicit gui_transfer_monitor(CMainFrame* frame);

  // Any thread: each posts to the frame's thread and returns.
  void transfer_begin(std::shared_ptr<transfer_control> transfer) override;
  void transfer_progress_ready(std::shared_ptr<transfer_control> transfer) override;
  void transfer_end(std::shared_ptr<transfer_control> transfer) override;

  // GUI thread, before the frame goes: nothing more is posted.
  void detach();

 private:
  // Posts `handler` on the frame with the transfer.
  void post(void (CMainFrame::*handler)(const std::shared_ptr<transfer_control>&),
            std::shared_ptr<transfer_control> transfer);

  std::mutex lock;
  QPointer<CMainFrame> frame;
};
