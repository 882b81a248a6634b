#include "tests/support/scripted_ui.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>

namespace test_support {
namespace {

const char* kind_name(interaction_kind kind) {
  switch (kind) {
    case interaction_kind::message_box: return "message box";
    case interaction_kind::modal: return "modal dialog";
    case interaction_kind::folder: return "folder picker";
    case interaction_kind::save_file: return "save-file picker";
    case interaction_kind::open_files: return "open-files picker";
    case interaction_kind::color: return "colour picker";
    case interaction_kind::font: return "font picker";
  }
  return "?";
}

}  // namespace

// The installed ui: forwards every interaction to the script that installed it. It lives no
// longer than the script, whose destructor puts the previous ui back.
class scripted_ui::facade final : public platform::ui {
 public:
  explicit facade(scripted_ui& script) : script_(script) {}

  int message_box(QWidget*, const QString& text, const QString& caption, unsigned style) override {
    const auto e = script_.next({interaction_kind::message_box, caption, text, style, {}});
    return e ? e->answer : platform::IDCANCEL;
  }

  int run_modal(QDialog& dialog) override {
    const auto e = script_.next({interaction_kind::modal, dialog.windowTitle(), dialog.objectName(), 0, {}});
    dialog.setResult(QDialog::Rejected);
    if (e && e->act) {
      dialog.show();
      QCoreApplication::processEvents();
      e->act(dialog);
    }
    if (dialog.isVisible()) {
      ADD_FAILURE() << "the script left the dialog \"" << dialog.windowTitle().toStdString() << "\" open";
      dialog.reject();
    }
    return platform::modal_answer(dialog.result());
  }

  std::optional<QString> pick_folder(QWidget*, const QString& title, const QString& initial) override {
    const auto e = script_.next({interaction_kind::folder, title, initial, 0, {}});
    return e ? e->path : std::nullopt;
  }

  std::optional<QString> pick_save_file(QWidget*, const QString& title, const QString& proposed,
                                        const QString& filter, const QString&) override {
    const auto e = script_.next({interaction_kind::save_file, title, proposed, 0, filter});
    return e ? e->path : std::nullopt;
  }

  std::optional<QStringList> pick_open_files(QWidget*, const QString& title, const QString& folder,
                                             const QString& filter) override {
    const auto e = script_.next({interaction_kind::open_files, title, folder, 0, filter});
    return e ? e->paths : std::nullopt;
  }

  std::optional<QColor> pick_color(QWidget*, const QColor& initial) override {
    const auto e = script_.next({interaction_kind::color, {}, initial.name(), 0, {}});
    return e ? e->color : std::nullopt;
  }

  std::optional<QFont> pick_font(QWidget*, const QFont& initial, bool fixed_pitch_only) override {
    const auto e = script_.next({interaction_kind::font, {}, initial.family(), fixed_pitch_only ? 1u : 0u, {}});
    return e ? e->font : std::nullopt;
  }

 private:
  scripted_ui& script_;
};

scripted_ui::scripted_ui() : previous_(platform::ui::install(std::make_shared<facade>(*this))) {}

scripted_ui::~scripted_ui() {
  for (const expectation& e : queue_) ADD_FAILURE() << "expected " << kind_name(e.kind) << " never came";
  platform::ui::install(std::move(previous_));
}

std::optional<scripted_ui::expectation> scripted_ui::next(interaction seen) {
  seen_.push_back(seen);
  if (queue_.empty()) {
    ADD_FAILURE() << "unexpected " << kind_name(seen.kind) << " \"" << seen.caption.toStdString()
                  << "\": \"" << seen.text.toStdString() << "\"";
    return std::nullopt;
  }
  if (queue_.front().kind != seen.kind) {
    ADD_FAILURE() << "expected " << kind_name(queue_.front().kind) << ", got " << kind_name(seen.kind)
                  << " \"" << seen.caption.toStdString() << "\": \"" << seen.text.toStdString() << "\"";
    return std::nullopt;
  }
  // Taken off before the answer is acted on: a dialog's own message boxes come next.
  expectation e = std::move(queue_.front());
  queue_.pop_front();
  return e;
}

scripted_ui::expectation& scripted_ui::push(interaction_kind kind) {
  queue_.emplace_back();
  queue_.back().kind = kind;
  return queue_.back();
}

void scripted_ui::expect_message(int answer) { push(interaction_kind::message_box).answer = answer; }

void scripted_ui::expect_modal(std::function<void(QDialog&)> act) {
  push(interaction_kind::modal).act = std::move(act);
}

void scripted_ui::expect_folder(std::optional<QString> answer) {
  push(interaction_kind::folder).path = std::move(answer);
}

void scripted_ui::expect_save_file(std::optional<QString> answer) {
  push(interaction_kind::save_file).path = std::move(answer);
}

void scripted_ui::expect_open_files(std::optional<QStringList> answer) {
  push(interaction_kind::open_files).paths = std::move(answer);
}

void scripted_ui::expect_color(std::optional<QColor> answer) {
  push(interaction_kind::color).color = std::move(answer);
}

void scripted_ui::expect_font(std::optional<QFont> answer) {
  push(interaction_kind::font).font = std::move(answer);
}

std::vector<interaction> scripted_ui::messages() const {
  std::vector<interaction> out;
  for (const interaction& i : seen_)
    if (i.kind == interaction_kind::message_box) out.push_back(i);
  return out;
}

}  // namespace test_support
