#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include "platform/wake_event.h"
#include "platform/worker_thread.h"

using namespace std::chrono_literals;

namespace {

TEST(wake_event, signal_makes_it_readable_until_cleared) {
  platform::wake_event wake;
  ASSERT_TRUE(wake.valid());
  EXPECT_FALSE(wake.wait(0));
  wake.signal();
  wake.signal();
  EXPECT_TRUE(wake.wait(0));
  EXPECT_TRUE(wake.wait(-1));
  wake.clear();
  EXPECT_FALSE(wake.wait(0));
}

// A poll loop of the usual shape: it sleeps in poll on the wake descriptor alone.
void poll_until_stopped(platform::worker_control& control) {
  while (!control.stop_requested()) {
    pollfd p{control.wake_fd(), POLLIN, 0};
    ::poll(&p, 1, -1);
    control.clear_wake();
  }
}

TEST(worker_thread, stop_wakes_a_poll_loop_and_the_end_is_seen) {
  platform::worker_thread worker;
  ASSERT_TRUE(worker.start(poll_until_stopped));
  EXPECT_TRUE(worker.running());
  EXPECT_FALSE(worker.start(poll_until_stopped));
  worker.request_stop();
  EXPECT_TRUE(worker.wait_for_end(10s));
  EXPECT_FALSE(worker.running());
  // A finished worker can be started again.
  ASSERT_TRUE(worker.start([](platform::worker_control& control) { control.wait_for_stop(std::chrono::hours(1)); }));
  worker.request_stop();
  EXPECT_TRUE(worker.wait_for_end(10s));
}

TEST(worker_thread, a_worker_that_will_not_stop_is_detached_and_ends_alone) {
  std::promise<void> release;
  auto released = release.get_future().share();
  auto saw_stop = std::make_shared<std::atomic<bool>>(false);
  platform::worker_thread worker;
  ASSERT_TRUE(worker.start([released, saw_stop](platform::worker_control& control) {
    released.wait();
    *saw_stop = control.stop_requested();  // the control block outlives the detach
  }));
  worker.request_stop();
  EXPECT_FALSE(worker.wait_for_end(1ms));
  worker.detach();
  EXPECT_TRUE(worker.running());
  release.set_value();
  EXPECT_TRUE(worker.wait_for_end(10s));
  EXPECT_TRUE(*saw_stop);
}

TEST(worker_thread, destroying_a_running_worker_stops_it_without_waiting) {
  std::promise<void> ended;
  auto done = ended.get_future();
  {
    platform::worker_thread worker;
    ASSERT_TRUE(worker.start([&ended](platform::worker_control& control) {
      while (!control.wait_for_stop(10s)) {
      }
      ended.set_value();
    }));
  }
  EXPECT_EQ(done.wait_for(10s), std::future_status::ready);
}

TEST(worker_control, wait_for_stop_returns_early_only_on_stop) {
  platform::worker_thread worker;
  std::promise<bool> first;
  auto first_result = first.get_future();
  std::promise<void> go;
  auto go_on = go.get_future();
  ASSERT_TRUE(worker.start([&](platform::worker_control& control) {
    first.set_value(control.wait_for_stop(1ms));
    go_on.wait();
    control.wait_for_stop(std::chrono::hours(1));
  }));
  EXPECT_FALSE(first_result.get());
  go.set_value();
  worker.request_stop();
  EXPECT_TRUE(worker.wait_for_end(10s));
}

}  // namespace
