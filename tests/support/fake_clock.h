#pragma once
// A clock whose time moves only when the test says so; its timers fire inside advance().
#include <cstdint>
#include <map>
#include <memory>

#include "platform/clock.h"

namespace test_support {

class fake_clock final : public platform::clock {
 public:
  fake_clock();
  int64_t now_ms() const override;
  std::unique_ptr<platform::one_shot_timer> make_timer(std::function<void()> on_timeout) override;

  // Moves time forward by `ms`. Each timer that falls due fires at its own deadline, earliest
  // first (time then reads that deadline); a timer armed while firing fires too when it falls
  // due within the advance.
  void advance(int64_t ms);
  // Timers armed now.
  int armed() const;

  struct state;

 private:
  std::shared_ptr<state> state_;
};

}  // namespace test_support
