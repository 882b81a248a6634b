#pragma once
// The questions an SSH2 login asks the user (a missing user name or password, and whether to
// try again after a refused password), and the main frame's side that shows them.
//
// The worker never waits for the GUI thread directly (the GUI thread may be waiting for the
// worker to stop): it hands a shared question to the prompter, which posts it to the GUI, and
// waits on the question in short slices until it is answered or the worker is asked to stop.
// A question the worker stopped waiting for is abandoned; the GUI then skips it, or drops its
// late answer.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "config/connection_params.h"

namespace platform {
class worker_control;
}

enum class login_question_kind {
  username,     // the record holds no user name
  password,     // the record holds no password, or the last one was refused
  auth_failed,  // the password was refused: try again?
};

class login_question {
 public:
  // What the user said: whether they confirmed, and the user name or password they typed
  // (nothing for auth_failed).
  struct reply {
    bool accepted = false;
    std::string text;
  };

  login_question(login_question_kind kind, connection_params shown, std::string session_uuid);

  const login_question_kind kind;
  // A copy of the connection's parameters, for the dialog's texts (host and user name).
  const connection_params shown;
  // The session's uuid, so that "Save username" and "Save password" find the saved host.
  const std::string session_uuid;

  // GUI side: the user's answer; only the first one counts.
  void answer(bool accepted, std::string text = {});
  // GUI side: true once the asking worker has stopped waiting.
  bool abandoned() const;

  // Worker side: waits until answered, or until `run` is asked to stop (then the question is
  // abandoned and the result is empty).
  std::optional<reply> wait(const platform::worker_control& run);

 private:
  mutable std::mutex lock;
  std::condition_variable answered_signal;
  bool answered = false;
  bool gave_up = false;
  reply given;
};

class login_prompter {
 public:
  virtual ~login_prompter() = default;
  // Shows the question to the user; returns at once (the answer comes through the question).
  virtual void ask(std::shared_ptr<login_question> question) = 0;
};

// The main frame's prompter, used by every connection; with none set, every question counts
// as cancelled.
void set_login_prompter(std::shared_ptr<login_prompter> prompter);
std::shared_ptr<login_prompter> current_login_prompter();

// Worker side: asks through the current prompter and waits. Empty when cancelled, when there
// is no prompter, or when `run` is asked to stop.
std::optional<std::string> ask_login_question(login_question_kind kind, const connection_params& shown,
                                              const std::string& session_uuid,
                                              const platform::worker_control& run);
