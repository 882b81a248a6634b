#pragma once
// The one-slot mailbox through which an explorer hands its file requests to its connection's
// worker, one at a time.
//
// The GUI thread places a request (idle -> queued) and resets a handled result (done -> idle);
// the worker takes a queued request (-> running), runs it outside the lock and stores its result
// (-> done). While the mailbox is not idle every further request is refused and dropped.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "connections/file_entry.h"

enum file_request_state : int32_t {
  request_idle = 0,
  request_queued = 1,
  request_running = 2,
  request_done = 3,
};

enum file_request_kind : int32_t {
  request_none = 0,
  request_list_folder = 1,   // argument: the remote folder
  request_download = 2,      // transfer_request: remote sources, local target folder
  request_upload = 3,        // transfer_request: local sources, remote target folder
  request_delete_files = 4,  // list of remote paths (folders end in "/")
  request_modify_entry = 5,  // modify_request
  request_make_folder = 6,   // make_folder_request
};

struct transfer_request {
  std::vector<std::string> sources;
  std::string target_folder;
};

struct modify_request {
  std::string path;      // the entry's full remote path
  std::string new_path;  // the full remote path of its new name
  int32_t mode = -1;     // -1: leave the permissions alone
};

struct make_folder_request {
  std::string path;
  int32_t mode = 0;
};

using file_request_argument = std::variant<std::monostate, std::string, transfer_request,
                                           std::vector<std::string>, modify_request, make_folder_request>;

// A handled request as the GUI takes it out of the mailbox.
struct file_request_result {
  int32_t kind = request_none;
  file_request_argument argument;
  int32_t success = 0;
  std::u16string error_text;
  std::vector<std::unique_ptr<file_entry>> listing;
  // What the connection noted beside the request's own outcome (a partial upload of an earlier
  // session it had to leave); empty when nothing.
  std::u16string note;
};

class file_request {
 public:
  // Guards every member below except `state`, which single reads may look at without it.
  std::mutex lock;
  int32_t kind = request_none;
  file_request_argument argument;
  // The result of a list_folder request; the explorer takes the entries over.
  std::vector<std::unique_ptr<file_entry>> listing;
  std::atomic<int32_t> state{request_idle};
  int32_t success = 0;
  std::u16string error_text;
  std::u16string note;

  // GUI side: stores the request when the mailbox is idle and returns true; otherwise returns
  // false and the argument is dropped.
  bool place(int32_t request_kind, file_request_argument request_argument);

  // GUI side: a done mailbox becomes idle again (listing, argument and error text are let go);
  // returns 1. Any other state is left alone and gives 0.
  int reset();

  // GUI side: the result of a done request, taken out as the mailbox becomes idle again;
  // nothing (and no change) in any other state.
  std::optional<file_request_result> collect();

  // Worker side: takes a queued request (-> running); false when none is queued.
  bool take();
  // Worker side: the kind and a copy of the argument of the running request.
  std::pair<int32_t, file_request_argument> running_request();
  // Worker side: a listing for the running request's result.
  void store_listing(std::vector<std::unique_ptr<file_entry>> entries);
  // Worker side: a note for the running request's result (see file_request_result).
  void store_note(std::u16string text);
  // Worker side: stores the result when the request is still running (-> done).
  void finish(int32_t result, std::u16string result_error);
  // A request still running when its worker was let go completes as failed with `error`, so
  // the view is not left waiting; true when it did. The late worker's own result is dropped.
  bool fail_running(std::u16string error);

  // Called under the lock whenever a request is placed, so a waiting worker wakes; it may only
  // signal. An empty function removes it.
  void set_ready_callback(std::function<void()> on_ready);

 private:
  std::function<void()> ready_callback;
};
