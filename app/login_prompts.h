#pragma once
// The GUI side of the SSH2 login questions. A connection's worker hands its question to the
// prompter, which posts it to the GUI thread and returns; there the question's dialog runs
// modally over the main frame, and its answer goes back through the question. A question the
// worker stopped waiting for (its session was closed or stopped) is skipped, and a dialog still
// open for it is closed.
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "connections/login_question.h"

// Stores a login answer in the saved host with the session's uuid: the user name or the
// password (null leaves it alone).
using credential_saver =
    std::function<void(const std::string& uuid, const std::string* username, const std::string* password)>;

// Puts a saved answer into a record's SSH2 parameters: the user name, the password, or both
// (null leaves it alone).
void keep_credentials(ssh2_param& params, const std::string* username, const std::string* password);

// Runs the dialog of `question` with `parent` as its owner and answers the question: the user
// name without trailing blanks, the password as typed, or whether to try again. "Save username"
// and "Save password" go to `save`.
void answer_login_question(QWidget* parent, login_question& question, const credential_saver& save);

class gui_login_prompter : public login_prompter {
 public:
  // Questions run over `frame` on its thread.
  gui_login_prompter(QWidget* frame, credential_saver save);

  // Any thread: posts the question to the frame's thread and returns.
  void ask(std::shared_ptr<login_question> question) override;

  // GUI thread, before the frame goes: later questions count as cancelled.
  void detach();

 private:
  std::mutex lock;
  QPointer<QWidget> frame;
  credential_saver save;
};
