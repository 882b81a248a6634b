#include "terminal/send_queue.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// One fetch, as the worker does it; a zero wait unless the case is about waiting.
std::string fetch(send_queue& queue, std::chrono::milliseconds wait = 0ms) {
  std::array<char, send_queue::fetch_size> buffer{};
  const int n = queue.fetch_send_data(buffer, wait);
  return std::string(buffer.data(), n);
}

TEST(send_queue, hands_out_items_in_push_order_and_heap_buffers_in_64_byte_pieces) {
  send_queue queue;
  const std::string paste(200, 'p');
  ASSERT_TRUE(queue.push(send_item::one_byte(0x03)));
  ASSERT_TRUE(queue.push(send_item::inline_text("\x1b[A")));
  ASSERT_TRUE(queue.push(send_item::heap_buffer(paste)));
  ASSERT_TRUE(queue.push(send_item::one_byte('x')));
  ASSERT_TRUE(queue.push(send_item::heap_buffer("")));
  ASSERT_TRUE(queue.push(send_item::inline_text("")));
  ASSERT_TRUE(queue.push(send_item::inline_text("tail")));

  EXPECT_EQ(fetch(queue), "\x03");
  EXPECT_EQ(fetch(queue), "\x1b[A");
  // Nothing queued behind the paste goes out before its last piece.
  EXPECT_EQ(fetch(queue), paste.substr(0, 64));
  EXPECT_EQ(fetch(queue), paste.substr(64, 64));
  EXPECT_EQ(fetch(queue), paste.substr(128, 64));
  EXPECT_EQ(fetch(queue), paste.substr(192));
  EXPECT_EQ(fetch(queue), "x");
  // An empty buffer is passed over: a 0 would tell the worker that nothing is left.
  EXPECT_EQ(fetch(queue), "tail");
  EXPECT_EQ(fetch(queue), "");
}

TEST(send_queue, holds_64_items_and_refuses_the_65th_without_taking_its_buffer) {
  send_queue queue;
  // Two rounds, so the ring indexes wrap and order must survive it.
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < send_queue::capacity; ++i)
      ASSERT_TRUE(queue.push(send_item::one_byte(static_cast<unsigned char>(i)))) << i;

    send_item refused = send_item::heap_buffer("lost");
    EXPECT_FALSE(queue.push(std::move(refused)));
    ASSERT_NE(refused.buffer, nullptr);
    EXPECT_EQ(std::string(refused.buffer.get(), refused.length), "lost");

    // One fetch frees one slot.
    EXPECT_EQ(fetch(queue), std::string(1, '\0'));
    EXPECT_TRUE(queue.push(send_item::one_byte(0x7F)));
    EXPECT_FALSE(queue.push(send_item::one_byte(0x7F)));
    for (int i = 1; i < send_queue::capacity; ++i) EXPECT_EQ(fetch(queue), std::string(1, char(i)));
    EXPECT_EQ(fetch(queue), "\x7f");
    EXPECT_EQ(fetch(queue), "");
  }
}

TEST(send_queue, a_fetch_on_an_empty_queue_returns_nothing_after_its_wait) {
  send_queue queue;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(fetch(queue, send_queue::fetch_wait), "");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  // Loose bounds: it did wait, and it did not hang.
  EXPECT_GE(elapsed, 9ms);
  EXPECT_LT(elapsed, 5s);
}

TEST(send_queue, a_push_during_the_wait_ends_it_with_the_item) {
  send_queue queue;
  std::string got;
  std::atomic<bool> waiting{false};
  std::thread consumer([&] {
    waiting = true;
    // A bound far above any scheduling delay: timing out would show as an empty result.
    got = fetch(queue, 60s);
  });
  while (!waiting) std::this_thread::yield();
  ASSERT_TRUE(queue.push(send_item::inline_text("late")));
  consumer.join();
  EXPECT_EQ(got, "late");
}

TEST(send_queue, the_ready_callback_fires_when_the_queue_turns_non_empty) {
  send_queue queue;
  ASSERT_TRUE(queue.push(send_item::one_byte('a')));
  int signals = 0;
  // Items queued before the worker listens (typed while disconnected) must not be missed.
  queue.set_ready_callback([&] { ++signals; });
  EXPECT_EQ(signals, 1);
  ASSERT_TRUE(queue.push(send_item::one_byte('b')));
  EXPECT_EQ(signals, 1);
  EXPECT_EQ(fetch(queue), "a");
  EXPECT_EQ(fetch(queue), "b");
  ASSERT_TRUE(queue.push(send_item::one_byte('c')));
  EXPECT_EQ(signals, 2);
  queue.set_ready_callback({});
  EXPECT_EQ(fetch(queue), "c");
  ASSERT_TRUE(queue.push(send_item::one_byte('d')));
  EXPECT_EQ(signals, 2);
}

