// The server base: log levels and the trace line's form and bound, the trace sink's cap, and
// stop's bound with workers that end at once, a little later, or not within the grace.
#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <string>
#include <thread>

#include "config/log_level.h"
#include "config/text_convert.h"
#include "servers/server.h"
#include "servers/trace_sink.h"
#include "tests/support/wait_until.h"

namespace {

using namespace std::chrono_literals;
using clock_type = std::chrono::steady_clock;

std::string take_trace() { return wcs_to_string(trace_sink::instance().take()); }

// A server whose loop waits in poll on the wake descriptor only, or, when told to linger,
// ignores the wake: it goes on for `linger` after stop began, and then for as long as the test
// holds it.
class probe_server final : public server {
 public:
  explicit probe_server(log_level first = LOG_INFORMATION) : server("probe", first) {}
  ~probe_server() override {
    held = false;
    finish();
  }

  bool start() { return start_worker(); }

  // Atomic: a test sets them again after a detached worker read them, with nothing ordering the two.
  std::atomic<std::chrono::milliseconds> linger{std::chrono::milliseconds{0}};
  std::atomic<bool> held{false};
  std::atomic<int> passes{0};

 protected:
  void run(platform::worker_control& control) override {
    if (const std::chrono::milliseconds wait = linger; held || wait.count() > 0) {
      while (running) std::this_thread::sleep_for(1ms);
      std::this_thread::sleep_for(wait);
      while (held) std::this_thread::sleep_for(1ms);
      return;
    }
    while (running) {
      ++passes;
      pollfd p{control.wake_fd(), POLLIN, 0};
      ::poll(&p, 1, 10000);
    }
  }
};

TEST(log_level, words_and_their_exact_parse) {
  struct word_case {
    const char16_t* word;
    log_level level;
  } cases[] = {{u"DEBUG", LOG_DEBUG},        {u"INFORMATION", LOG_INFORMATION},
               {u"ERROR", LOG_ERROR},        {u"DISABLED", LOG_DISABLED},
               {u"debug", LOG_DISABLED},     {u"", LOG_DISABLED},
               {u"ERROR ", LOG_DISABLED}};
  for (const auto& c : cases) EXPECT_EQ(parse_log_level(c.word), c.level) << wcs_to_string(c.word);
  EXPECT_EQ(log_level_word(LOG_INFORMATION), u"INFORMATION");
  EXPECT_EQ(log_level_word(7), u"DISABLED");
}

TEST(server_log, lines_below_the_level_are_dropped) {
  probe_server probe;
  take_trace();
  EXPECT_EQ(probe.log(LOG_DEBUG, "hidden %d", 1), 0);
  EXPECT_EQ(take_trace(), "");
  const int count = probe.log(LOG_ERROR, "shown %d", 2);
  const std::string line = take_trace();
  EXPECT_EQ(count + 2, static_cast<int>(line.size()));
  EXPECT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \[probe\] shown 2\r\n)")))
      << line;

  probe.level = LOG_DISABLED;
  EXPECT_EQ(probe.log(LOG_ERROR, "never"), 0);
  EXPECT_EQ(take_trace(), "");
}

TEST(server_log, a_long_message_is_cut_to_the_line_buffer) {
  probe_server probe;
  take_trace();
  const std::string name(3000, 'n');
  EXPECT_EQ(probe.log(LOG_ERROR, "file %s", name.c_str()), 1023);
  const std::string line = take_trace();
  EXPECT_EQ(line.size(), 1025u);
  EXPECT_EQ(line.substr(line.size() - 4), "nn\r\n");
}

TEST(server_log, network_text_is_printed_with_control_characters_escaped) {
  EXPECT_EQ(printable("a\r\nb\x1b[2J\x7f%s"), "a\\x0D\\x0Ab\\x1B[2J\\x7F%s");
  probe_server probe;
  take_trace();
  probe.log(LOG_ERROR, "File name %s is not supported", printable("x\r\n2000-01-01 [tftpd] forged").c_str());
  const std::string line = take_trace();
  EXPECT_EQ(line.find('\n'), line.size() - 1);
}

TEST(trace_sink, keeps_only_the_newest_pending_text_in_order) {
  trace_sink::instance().take();
  trace_sink::instance().append(u"first\r\n");
  trace_sink::instance().append(u"second\r\n");
  EXPECT_EQ(trace_sink::instance().take(), u"first\r\nsecond\r\n");
  EXPECT_EQ(trace_sink::instance().take(), u"");
  trace_sink::instance().append(std::u16string(trace_sink::max_pending, u'a'));
  trace_sink::instance().append(u"tail");
  const std::u16string kept = trace_sink::instance().take();
  EXPECT_EQ(kept.size(), trace_sink::max_pending);
  EXPECT_EQ(kept.substr(kept.size() - 4), u"tail");
}

// The bounds below tell "at once" from "after the grace": a busy machine delays a thread by far
// less than the grace, though by more than a guessed few milliseconds.
TEST(server_stop, a_stopped_server_returns_at_once) {
  probe_server probe;
  const auto start = clock_type::now();
  EXPECT_TRUE(probe.stop());
  EXPECT_LT(clock_type::now() - start, server::stop_grace / 2);
}

TEST(server_stop, wakes_a_poll_loop_and_the_server_can_start_again) {
  probe_server probe;
  ASSERT_TRUE(probe.start());
  EXPECT_TRUE(probe.is_running());
  while (probe.passes == 0) std::this_thread::sleep_for(1ms);
  const auto start = clock_type::now();
  EXPECT_TRUE(probe.stop());
  // The loop's own poll lasts 10 s: only the wake ends it within the grace.
  EXPECT_LT(clock_type::now() - start, server::stop_grace);
  EXPECT_FALSE(probe.is_running());
  ASSERT_TRUE(probe.start());
  EXPECT_TRUE(probe.stop());
}

TEST(server_stop, waits_for_a_worker_that_ends_within_the_grace) {
  probe_server probe;
  probe.linger = 150ms;
  ASSERT_TRUE(probe.start());
  const auto start = clock_type::now();
  probe.stop();
  const auto took = clock_type::now() - start;
  EXPECT_GE(took, 150ms);
  EXPECT_LT(took, server::stop_grace);
  // It ended: a new start succeeds at once.
  probe.linger = 0ms;
  EXPECT_TRUE(probe.start());
}

TEST(server_stop, returns_at_the_grace_and_refuses_a_start_until_the_worker_ended) {
  probe_server probe;
  probe.held = true;
  ASSERT_TRUE(probe.start());
  const auto start = clock_type::now();
  probe.stop();
  const auto took = clock_type::now() - start;
  EXPECT_GE(took, server::stop_grace - 10ms);
  EXPECT_LT(took, server::stop_grace * 2);
  EXPECT_FALSE(probe.start());
  EXPECT_FALSE(probe.is_running());
  // Once the worker has ended, the server starts again.
  probe.held = false;
  EXPECT_TRUE(test_support::wait_until([&] { return probe.start(); }));
}

}  // namespace
