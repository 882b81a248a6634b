#pragma once
// Session log files are written by one background thread shared by every session, so a slow
// disk never stalls a connection's worker: the worker only copies the bytes into a queue.
//
// Lock order: a caller may hold a screen mutex while it calls push; the writer's own lock is
// the innermost one, and no file is written while it is held.
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class log_writer;

// One open session log, shared by the terminal view, its screen buffer and the queued writes.
class log_file {
 public:
  // Takes ownership of an open stream.
  explicit log_file(std::FILE* stream) : file(stream) {}
  // Closes the stream if close_file never did (a log dropped without being stopped).
  ~log_file();
  log_file(const log_file&) = delete;
  log_file& operator=(const log_file&) = delete;

  // Opens (creates or truncates) `path` for binary writing; null when it cannot be opened.
  static std::shared_ptr<log_file> open(const std::string& path);

  // The stream; null once closed. Touched only by the writer thread and by close_file, never
  // by both at once.
  std::FILE* file;

 private:
  friend class log_writer;
  friend void log_writer_thread(log_writer& writer);
  // Entries for this file that are queued or being written; guarded by the writer's lock.
  int pending_ = 0;
  // Set while close_file waits for this file: the writer then writes its entries first.
  bool closing_ = false;
};

// One pending write: the file and a copy of the bytes.
struct log_write {
  std::shared_ptr<log_file> log;
  std::string bytes;
};

class log_writer {
 public:
  // The one writer of the process, made with its thread running on first use. It is never
  // destroyed and its thread never stops: both end with the process.
  static log_writer& instance();

  // Queues a copy of the bytes for the file. Returns at once; any thread may call it.
  // A null file or an empty text is dropped when its turn comes.
  void push(const std::shared_ptr<log_file>& log, std::string_view bytes);

  // Waits until every write queued for this file (and one being written) is done, then closes
  // its stream. Writes queued for other files are not waited for. A null file returns at once.
  // The caller stops pushing for the file before it calls this.
  void close_file(const std::shared_ptr<log_file>& log);

 private:
  log_writer() = default;
  friend void log_writer_thread(log_writer& writer);

  std::mutex lock_;
  std::condition_variable work_ready_;   // pending turned non-empty
  std::condition_variable file_written_; // a closing file's last pending entry was written
  std::vector<log_write> pending_;       // in push order
  unsigned close_requests_ = 0;          // bumped by close_file so the writer reorders its batch
  int closing_count_ = 0;                // close_file calls waiting now
};

// The writer thread's procedure: takes all pending writes as one batch and writes them in
// order, each file's entries in their push order; a file being closed goes first. What it
// writes is flushed to the file before it takes the next batch. Runs forever.
void log_writer_thread(log_writer& writer);
