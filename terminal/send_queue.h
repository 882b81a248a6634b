#pragma once
// The bounded queue of everything a terminal session sends to its peer: typed characters,
// control and navigation keys, pastes, chat lines, button-bar output and the parser's replies.
//
// Producers run on the GUI thread and on the connection's worker (the parser's replies, pushed
// while the screen mutex is held); the worker is the only consumer. A producer never waits for
// the consumer: a push into a full queue fails at once. The consumer waits at most a bound
// (10 ms by default) for something to send, so its read side keeps running.
//
// Lock order: the queue's mutex is always taken last. A holder of the screen mutex may push;
// nothing here takes the screen mutex, and the ready callback must not either.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "terminal/key_encoding.h"
#include "terminal/send_item.h"

class send_queue {
 public:
  static constexpr int capacity = 64;
  // Largest number of bytes one fetch hands out.
  static constexpr size_t fetch_size = 64;
  static constexpr std::chrono::milliseconds fetch_wait{10};

  send_queue() = default;
  send_queue(const send_queue&) = delete;
  send_queue& operator=(const send_queue&) = delete;

  // Takes the item into the ring; false when the queue is full, in which case `item` is left
  // untouched (a producer that lets it go frees its buffer).
  bool push(send_item&& item);

  // Pushes the key's sequence for the session's terminal type as an inline text; a key that has
  // no sequence for this type, or that meets a full queue, is lost.
  void push_navigation_key(bool application_mode, navigation_key key);

  // The session's terminal type (`session_appearance::console_type`), which chooses the
  // sequences of Home, End, Page Up and Page Down. Set by the view when its appearance changes.
  void set_console_type(std::string type);

  // Consumer side (the worker's `CTerminalView::FetchSendData`): places up to 64 bytes in
  // `buffer` and returns their number, 0 when nothing came within `wait` (items without bytes
  // are passed over). A heap buffer goes out
  // in pieces of 64 bytes, one per call, and nothing queued behind it is sent before its last
  // piece; while such an item is unfinished the call returns at once without touching the queue.
  int fetch_send_data(std::span<char, fetch_size> buffer, std::chrono::milliseconds wait = fetch_wait);

  // Consumer side: drops everything waiting and the rest of the item being sent (a new
  // connection starts with an empty queue).
  void discard_unsent();

  // Lets a worker that polls its socket wake for outgoing data too: `on_ready` runs whenever the
  // queue turns non-empty (under the queue's mutex, so it must only signal, e.g. write an
  // eventfd), and once at once when items are already waiting. A worker that was woken fetches
  // until a fetch returns 0 before it blocks again: a push into a non-empty queue, and the
  // remaining pieces of a heap buffer, signal nothing. An empty function removes the callback.
  void set_ready_callback(std::function<void()> on_ready);

 private:
  // Guards everything below except `current`.
  std::mutex mutex;
  // Signalled when the count goes from 0 to 1.
  std::condition_variable ready;
  std::array<send_item, capacity> items;
  int write_index = 0;
  int read_index = 0;
  int count = 0;
  std::string console_type;
  std::function<void()> ready_callback;

  // Copies the next piece of `current` into `buffer` and returns its size; a finished item
  // becomes empty.
  int take_piece(std::span<char, fetch_size> buffer);

  // The item being sent; only the consumer touches it.
  send_item current;
};
