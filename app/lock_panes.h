#pragma once
// What the status bar's Caps Lock, Num Lock and Scroll Lock panes show: "CAP", "NUM" and "SCRL"
// while the key's indicator is on, nothing while it is off, and nothing at all where there is no
// indicator source (Wayland, offscreen) or the source does not answer.
#include <memory>
#include <string>

#include "platform/lock_indicators.h"

struct lock_pane_texts {
  std::string caps_lock;
  std::string num_lock;
  std::string scroll_lock;
  bool operator==(const lock_pane_texts&) const = default;
};

class lock_panes {
 public:
  explicit lock_panes(std::unique_ptr<platform::lock_indicator_source> source = nullptr);

  void set_source(std::unique_ptr<platform::lock_indicator_source> source);
  // Reads the source again; true when a text changed.
  bool refresh();
  const lock_pane_texts& texts() const { return texts_; }

 private:
  std::unique_ptr<platform::lock_indicator_source> source_;
  lock_pane_texts texts_;
};
