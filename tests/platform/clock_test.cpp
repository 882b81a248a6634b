#include "platform/clock.h"

#include <gtest/gtest.h>

#include <QTest>

#include <vector>

#include "tests/support/fake_clock.h"

namespace {

TEST(fake_clock, timers_fire_at_their_deadlines_in_order) {
  test_support::fake_clock clock;
  std::vector<std::pair<char, int64_t>> fired;
  auto a = clock.make_timer([&] { fired.push_back({'a', clock.now_ms()}); });
  auto b = clock.make_timer([&] { fired.push_back({'b', clock.now_ms()}); });
  a->start(3000);
  b->start(1000);
  EXPECT_EQ(clock.armed(), 2);
  clock.advance(999);
  EXPECT_TRUE(fired.empty());
  clock.advance(2001);
  EXPECT_EQ(fired, (std::vector<std::pair<char, int64_t>>{{'b', 1000}, {'a', 3000}}));
  EXPECT_FALSE(a->active());
  EXPECT_EQ(clock.armed(), 0);
  EXPECT_EQ(clock.now_ms(), 3000);
}

TEST(fake_clock, rearming_stopping_and_destroying) {
  test_support::fake_clock clock;
  int fired = 0;
  auto t = clock.make_timer([&] { ++fired; });
  t->start(1000);
  clock.advance(500);
  t->start(1000);  // the new deadline replaces the old one
  clock.advance(900);
  EXPECT_EQ(fired, 0);
  clock.advance(100);
  EXPECT_EQ(fired, 1);
  t->start(10);
  t->stop();
  clock.advance(100);
  EXPECT_EQ(fired, 1);
  t->start(10);
  t.reset();
  clock.advance(100);
  EXPECT_EQ(fired, 1);
}

TEST(fake_clock, a_timer_armed_while_firing_fires_within_the_same_advance) {
  test_support::fake_clock clock;
  std::vector<int64_t> at;
  std::unique_ptr<platform::one_shot_timer> t;
  t = clock.make_timer([&] {
    at.push_back(clock.now_ms());
    if (at.size() < 3) t->start(100);
  });
  t->start(100);
  clock.advance(1000);
  EXPECT_EQ(at, (std::vector<int64_t>{100, 200, 300}));
}

TEST(real_clock, a_timer_fires_once_in_the_event_loop) {
  platform::clock& clock = platform::real_clock();
  const int64_t before = clock.now_ms();
  int fired = 0;
  auto t = clock.make_timer([&] { ++fired; });
  t->start(1);
  EXPECT_TRUE(t->active());
  EXPECT_TRUE(QTest::qWaitFor([&] { return fired > 0; }, 10000));
  EXPECT_FALSE(t->active());
  QTest::qWait(20);
  EXPECT_EQ(fired, 1);
  EXPECT_GE(clock.now_ms(), before + 1);
}

}  // namespace
