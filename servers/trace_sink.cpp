#include "servers/trace_sink.h"

#include <utility>

trace_sink& trace_sink::instance() {
  // Never destroyed: server threads may still log while static objects are torn down.
  static trace_sink* sink = new trace_sink;
  return *sink;
}

void trace_sink::append(std::u16string_view text) {
  std::lock_guard<std::mutex> guard(lock);
  pending.append(text);
  // Only the newest text could be shown anyway; a busy server must not grow this without end
  // while nobody drains it. Cutting only at twice the limit keeps each append cheap.
  if (pending.size() > 2 * max_pending) pending.erase(0, pending.size() - max_pending);
}

std::u16string trace_sink::take() {
  std::lock_guard<std::mutex> guard(lock);
  if (pending.size() > max_pending) pending.erase(0, pending.size() - max_pending);
  return std::exchange(pending, {});
}
