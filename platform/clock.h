#pragma once
// Time and one-shot timers behind an interface, so code with timing rules (the deferred save)
// can be tested on a fake clock (tests/support/fake_clock.h).
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class one_shot_timer {
 public:
  virtual ~one_shot_timer() = default;
  // Arms the timer to fire once after `delay_ms`; re-arming replaces the earlier deadline.
  virtual void start(int64_t delay_ms) = 0;
  virtual void stop() = 0;
  virtual bool active() const = 0;
};

class clock {
 public:
  virtual ~clock() = default;
  // Milliseconds on a monotonic scale (only differences mean anything).
  virtual int64_t now_ms() const = 0;
  // A disarmed timer that calls `on_timeout` on the thread that made it. Destroying the timer
  // disarms it.
  virtual std::unique_ptr<one_shot_timer> make_timer(std::function<void()> on_timeout) = 0;
};

// The real clock: steady time, QTimer-backed timers (the making thread needs an event loop).
clock& real_clock();

}  // namespace platform
