#include "connections/login_question.h"

#include <chrono>
#include <utility>

#include "platform/worker_thread.h"

namespace {

// How often a waiting worker looks at its stop flag.
constexpr std::chrono::milliseconds stop_check_slice{20};

std::mutex prompter_lock;
std::shared_ptr<login_prompter> main_prompter;

}  // namespace

login_question::login_question(login_question_kind kind, connection_params shown,
                               std::string session_uuid)
    : kind(kind), shown(std::move(shown)), session_uuid(std::move(session_uuid)) {}

void login_question::answer(bool accepted, std::string text) {
  {
    std::lock_guard<std::mutex> guard(lock);
    if (answered || gave_up) return;
    answered = true;
    given.accepted = accepted;
    given.text = std::move(text);
  }
  answered_signal.notify_all();
}

bool login_question::abandoned() const {
  std::lock_guard<std::mutex> guard(lock);
  return gave_up;
}

std::optional<login_question::reply> login_question::wait(const platform::worker_control& run) {
  std::unique_lock<std::mutex> guard(lock);
  while (!answered) {
    if (run.stop_requested()) {
      gave_up = true;
      return std::nullopt;
    }
    answered_signal.wait_for(guard, stop_check_slice);
  }
  return given;
}

void set_login_prompter(std::shared_ptr<login_prompter> prompter) {
  std::lock_guard<std::mutex> guard(prompter_lock);
  main_prompter = std::move(prompter);
}

std::shared_ptr<login_prompter> current_login_prompter() {
  std::lock_guard<std::mutex> guard(prompter_lock);
  return main_prompter;
}

std::optional<std::string> ask_login_question(login_question_kind kind, const connection_params& shown,
                                              const std::string& session_uuid,
                                              const platform::worker_control& run) {
  auto prompter = current_login_prompter();
  if (!prompter) return std::nullopt;
  auto question = std::make_shared<login_question>(kind, shown, session_uuid);
  prompter->ask(question);
  auto reply = question->wait(run);
  if (!reply || !reply->accepted) return std::nullopt;
  return std::move(reply->text);
}
