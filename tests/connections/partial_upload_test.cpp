// Whether the file at a cut upload's name is still the one the upload left: its size between
// what the server acknowledged and what was sent, its modification time between the upload's
// start and the break as the server's clock gave them; and that clock read from a file made.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "connections/partial_upload.h"

namespace {

using namespace std::chrono_literals;

TEST(server_clock, brackets_the_servers_time_from_a_file_it_made) {
  const auto sent = std::chrono::steady_clock::time_point{} + 1000s;
  // The file made between `sent` and 200 ms later had the server's second 1000.
  const server_clock clock(1000, sent, sent + 200ms);
  struct row {
    std::chrono::milliseconds after_sent;
    uint64_t earliest, latest;
  };
  // The server's real time at sent + d lies in [1000 + d - 0.2 s, 1001 + d); a second more
  // either way for the file system's clock.
  const row rows[] = {{0ms, 998, 1002}, {200ms, 999, 1003}, {10500ms, 1009, 1013}};
  for (const row& r : rows) {
    EXPECT_EQ(clock.earliest(sent + r.after_sent), r.earliest) << r.after_sent.count();
    EXPECT_EQ(clock.latest(sent + r.after_sent), r.latest) << r.after_sent.count();
  }
  // Long before the file was made the bound stays at 0.
  EXPECT_EQ(server_clock(5, sent, sent).earliest(sent - 3600s), 0u);
}

TEST(partial_upload, only_the_file_the_upload_left_is_taken_for_it) {
  partial_upload upload{"/home/u/big.bin", 1000, 3000, true, 500, 600};
  struct row {
    const char* what;
    uint64_t size;
    unsigned long mtime;
    unsigned long type;
    unsigned long flags;
    bool times_known;
    std::string why;  // empty: the upload's
  };
  const unsigned long all = LIBSSH2_SFTP_ATTR_SIZE | LIBSSH2_SFTP_ATTR_PERMISSIONS | LIBSSH2_SFTP_ATTR_ACMODTIME;
  const std::string other_size = "the file at its name now holds ";
  const row rows[] = {
      {"within both spans", 2000, 550, LIBSSH2_SFTP_S_IFREG, all, true, ""},
      {"at the low ends", 1000, 500, LIBSSH2_SFTP_S_IFREG, all, true, ""},
      {"at the high ends", 3000, 600, LIBSSH2_SFTP_S_IFREG, all, true, ""},
      {"smaller than acknowledged", 999, 550, LIBSSH2_SFTP_S_IFREG, all, true,
       other_size + "999 bytes, the upload left 1000 to 3000"},
      {"larger than sent", 3001, 550, LIBSSH2_SFTP_S_IFREG, all, true,
       other_size + "3001 bytes, the upload left 1000 to 3000"},
      {"made before the upload", 2000, 499, LIBSSH2_SFTP_S_IFREG, all, true,
       "the file at its name now is older than the upload"},
      {"written after the break", 2000, 601, LIBSSH2_SFTP_S_IFREG, all, true,
       "the file at its name was written after the upload stopped"},
      {"a folder", 2000, 550, LIBSSH2_SFTP_S_IFDIR, all, true, "what is at its name now is not a file"},
      {"a link", 2000, 550, LIBSSH2_SFTP_S_IFLNK, all, true, "what is at its name now is not a file"},
      {"no size sent", 2000, 550, LIBSSH2_SFTP_S_IFREG, all & ~LIBSSH2_SFTP_ATTR_SIZE, true,
       "what is at its name now is not a file"},
      {"no times sent", 2000, 550, LIBSSH2_SFTP_S_IFREG, all & ~LIBSSH2_SFTP_ATTR_ACMODTIME, true,
       "the server's clock is not known, so the file at its name cannot be told from another"},
      {"the clock was never read", 2000, 550, LIBSSH2_SFTP_S_IFREG, all, false,
       "the server's clock is not known, so the file at its name cannot be told from another"},
  };
  for (const row& r : rows) {
    upload.times_known = r.times_known;
    LIBSSH2_SFTP_ATTRIBUTES found{};
    found.flags = r.flags;
    found.filesize = r.size;
    found.permissions = r.type | 0644;
    found.mtime = r.mtime;
    found.atime = r.mtime;
    EXPECT_EQ(why_not_the_upload(upload, found), r.why) << r.what;
  }
}

}  // namespace