TEST(send_queue, producers_on_several_threads_keep_their_own_order) {
  send_queue queue;
  constexpr int producers = 4;
  constexpr int per_producer = 2000;
  std::vector<std::thread> threads;
  for (int p = 0; p < producers; ++p) {
    threads.emplace_back([&queue, p] {
      for (int i = 0; i < per_producer; ++i) {
        const std::string text = {char('A' + p), char('0' + i % 10)};
        // A full queue refuses at once; this producer retries instead of dropping.
        while (!queue.push(send_item::inline_text(text))) std::this_thread::yield();
      }
    });
  }
  std::array<int, producers> next{};
  int received = 0;
  while (received < producers * per_producer) {
    // A bound far above any scheduling delay of the producers.
    const std::string got = fetch(queue, 30s);
    ASSERT_EQ(got.size(), 2u);
    const int p = got[0] - 'A';
    ASSERT_GE(p, 0);
    ASSERT_LT(p, producers);
    EXPECT_EQ(got[1], char('0' + next[p] % 10));
    ++next[p];
    ++received;
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(fetch(queue), "");
}

struct navigation_case {
  const char* console_type;
  bool application_mode;
  navigation_key key;
  std::string_view sequence;
};

TEST(navigation_key_sequence, follows_the_terminal_type_and_cursor_key_mode) {
  const navigation_case cases[] = {
      {"xterm", false, navigation_key::up, "\x1b[A"},
      {"xterm", true, navigation_key::up, "\x1bOA"},
      {"xterm", false, navigation_key::down, "\x1b[B"},
      {"xterm", true, navigation_key::down, "\x1bOB"},
      {"linux", false, navigation_key::left, "\x1b[D"},
      {"linux", true, navigation_key::left, "\x1bOD"},
      {"linux", false, navigation_key::right, "\x1b[C"},
      {"linux", true, navigation_key::right, "\x1bOC"},
      {"vt100", true, navigation_key::up, "\x1bOA"},
      {"vt100", false, navigation_key::right, "\x1b[C"},
      {"xterm", false, navigation_key::home, "\x1b[H"},
      {"xterm", true, navigation_key::home, "\x1bOH"},
      {"xterm", false, navigation_key::end, "\x1b[F"},
      {"xterm", true, navigation_key::end, "\x1bOF"},
      {"linux", false, navigation_key::home, "\x1b[1~"},
      {"linux", true, navigation_key::home, "\x1bO1~"},
      {"linux", false, navigation_key::end, "\x1b[4~"},
      {"linux", true, navigation_key::end, "\x1bO4~"},
      {"xterm", false, navigation_key::page_down, "\x1b[6~"},
      {"xterm", true, navigation_key::page_down, "\x1b[6~"},
      {"linux", true, navigation_key::page_up, "\x1b[5~"},
      {"linux", false, navigation_key::page_up, "\x1b[5~"},
      // Only the two exact names know the editing keys.
      {"vt100", false, navigation_key::home, ""},
      {"vt100", true, navigation_key::end, ""},
      {"vt100", false, navigation_key::page_up, ""},
      {"XTERM", false, navigation_key::home, ""},
      {"xterm-256color", false, navigation_key::page_down, ""},
      {"", false, navigation_key::end, ""},
      {"xterm", false, static_cast<navigation_key>(9), ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(navigation_key_sequence(c.console_type, c.application_mode, c.key), c.sequence)
        << c.console_type << " app=" << c.application_mode << " key=" << static_cast<int>(c.key);
  }
}

TEST(send_queue, pushes_navigation_keys_for_its_terminal_type) {
  send_queue queue;
  queue.set_console_type("vt100");
  queue.push_navigation_key(false, navigation_key::home);
  EXPECT_EQ(fetch(queue), "");
  queue.push_navigation_key(true, navigation_key::up);
  EXPECT_EQ(fetch(queue), "\x1bOA");
  queue.set_console_type("linux");
  queue.push_navigation_key(true, navigation_key::home);
  EXPECT_EQ(fetch(queue), "\x1bO1~");

  // A key pressed while the queue is full is lost, and nothing else is disturbed.
  for (int i = 0; i < send_queue::capacity; ++i) ASSERT_TRUE(queue.push(send_item::one_byte('k')));
  queue.push_navigation_key(false, navigation_key::down);
  for (int i = 0; i < send_queue::capacity; ++i) EXPECT_EQ(fetch(queue), "k");
  EXPECT_EQ(fetch(queue), "");
}

struct typed_case {
  char32_t character;
  send_kind kind;
  std::string_view bytes;
};

TEST(typed_char_item, sends_ascii_as_one_byte_and_everything_else_as_utf8) {
  const typed_case cases[] = {
      {U'a', send_kind::one_byte, "a"},
      {U'\r', send_kind::one_byte, "\r"},
      {0x7F, send_kind::one_byte, "\x7f"},
      {0x80, send_kind::inline_text, "\xc2\x80"},
      {U'\u00e9', send_kind::inline_text, "\xc3\xa9"},
      {U'\u20ac', send_kind::inline_text, "\xe2\x82\xac"},
      {U'\U0001F600', send_kind::inline_text, "\xf0\x9f\x98\x80"},
      // Not characters: sent as the replacement character.
      {0xD800, send_kind::inline_text, "\xef\xbf\xbd"},
      {0xDC80, send_kind::inline_text, "\xef\xbf\xbd"},
      {0x110000, send_kind::inline_text, "\xef\xbf\xbd"},
  };
  for (const auto& c : cases) {
    const send_item item = typed_char_item(c.character);
    EXPECT_EQ(item.kind, c.kind) << std::hex << uint32_t(c.character);
    EXPECT_EQ(item.inline_bytes(), c.bytes) << std::hex << uint32_t(c.character);
  }
}

}  // namespace
