#include "platform/clock.h"

#include <QTimer>

#include <chrono>

namespace platform {
namespace {

class qt_timer final : public one_shot_timer {
 public:
  explicit qt_timer(std::function<void()> on_timeout) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [callback = std::move(on_timeout)] { callback(); });
  }
  void start(int64_t delay_ms) override {
    timer_.start(std::chrono::milliseconds(delay_ms < 0 ? 0 : delay_ms));
  }
  void stop() override { timer_.stop(); }
  bool active() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
};

class steady_clock final : public clock {
 public:
  int64_t now_ms() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  std::unique_ptr<one_shot_timer> make_timer(std::function<void()> on_timeout) override {
    return std::make_unique<qt_timer>(std::move(on_timeout));
  }
};

}  // namespace

clock& real_clock() {
  static steady_clock instance;
  return instance;
}

}  // namespace platform
