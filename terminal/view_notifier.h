#pragma once
// The connection's way back to its view. The worker thread calls it; every call only posts to
// the GUI thread and returns at once (the GUI thread may be waiting for that worker to stop).
// The view detaches it first thing when it goes, under the notifier's lock, so a worker that
// outlives the view posts nothing, and what was posted before is dropped with the view.
#include <functional>
#include <mutex>
#include <string>

#include "connections/connection_owner.h"

class CBaseView;
class QObject;

class view_notifier : public connection_owner {
 public:
  // `context` is the view's widget: posted calls run on its thread, and only while it lives.
  view_notifier(CBaseView* view, QObject* context);

  // After this returns nothing more is posted.
  void detach();

  // Runs `call` on the view's thread later, unless the view has gone by then. Any thread.
  void post(std::function<void()> call);

  void connection_state_changed(connection_state state) override;
  void sftp_ready(const std::string& host, const std::string& home_folder) override;
  void file_request_done() override;

 private:
  // post() of a call on the view itself.
  void post_to_view(std::function<void(CBaseView&)> call);

  std::mutex lock;
  CBaseView* view;
  QObject* context;
};
