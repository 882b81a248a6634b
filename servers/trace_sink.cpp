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
  // Only the newest lines could be shown anyway; a busy server must not grow this without end
  // while nobody drains it.
  if (pending.size() > max_pending) pending.erase(0, pending.size() - max_pending);
}

std::u16string trace_sink::take() {
  std::lock_guard<std::mutex> guard(lock);
  return std::exchange(pending, {});
}
