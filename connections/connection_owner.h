#pragma once
// What a connection's worker tells the view that owns the connection. Every call comes from the
// worker thread and must return at once: an implementation copies the values and posts them to
// its own thread (a destroyed receiver simply drops them). It never waits for the GUI, which may
// itself be waiting for this worker to stop.
#include <string>

#include "connections/connection_state.h"

class connection_owner {
 public:
  virtual ~connection_owner() = default;

  // The connection entered `state` (the tab icon follows it).
  virtual void connection_state_changed(connection_state state) = 0;

  // Explorer mode: SFTP is ready on `host`, whose remote home folder is `home_folder` (empty
  // when it could not be asked).
  virtual void sftp_ready(const std::string& host, const std::string& home_folder) {
    (void)host;
    (void)home_folder;
  }

  // Explorer mode: the mailbox holds the result of the request that was taken.
  virtual void file_request_done() {}
};
