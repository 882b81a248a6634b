#include "terminal/send_queue.h"

#include <algorithm>
#include <cstring>
#include <utility>

bool send_queue::push(send_item&& item) {
  std::lock_guard lock(mutex);
  if (count == capacity) return false;
  items[write_index] = std::move(item);
  write_index = (write_index + 1) % capacity;
  if (++count == 1) {
    ready.notify_one();
    if (ready_callback) ready_callback();
  }
  return true;
}

void send_queue::push_navigation_key(bool application_mode, navigation_key key) {
  std::string_view sequence;
  {
    std::lock_guard lock(mutex);
    sequence = navigation_key_sequence(console_type, application_mode, key);
  }
  if (!sequence.empty()) push(send_item::inline_text(sequence));
}

void send_queue::set_console_type(std::string type) {
  std::lock_guard lock(mutex);
  console_type = std::move(type);
}

void send_queue::set_ready_callback(std::function<void()> on_ready) {
  std::lock_guard lock(mutex);
  ready_callback = std::move(on_ready);
  if (ready_callback && count > 0) ready_callback();
}

void send_queue::discard_unsent() {
  std::lock_guard lock(mutex);
  for (send_item& item : items) item = send_item();
  write_index = read_index = count = 0;
  current = send_item();
}

int send_queue::fetch_send_data(std::span<char, fetch_size> buffer, std::chrono::milliseconds wait) {
  // An item with no bytes (an empty paste or button text) is passed over, so that a 0 still
  // means "nothing to send" to a worker that then sleeps until the next wake. Each pass takes
  // one item off the queue; the bound keeps a stream of empty items from holding the worker.
  for (int pass = 0; pass <= capacity; ++pass) {
    if (current.kind == send_kind::empty) {
      std::unique_lock lock(mutex);
      // The predicate makes a wake-up that finds the queue empty again (or a spurious one) end
      // like a time-out instead of handing out a stale slot.
      if (!ready.wait_for(lock, pass == 0 ? wait : std::chrono::milliseconds(0),
                          [this] { return count > 0; }))
        return 0;
      current = std::move(items[read_index]);
      items[read_index] = send_item();
      read_index = (read_index + 1) % capacity;
      --count;
    }
    const int n = take_piece(buffer);
    if (n > 0) return n;
  }
  // Items may still be waiting; a worker that now sleeps must be woken for them.
  std::lock_guard lock(mutex);
  if (count > 0 && ready_callback) ready_callback();
  return 0;
}

int send_queue::take_piece(std::span<char, fetch_size> buffer) {
  size_t n = 0;
  switch (current.kind) {
    case send_kind::one_byte:
    case send_kind::inline_text: {
      const std::string_view bytes = current.inline_bytes();
      n = bytes.size();
      std::memcpy(buffer.data(), bytes.data(), n);
      current = send_item();
      break;
    }
    case send_kind::heap_buffer:
      n = std::min(fetch_size, current.length - current.sent);
      std::memcpy(buffer.data(), current.buffer.get() + current.sent, n);
      current.sent += n;
      if (current.sent >= current.length) current = send_item();
      break;
    default:
      current = send_item();
      break;
  }
  return static_cast<int>(n);
}
