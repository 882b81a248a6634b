#include "terminal/view_notifier.h"

#include <QMetaObject>
#include <QObject>

#include <utility>

#include "terminal/CBaseView.h"

view_notifier::view_notifier(CBaseView* view, QObject* context) : view(view), context(context) {}

void view_notifier::detach() {
  std::lock_guard guard(lock);
  view = nullptr;
  context = nullptr;
}

void view_notifier::post(std::function<void()> call) {
  std::lock_guard guard(lock);
  // Posting under the lock: detach() cannot complete, and so the view cannot start going,
  // while the event is handed to Qt.
  if (context) QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

void view_notifier::post_to_view(std::function<void(CBaseView&)> call) {
  std::lock_guard guard(lock);
  if (!context) return;
  // The pointer is used only on the view's thread, while its widget (the context) lives.
  CBaseView* target = view;
  QMetaObject::invokeMethod(
      context, [target, call = std::move(call)] { call(*target); }, Qt::QueuedConnection);
}

void view_notifier::connection_state_changed(connection_state state) {
  post_to_view([state](CBaseView& v) { v.OnConnectionState(state); });
}

void view_notifier::sftp_ready(const std::string& host, const std::string& home_folder) {
  post_to_view([host, home_folder](CBaseView& v) { v.OnSftpReady(host, home_folder); });
}

void view_notifier::file_request_done() {
  post_to_view([](CBaseView& v) { v.OnFileRequestDone(); });
}
