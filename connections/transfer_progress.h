#pragma once
// What an SFTP transfer reports to its progress dialog, the running counts of one transfer,
// and the clocks that keep the reports down to a few per second.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// One progress report. A missing text or a percent of 0 leaves that part of the dialog as it
// was.
struct transfer_progress {
  std::optional<std::u16string> action;  // "uploading...", "downloading..."
  std::optional<std::u16string> detail;  // "total size <n> Bytes"
  std::optional<std::u16string> file;    // the file being copied
  int32_t percent = 0;                   // 0 to 100

  // Lays `later` over this one: its texts and a non-zero percent replace these.
  void merge(const transfer_progress& later);
};

// The counts of one transfer request.
struct transfer_totals {
  uint64_t total = 0;  // counted before copying
  uint64_t done = 0;   // copied so far
  // Where the part of a source path that is made again at the target begins.
  size_t name_offset = 0;
  // True while the source being copied is one of the request's own sources.
  bool top_level = false;
};

// done x 100 / total, at most 100. Nothing to count (a total of 0, or files that grew after
// counting) is complete: 100.
int32_t transfer_percent(uint64_t done, uint64_t total);

// The "total size <n> Bytes" text.
std::u16string total_size_text(uint64_t total);

// A report clock: due() is true when more than the interval has passed since it was last true.
// Any thread; clocks are shared by every transfer of the process, so two transfers at once may
// each skip a report of the other.
class progress_clock {
 public:
  explicit progress_clock(std::chrono::milliseconds interval) : interval(interval) {}
  bool due();

 private:
  const std::chrono::milliseconds interval;
  std::atomic<int64_t> last_ms{0};
};

// The four clocks: counting local and remote sizes and copying up and down.
progress_clock& local_size_clock();
progress_clock& remote_size_clock();
progress_clock& upload_clock();
progress_clock& download_clock();
