// The records an SFTP transfer shares with its progress dialog: the percent, merged reports,
// the shared control's flags and coalesced notices, and the long entry of a listing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "connections/file_entry.h"
#include "connections/transfer_control.h"
#include "connections/transfer_progress.h"

namespace {

TEST(transfer_percent, is_bounded_and_counts_nothing_to_copy_as_complete) {
  struct row {
    uint64_t done, total;
    int32_t percent;
  };
  const row rows[] = {
      {0, 0, 100},                                   // nothing to count: complete, no division
      {5, 0, 100},                                   // files that grew after counting
      {0, 10, 0},
      {1, 3, 33},
      {999, 1000, 99},
      {1000, 1000, 100},
      {2000, 1000, 100},                             // never above 100
      {UINT64_MAX - 1, UINT64_MAX, 99},              // no overflow in done x 100
      {uint64_t{5} << 30, uint64_t{10} << 30, 50},   // 5 GiB of 10 GiB
  };
  for (const row& r : rows)
    EXPECT_EQ(transfer_percent(r.done, r.total), r.percent) << r.done << " of " << r.total;
}

TEST(transfer_progress, a_later_report_replaces_only_what_it_carries) {
  transfer_progress shown;
  shown.action = u"uploading...";
  shown.detail = total_size_text(1234);
  shown.percent = 10;
  transfer_progress later;
  later.file = u"/tmp/a";
  shown.merge(later);
  EXPECT_EQ(shown.action, u"uploading...");
  EXPECT_EQ(shown.detail, u"total size 1234 Bytes");
  EXPECT_EQ(shown.file, u"/tmp/a");
  EXPECT_EQ(shown.percent, 10);  // a percent of 0 leaves it
  later.percent = 40;
  shown.merge(later);
  EXPECT_EQ(shown.percent, 40);
}

TEST(transfer_control, one_notice_is_out_until_the_reports_are_taken) {
  transfer_control control(true);
  transfer_progress first;
  first.file = u"/r/a";
  EXPECT_TRUE(control.leave_progress(first));
  transfer_progress second;
  second.percent = 7;
  EXPECT_FALSE(control.leave_progress(second));
  transfer_progress taken = control.take_progress();
  EXPECT_EQ(taken.file, u"/r/a");
  EXPECT_EQ(taken.percent, 7);
  EXPECT_TRUE(control.leave_progress(second));
  EXPECT_FALSE(control.take_progress().file);
}

TEST(transfer_control, a_new_transfer_goes_on_until_cancelled_and_reports_its_pause) {
  transfer_control control(false);
  bool paused = true;
  EXPECT_TRUE(control.query(paused));
  EXPECT_FALSE(paused);
  control.set_paused(true);
  EXPECT_TRUE(control.query(paused));
  EXPECT_TRUE(paused);
  control.cancel();
  EXPECT_FALSE(control.query(paused));
  EXPECT_FALSE(control.ended());
  control.mark_ended();
  EXPECT_TRUE(control.ended());
}

TEST(long_entry, gives_mode_links_owner_and_group) {
  struct row {
    const char* text;
    const char* mode;
    int32_t links;
    const char* owner;
    const char* group;
  };
  const row rows[] = {
      {"drwxr-xr-x    3 alice    staff        4096 Jan  1 12:00 logs", "drwxr-xr-x", 3, "alice", "staff"},
      {"-rw-r--r--\t1\tbob\tusers\t5 Jan 1 x", "-rw-r--r--", 1, "bob", "users"},
      {"lrwxrwxrwx 1 u", "lrwxrwxrwx", 1, "u", ""},
      {"-rw------- x", "-rw-------", 0, "", ""},
      {"", "", 0, "", ""},
  };
  for (const row& r : rows) {
    file_entry entry;
    read_long_entry(r.text, entry);
    EXPECT_EQ(entry.mode, r.mode) << r.text;
    EXPECT_EQ(entry.links, r.links) << r.text;
    EXPECT_EQ(entry.owner, r.owner) << r.text;
    EXPECT_EQ(entry.group, r.group) << r.text;
  }
}

}  // namespace
