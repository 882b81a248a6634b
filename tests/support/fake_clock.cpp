#include "tests/support/fake_clock.h"

#include <algorithm>

namespace test_support {

struct fake_clock::state {
  struct timer_entry {
    bool armed = false;
    int64_t deadline = 0;
    std::function<void()> on_timeout;
  };
  int64_t now = 0;
  uint64_t next_id = 0;
  std::map<uint64_t, timer_entry> timers;
};

namespace {

// Shares the clock's state, so a timer may outlive its clock harmlessly.
class fake_timer final : public platform::one_shot_timer {
 public:
  fake_timer(std::shared_ptr<fake_clock::state> state, uint64_t id) : state_(std::move(state)), id_(id) {}
  ~fake_timer() override { state_->timers.erase(id_); }
  void start(int64_t delay_ms) override {
    auto& t = state_->timers.at(id_);
    t.armed = true;
    t.deadline = state_->now + (delay_ms < 0 ? 0 : delay_ms);
  }
  void stop() override { state_->timers.at(id_).armed = false; }
  bool active() const override { return state_->timers.at(id_).armed; }

 private:
  std::shared_ptr<fake_clock::state> state_;
  uint64_t id_;
};

}  // namespace

fake_clock::fake_clock() : state_(std::make_shared<state>()) {}

int64_t fake_clock::now_ms() const { return state_->now; }

std::unique_ptr<platform::one_shot_timer> fake_clock::make_timer(std::function<void()> on_timeout) {
  const uint64_t id = state_->next_id++;
  state_->timers[id].on_timeout = std::move(on_timeout);
  return std::make_unique<fake_timer>(state_, id);
}

void fake_clock::advance(int64_t ms) {
  const int64_t target = state_->now + ms;
  for (;;) {
    // Looked up afresh each time: a firing timer may arm, stop or destroy timers.
    auto due = state_->timers.end();
    for (auto it = state_->timers.begin(); it != state_->timers.end(); ++it)
      if (it->second.armed && it->second.deadline <= target &&
          (due == state_->timers.end() || it->second.deadline < due->second.deadline))
        due = it;
    if (due == state_->timers.end()) break;
    state_->now = std::max(state_->now, due->second.deadline);
    due->second.armed = false;
    const auto callback = due->second.on_timeout;
    callback();
  }
  state_->now = target;
}

int fake_clock::armed() const {
  int n = 0;
  for (const auto& [id, t] : state_->timers) n += t.armed ? 1 : 0;
  return n;
}

}  // namespace test_support
