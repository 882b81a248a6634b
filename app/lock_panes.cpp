#include "app/lock_panes.h"

lock_panes::lock_panes(std::unique_ptr<platform::lock_indicator_source> source) : source_(std::move(source)) {}

void lock_panes::set_source(std::unique_ptr<platform::lock_indicator_source> source) { source_ = std::move(source); }

bool lock_panes::refresh() {
  const std::optional<platform::lock_state> state = source_ ? source_->read() : std::nullopt;
  lock_pane_texts texts;
  if (state) {
    if (state->caps_lock) texts.caps_lock = "CAP";
    if (state->num_lock) texts.num_lock = "NUM";
    if (state->scroll_lock) texts.scroll_lock = "SCRL";
  }
  if (texts == texts_) return false;
  texts_ = std::move(texts);
  return true;
}
