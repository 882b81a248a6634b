#pragma once
// The two worker loops of a connection, run on its own thread by `protocol::start`.
namespace platform {
class worker_control;
}
class protocol;

// Terminal sessions: opens, then moves bytes between the peer and the terminal link until the
// run is stopped or the peer ends, then closes.
void terminal_thread(protocol& connection, platform::worker_control& run);

// Explorer sessions: opens, then runs the mailbox's requests one at a time until stopped, then
// closes.
void file_request_thread(protocol& connection, platform::worker_control& run);
