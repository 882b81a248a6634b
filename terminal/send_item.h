#pragma once
// One entry of a terminal session's send queue: one byte, a short inline text, or a heap buffer
// that the connection's worker sends in pieces.
//
// A heap buffer has exactly one owner at a time, so the item is move-only: the producer owns it
// until `send_queue::push` accepts it, the queue and then its consumer own it afterwards, and
// the buffer is freed with the item (a refused push leaves the item, and so the buffer, with the
// producer, which drops it).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

enum class send_kind : int32_t {
  empty = 0,        // only in the consumer's current-item slot
  one_byte = 1,
  inline_text = 2,
  heap_buffer = 3,
};

struct send_item {
  // Room for a NUL-terminated inline text.
  static constexpr size_t inline_capacity = 11;

  send_kind kind = send_kind::empty;
  // kind 1: the byte in the first position; kind 2: a NUL-terminated text.
  std::array<char, inline_capacity + 1> data{};
  // kind 3: exactly `length` bytes, without a terminating zero, and how many went out already.
  std::unique_ptr<char[]> buffer;
  size_t length = 0;
  size_t sent = 0;

  static send_item one_byte(unsigned char byte);
  // A text of more than 11 bytes keeps its first 11; callers only pass key sequences and single
  // UTF-8 characters here.
  static send_item inline_text(std::string_view text);
  // A copy of `bytes` on the heap; an empty text gives an empty buffer, which sends nothing.
  static send_item heap_buffer(std::string_view bytes);

  // The bytes of a kind 1 or kind 2 item (empty for the other kinds).
  std::string_view inline_bytes() const;
};
