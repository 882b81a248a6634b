#include "connections/transfer_progress.h"

#include "config/text_convert.h"

void transfer_progress::merge(const transfer_progress& later) {
  if (later.action) action = later.action;
  if (later.detail) detail = later.detail;
  if (later.file) file = later.file;
  if (later.percent != 0) percent = later.percent;
}

int32_t transfer_percent(uint64_t done, uint64_t total) {
  if (total == 0 || done >= total) return 100;
  // 128 bits, so done x 100 cannot overflow.
  return static_cast<int32_t>(static_cast<unsigned __int128>(done) * 100 / total);
}

std::u16string total_size_text(uint64_t total) {
  return mbs_to_wstring("total size " + std::to_string(total) + " Bytes");
}

bool progress_clock::due() {
  int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count();
  int64_t last = last_ms.load();
  if (now - last <= interval.count()) return false;
  return last_ms.compare_exchange_strong(last, now);
}

progress_clock& local_size_clock() {
  static progress_clock clock(std::chrono::milliseconds(300));
  return clock;
}

progress_clock& remote_size_clock() {
  static progress_clock clock(std::chrono::milliseconds(300));
  return clock;
}

progress_clock& upload_clock() {
  static progress_clock clock(std::chrono::milliseconds(300));
  return clock;
}

progress_clock& download_clock() {
  static progress_clock clock(std::chrono::milliseconds(500));
  return clock;
}
