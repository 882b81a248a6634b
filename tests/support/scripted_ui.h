#pragma once
// A ui that answers instead of a person. While a scripted_ui exists it is the installed
// platform::ui; each interaction takes the next expectation from its queue. An interaction of
// another kind than expected, one with no expectation left, or an expectation still queued when
// the script goes away fails the running test. Every interaction is recorded.
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui.h"

class QDialog;

namespace test_support {

enum class interaction_kind { message_box, modal, folder, save_file, open_files, color, font };

struct interaction {
  interaction_kind kind;
  QString caption;   // the message box caption, the dialog's window title, the picker's title
  QString text;      // the message text; the initial folder or proposed file; the dialog's objectName
  unsigned style = 0;  // the message box's buttons | icon; 1 for a fixed-pitch font picker
  QString filter;    // the file pickers' filter
};

class scripted_ui {
 public:
  scripted_ui();
  ~scripted_ui();
  scripted_ui(const scripted_ui&) = delete;
  scripted_ui& operator=(const scripted_ui&) = delete;

  // The next message box is answered with `answer` (IDOK, IDCANCEL, IDYES or IDNO).
  void expect_message(int answer);
  // The next modal dialog is shown and handed to `act`, which must end it (accept, reject or
  // done); a dialog left open fails the test and is rejected.
  void expect_modal(std::function<void(QDialog&)> act);
  // The next picker of each kind answers this; nothing means the user cancelled.
  void expect_folder(std::optional<QString> answer);
  void expect_save_file(std::optional<QString> answer);
  void expect_open_files(std::optional<QStringList> answer);
  void expect_color(std::optional<QColor> answer);
  void expect_font(std::optional<QFont> answer);

  // Every interaction so far, in order, and the message boxes alone.
  const std::vector<interaction>& interactions() const { return seen_; }
  std::vector<interaction> messages() const;
  // Expectations not used yet.
  size_t left() const { return queue_.size(); }

 private:
  class facade;
  struct expectation {
    interaction_kind kind = interaction_kind::message_box;
    int answer = 0;
    std::function<void(QDialog&)> act;
    std::optional<QString> path;
    std::optional<QStringList> paths;
    std::optional<QColor> color;
    std::optional<QFont> font;
  };

  expectation& push(interaction_kind kind);
  // Records the interaction and takes the next expectation, which must be of its kind.
  std::optional<expectation> next(interaction seen);

  std::deque<expectation> queue_;
  std::vector<interaction> seen_;
  std::shared_ptr<platform::ui> previous_;
};

}  // namespace test_support
