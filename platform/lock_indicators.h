#pragma once
// The keyboard's lock indicators (Caps Lock, Num Lock, Scroll Lock) as the display shows them,
// behind an interface so that what reads them can be tested with a scripted source.
#include <memory>
#include <optional>

typedef struct _XDisplay Display;  // Xlib's display, as Xlib declares it

namespace platform {

struct lock_state {
  bool caps_lock = false;
  bool num_lock = false;
  bool scroll_lock = false;
  bool operator==(const lock_state&) const = default;
};

class lock_indicator_source {
 public:
  virtual ~lock_indicator_source() = default;
  // The indicators now; nothing when the display does not tell.
  virtual std::optional<lock_state> read() = 0;
};

// XKB's indicators "Caps Lock", "Num Lock" and "Scroll Lock" of an X display (one the keyboard
// lacks reads as off); null when the display has no XKB. `display` must outlive the source.
std::unique_ptr<lock_indicator_source> x11_lock_indicators(Display* display);

// The source of the display the application runs on: X11's under Qt's xcb platform, else null
// (Wayland, offscreen), for there is nothing to read.
std::unique_ptr<lock_indicator_source> display_lock_indicators();

}  // namespace platform
