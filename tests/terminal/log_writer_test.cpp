#include "terminal/log_writer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/atomic_file.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait_until.h"

namespace {

std::string contents(const std::string& path) {
  std::string data;
  EXPECT_TRUE(platform::read_file(path, data)) << path;
  return data;
}

std::string numbered_lines(const char* prefix, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += prefix + std::to_string(i) + "\r\n";
  return text;
}

class log_writer_test : public ::testing::Test {
 protected:
  log_writer& writer = log_writer::instance();
  test_support::temp_folder folder;
};

TEST_F(log_writer_test, keeps_the_order_and_drops_empty_entries) {
  const auto log = log_file::open(folder.file("one.log"));
  ASSERT_TRUE(log);
  writer.push(log, "first\r\n");
  writer.push(log, "");
  writer.push(log, "second\r\n");
  writer.push(log, std::string_view("th\0rd\r\n", 7));
  writer.close_file(log);
  EXPECT_EQ(log->file, nullptr);
  EXPECT_EQ(contents(folder.file("one.log")), std::string("first\r\nsecond\r\nth\0rd\r\n", 22));
}

// A log being written can be read as it grows (and survives a crash of the program): what
// the writer took reaches the file without waiting for the log to be stopped.
TEST_F(log_writer_test, the_file_holds_the_first_lines_while_logging_goes_on) {
  const std::string path = folder.file("live.log");
  const auto log = log_file::open(path);
  ASSERT_TRUE(log);
  writer.push(log, "login: root\r\n");
  writer.push(log, "# uptime\r\n");
  const std::string first = "login: root\r\n# uptime\r\n";
  std::string seen;
  EXPECT_TRUE(test_support::wait_until([&] { return platform::read_file(path, seen) && seen == first; }))
      << "the file holds \"" << seen << "\"";
  writer.push(log, "up 3 days\r\n");
  EXPECT_TRUE(test_support::wait_until([&] { return platform::read_file(path, seen) && seen == first + "up 3 days\r\n"; }))
      << "the file holds \"" << seen << "\"";
  writer.close_file(log);
  EXPECT_EQ(contents(path), first + "up 3 days\r\n");
}

TEST_F(log_writer_test, two_sessions_each_get_their_own_lines) {
  const auto a = log_file::open(folder.file("a.log"));
  const auto b = log_file::open(folder.file("b.log"));
  ASSERT_TRUE(a && b);
  for (int i = 0; i < 500; ++i) {
    writer.push(a, "a" + std::to_string(i) + "\r\n");
    writer.push(b, "b" + std::to_string(i) + "\r\n");
  }
  writer.close_file(b);
  writer.close_file(a);
  EXPECT_EQ(contents(folder.file("a.log")), numbered_lines("a", 500));
  EXPECT_EQ(contents(folder.file("b.log")), numbered_lines("b", 500));
}

// With another session logging without a pause, closing a log must still return, and only
// once all of its own lines are in the file.
TEST_F(log_writer_test, close_waits_for_its_own_file_only) {
  const auto busy = log_file::open(folder.file("busy.log"));
  const auto quiet = log_file::open(folder.file("quiet.log"));
  ASSERT_TRUE(busy && quiet);
  std::atomic<bool> flooding{true};
  std::atomic<int> busy_lines{0};
  std::thread flood([&] {
    for (int i = 0; flooding; ++i) {
      writer.push(busy, "busy" + std::to_string(i) + "\r\n");
      busy_lines = i + 1;
    }
  });
  while (busy_lines < 1000) std::this_thread::yield();
  for (int i = 0; i < 2000; ++i) writer.push(quiet, "quiet" + std::to_string(i) + "\r\n");
  writer.close_file(quiet);
  EXPECT_EQ(contents(folder.file("quiet.log")), numbered_lines("quiet", 2000));
  flooding = false;
  flood.join();
  writer.close_file(busy);
  EXPECT_EQ(contents(folder.file("busy.log")), numbered_lines("busy", busy_lines));
}

// A session whose log is slow to take its bytes (here a pipe read a little at a time) must
// not hold up closing another session's log: close returns while the slow one is still far
// from written, and afterwards both files are complete.
TEST_F(log_writer_test, close_does_not_wait_for_a_slow_file) {
  const std::string fifo = folder.file("slow.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto slow = log_file::open(fifo);
  const auto quiet = log_file::open(folder.file("quiet.log"));
  ASSERT_TRUE(slow && quiet);
  const int reader_fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader_fd, 0);

  // A first large entry keeps the writer busy while the rest is queued, so the rest is taken
  // as one batch; the quiet line is pushed only once that batch is being written.
  const std::string head(256 * 1024, 'h');
  const std::string slow_text = head + numbered_lines("slow", 200000);
  std::atomic<size_t> slow_received{0};
  std::atomic<bool> hurry{false};
  std::string received;
  std::thread reader([&] {
    char buf[4096];
    while (received.size() < slow_text.size()) {
      const ssize_t n = ::read(reader_fd, buf, sizeof buf);
      if (n > 0) {
        received.append(buf, static_cast<size_t>(n));
        slow_received = received.size();
      }
      if (!hurry) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      else if (n <= 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  writer.push(slow, head);
  while (slow_received == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  for (size_t at = head.size(); at < slow_text.size(); at += 64)
    writer.push(slow, std::string_view(slow_text).substr(at, 64));
  while (slow_received <= head.size()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  writer.push(quiet, "quiet line\r\n");
  writer.close_file(quiet);
  EXPECT_LT(slow_received.load(), slow_text.size() / 2);
  EXPECT_EQ(contents(folder.file("quiet.log")), "quiet line\r\n");

  hurry = true;
  writer.close_file(slow);
  reader.join();
  ::close(reader_fd);
  EXPECT_EQ(received, slow_text);
}

TEST_F(log_writer_test, a_full_device_neither_crashes_nor_hangs) {
  const auto full = log_file::open("/dev/full");
  ASSERT_TRUE(full);
  const std::string block(1000, 'x');
  for (int i = 0; i < 200; ++i) writer.push(full, block);
  writer.close_file(full);
  EXPECT_EQ(full->file, nullptr);
  // The writer goes on serving other logs.
  const auto after = log_file::open(folder.file("after.log"));
  writer.push(after, "still here\r\n");
  writer.close_file(after);
  EXPECT_EQ(contents(folder.file("after.log")), "still here\r\n");
}

TEST_F(log_writer_test, entries_without_an_open_file_are_dropped) {
  const auto closed = log_file::open(folder.file("closed.log"));
  writer.push(closed, "kept\r\n");
  writer.close_file(closed);
  writer.push(closed, "too late\r\n");
  writer.push(nullptr, "nowhere\r\n");
  writer.close_file(nullptr);
  // The writer goes on after dropping them.
  const auto marker = log_file::open(folder.file("marker.log"));
  writer.push(marker, "done\r\n");
  writer.close_file(marker);
  EXPECT_EQ(contents(folder.file("marker.log")), "done\r\n");
  EXPECT_EQ(contents(folder.file("closed.log")), "kept\r\n");
}

TEST_F(log_writer_test, a_log_that_cannot_be_opened_gives_null) {
  EXPECT_EQ(log_file::open(folder.file("missing/folder/x.log")), nullptr);
}

}  // namespace
