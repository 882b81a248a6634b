#include "app/transfer_monitor.h"

#include <QMetaObject>

#include <utility>

#include "app/CMainFrame.h"

gui_transfer_monitor::gui_transfer_monitor(CMainFrame* frame) : frame(frame) {}

void gui_transfer_monitor::post(void (CMainFrame::*handler)(const std::shared_ptr<transfer_control>&),
                                std::shared_ptr<transfer_control> transfer) {
  std::lock_guard<std::mutex> guard(lock);
  if (!frame) return;
  CMainFrame* target = frame.data();
  // The frame is used only on its own thread, and only while it lives (it is the context).
  QMetaObject::invokeMethod(
      target, [target, handler, transfer = std::move(transfer)] { (target->*handler)(transfer); },
      Qt::QueuedConnection);
}

void gui_transfer_monitor::transfer_begin(std::shared_ptr<transfer_control> transfer) {
  post(&CMainFrame::OnTransferBegin, std::move(transfer));
}

void gui_transfer_monitor::transfer_progress_ready(std::shared_ptr<transfer_control> transfer) {
  post(&CMainFrame::OnTransferProgress, std::move(transfer));
}

void gui_transfer_monitor::transfer_end(std::shared_ptr<transfer_control> transfer) {
  post(&CMainFrame::OnTransferEnd, std::move(transfer));
}

void gui_transfer_monitor::detach() {
  std::lock_guard<std::mutex> guard(lock);
  frame = nullptr;
}
