#include "terminal/log_writer.h"

#include <algorithm>
#include <iterator>
#include <thread>

namespace {

// How many entries the writer handles before it looks again for a file being closed, so a
// flood for one file never keeps another file's close waiting long.
constexpr size_t run_limit = 256;

}  // namespace

log_file::~log_file() {
  if (file) std::fclose(file);
}

std::shared_ptr<log_file> log_file::open(const std::string& path) {
  // "e": close-on-exec, so the stream does not leak into programs started later.
  std::FILE* stream = std::fopen(path.c_str(), "wb+e");
  if (!stream) return nullptr;
  return std::make_shared<log_file>(stream);
}

log_writer& log_writer::instance() {
  static log_writer* const writer = [] {
    auto* made = new log_writer;
    std::thread(log_writer_thread, std::ref(*made)).detach();
    return made;
  }();
  return *writer;
}

void log_writer::push(const std::shared_ptr<log_file>& log, std::string_view bytes) {
  log_write entry{log, std::string(bytes)};
  bool was_empty;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (log) ++log->pending_;
    was_empty = pending_.empty();
    pending_.push_back(std::move(entry));
  }
  if (was_empty) work_ready_.notify_one();
}

void log_writer::close_file(const std::shared_ptr<log_file>& log) {
  if (!log) return;
  std::FILE* stream;
  {
    std::unique_lock<std::mutex> guard(lock_);
    if (log->pending_ > 0) {
      log->closing_ = true;
      ++close_requests_;
      ++closing_count_;
      file_written_.wait(guard, [&] { return log->pending_ == 0; });
      log->closing_ = false;
      --closing_count_;
    }
    stream = log->file;
    log->file = nullptr;
  }
  // Nothing is queued for the file any more, so the writer will not touch the stream; closing
  // it outside the lock keeps the final flush from stalling the sessions that push.
  if (stream) std::fclose(stream);
}

void log_writer_thread(log_writer& writer) {
  std::vector<log_write> batch;
  // Moves the entries of files being closed to the front, keeping the order within each file.
  // Called with the writer's lock held: the closing flags are guarded by it.
  const auto put_closing_first = [](auto first, auto last) {
    std::stable_partition(first, last, [](const log_write& w) { return w.log && w.log->closing_; });
  };
  for (;;) {
    unsigned seen_closes;
    {
      std::unique_lock<std::mutex> guard(writer.lock_);
      writer.work_ready_.wait(guard, [&] { return !writer.pending_.empty(); });
      batch.swap(writer.pending_);
      seen_closes = writer.close_requests_;
      if (writer.closing_count_ > 0) put_closing_first(batch.begin(), batch.end());
    }
    size_t next = 0;
    while (next < batch.size()) {
      // One run: consecutive entries for the same file. Their count stays pending until the
      // run is written, so close_file cannot close the stream under the writes.
      const std::shared_ptr<log_file>& log = batch[next].log;
      std::FILE* stream = log ? log->file : nullptr;
      size_t end = next;
      for (; end < batch.size() && end - next < run_limit && batch[end].log == log; ++end) {
        const std::string& bytes = batch[end].bytes;
        if (stream && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), stream);
      }
      // What the run wrote reaches the file now, while logging goes on: a crash or a kill
      // loses at most the batch being written, and the user can read the log as it grows.
      if (stream) std::fflush(stream);
      std::lock_guard<std::mutex> guard(writer.lock_);
      if (log) {
        log->pending_ -= static_cast<int>(end - next);
        if (log->pending_ == 0 && log->closing_) writer.file_written_.notify_all();
      }
      if (writer.close_requests_ != seen_closes) {
        // The closing file's entries may have been pushed after this batch was taken: bring
        // everything queued since into the batch, behind what is already there, so they can
        // go first without waiting for the rest of this batch.
        seen_closes = writer.close_requests_;
        std::move(writer.pending_.begin(), writer.pending_.end(), std::back_inserter(batch));
        writer.pending_.clear();
        put_closing_first(batch.begin() + static_cast<std::ptrdiff_t>(end), batch.end());
      }
      next = end;
    }
    // The copies (and maybe the last hold on a log dropped without being closed) go here,
    // outside the lock.
    batch.clear();
  }
}
