#include "app/login_prompts.h"

#include <QMetaObject>
#include <QTimer>

#include <utility>

#include "app/login_dialogs.h"
#include "platform/ui.h"

namespace {

// How often an open dialog looks whether its question was given up.
constexpr int abandoned_check_ms = 100;

// Runs the dialog modally; it is closed as cancelled once the worker gives the question up.
bool run_question_dialog(QDialog& dialog, const login_question& question) {
  QTimer watch;
  watch.setInterval(abandoned_check_ms);
  QObject::connect(&watch, &QTimer::timeout, &dialog, [&dialog, &question] {
    if (question.abandoned()) dialog.reject();
  });
  watch.start();
  return platform::ui::instance().run_modal(dialog) == platform::IDOK;
}

}  // namespace

void keep_credentials(ssh2_param& params, const std::string* username, const std::string* password) {
  if (username) params.username = *username;
  if (password) params.password = *password;
}

void answer_login_question(QWidget* parent, login_question& question, const credential_saver& save) {
  const ssh2_param& shown = question.shown.ssh2;
  switch (question.kind) {
    case login_question_kind::username: {
      CSsh2UsernameDlg dialog(shown, parent);
      if (!run_question_dialog(dialog, question)) break;
      std::string name = dialog.UserName();
      if (dialog.SaveRequested() && save) save(question.session_uuid, &name, nullptr);
      question.answer(true, std::move(name));
      return;
    }
    case login_question_kind::password: {
      CSsh2PasswordDlg dialog(shown, parent);
      if (!run_question_dialog(dialog, question)) break;
      std::string password = dialog.Password();
      if (dialog.SaveRequested() && save) save(question.session_uuid, nullptr, &password);
      question.answer(true, std::move(password));
      return;
    }
    case login_question_kind::auth_failed: {
      CSsh2AuthFailDlg dialog(shown, parent);
      question.answer(run_question_dialog(dialog, question));
      return;
    }
  }
  question.answer(false);
}

gui_login_prompter::gui_login_prompter(QWidget* frame, credential_saver save)
    : frame(frame), save(std::move(save)) {}

void gui_login_prompter::ask(std::shared_ptr<login_question> question) {
  std::lock_guard<std::mutex> guard(lock);
  if (!frame) {
    question->answer(false);
    return;
  }
  QWidget* owner = frame.data();
  credential_saver saver = save;
  QMetaObject::invokeMethod(
      owner,
      [owner, question, saver] {
        if (question->abandoned()) return;
        answer_login_question(owner, *question, saver);
      },
      Qt::QueuedConnection);
}

void gui_login_prompter::detach() {
  std::lock_guard<std::mutex> guard(lock);
  frame = nullptr;
}
