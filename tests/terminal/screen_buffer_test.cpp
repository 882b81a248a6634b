// The ring of the screen buffer: appending and reusing lines, scroll regions, the alternate
// screen, capacity changes, the selection across line moves, and the session log.
#include "terminal/screen_buffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "terminal/log_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/terminal/screen_probe.h"

namespace {

using test_support::screen_probe;

std::string numbered_lines(int from, int to) {
  std::string text;
  for (int i = from; i <= to; ++i) text += (i > from ? "\r\n" : "") + std::to_string(i);
  return text;
}

TEST(screen_buffer, appends_lines_until_the_screen_is_full_then_scrolls_into_the_scrollback) {
  screen_probe probe(5, 10, 500);
  screen_buffer& s = probe.screen();
  EXPECT_EQ(s.line_count(), 1);
  EXPECT_EQ(s.first, 0);
  EXPECT_EQ(s.last, 0);
  EXPECT_EQ(s.cursor, 0);
  for (int i = 2; i <= 5; ++i) {
    probe.feed("\n");
    EXPECT_EQ(s.line_count(), i);
    EXPECT_EQ(s.screen_top(), 0);
  }
  probe.feed("\n");
  EXPECT_EQ(s.line_count(), 6);
  EXPECT_EQ(s.screen_top(), 1);
  EXPECT_EQ(probe.cursor(), std::make_pair(4, 0));
}

TEST(screen_buffer, a_received_block_reports_the_new_scroll_range) {
  screen_probe probe(5, 10, 500);
  terminal_core& core = probe.core();
  EXPECT_EQ(core.receive_data("abc", 3), -1);
  // The range is the line count, but never less than the rows.
  EXPECT_EQ(core.receive_data("\r\n", 2), 5);
  EXPECT_EQ(core.receive_data("\x1b[H\x1b[2Jxyz", 10), -1);
  const std::string lines = numbered_lines(1, 9);
  EXPECT_EQ(core.receive_data(lines.data(), lines.size()), 9);
}

TEST(screen_buffer, the_line_after_a_full_ring_drops_the_oldest) {
  screen_probe probe(5, 10, 500);
  screen_buffer& s = probe.screen();
  probe.feed(numbered_lines(1, 500));
  EXPECT_EQ(s.line_count(), 500);
  EXPECT_EQ(probe.stored_text(0), "1");
  probe.feed("\r\n501");
  EXPECT_EQ(s.line_count(), 500);
  EXPECT_EQ(s.first, 1);
  EXPECT_EQ(s.last, 0);
  EXPECT_EQ(probe.stored_text(0), "2");
  EXPECT_EQ(probe.stored_text(499), "501");
  // Around the ring many times: the count stays and the screen shows the newest lines.
  probe.feed("\r\n" + numbered_lines(502, 1700));
  EXPECT_EQ(s.line_count(), 500);
  EXPECT_EQ(probe.screen_text(), "1696|1697|1698|1699|1700");
  EXPECT_EQ(probe.stored_text(0), "1201");
}

TEST(screen_buffer, wraps_at_the_right_margin_and_marks_the_continued_line) {
  screen_probe probe(5, 80, 500);
  screen_buffer& s = probe.screen();
  probe.feed(std::string(80, 'x'));
  EXPECT_EQ(probe.cursor(), std::make_pair(0, 79));
  EXPECT_TRUE(s.line(0).wrap_pending);
  EXPECT_FALSE(s.line(0).continues);
  probe.feed("y");
  EXPECT_TRUE(s.line(0).continues);
  EXPECT_EQ(probe.row_text(1), "y");
  EXPECT_EQ(probe.cursor(), std::make_pair(1, 1));
}

TEST(screen_buffer, a_pending_wrap_does_not_stay_behind_on_a_line_the_cursor_left) {
  screen_probe probe(5, 10, 500);
  // Row 0 is filled (a wrap pends), the cursor leaves, and a later visit to its last column
  // writes there instead of wrapping at once.
  probe.feed("0123456789\x1b[3;1Hab\x1b[1;10HX");
  EXPECT_EQ(probe.screen_text(), "012345678X||ab");
  EXPECT_EQ(probe.cursor(), std::make_pair(0, 9));
}

TEST(screen_buffer, a_line_feed_above_the_region_bottom_moves_the_cursor_across_the_ring_end) {
  screen_probe probe(5, 10, 11);
  screen_buffer& s = probe.screen();
  ASSERT_EQ(s.capacity, 11);
  probe.feed(numbered_lines(1, 13));
  // The screen now runs over the end of the ring.
  ASSERT_GT(s.screen_top(), s.last);
  probe.feed("\x1b[H");
  for (int row = 1; row < 5; ++row) {
    probe.feed("\n");
    EXPECT_EQ(probe.cursor(), std::make_pair(row, 0));
    EXPECT_EQ(s.line_count(), 11);
  }
  EXPECT_EQ(probe.screen_text(), "9|10|11|12|13");
}

TEST(screen_buffer, a_region_scroll_rotates_its_rows_without_growing_the_scrollback) {
  screen_probe probe(12, 10, 500);
  screen_buffer& s = probe.screen();
  probe.feed(numbered_lines(0, 11));
  probe.feed("\x1b[6;11r\x1b[11;1H\n");
  EXPECT_EQ(s.line_count(), 12);
  EXPECT_EQ(probe.screen_text(), "0|1|2|3|4|6|7|8|9|10||11");
  EXPECT_EQ(s.line(s.cursor).length, 0);
}

TEST(screen_buffer, leaving_the_alternate_screen_restores_the_normal_screen_exactly) {
  struct alternate_case {
    const char* name;
    int lines_before;  // lines stored before entering
    const char* enter;
  };
  const alternate_case cases[] = {
      {"a few lines", 3, "\x1b[?1049h"},
      {"a full screen", 5, "\x1b[?1049h"},
      {"a ring nearly full", 497, "\x1b[?1049h"},
      {"a full ring", 600, "\x1b[?1049h"},
      {"entered twice", 40, "\x1b[?1049h\x1b[?1049h"},
      {"entered twice with a full ring", 600, "\x1b[?1049h\x1b[?1049h"},
  };
  for (const alternate_case& c : cases) {
    SCOPED_TRACE(c.name);
    screen_probe probe(5, 10, 500);
    screen_buffer& s = probe.screen();
    probe.feed(numbered_lines(1, c.lines_before) + "\x1b[3;4H");
    const std::string normal = probe.screen_text();
    const int count = s.line_count();
    const int last = s.last;
    const auto cursor = probe.cursor();

    probe.feed(c.enter);
    EXPECT_EQ(s.alternate_offset, 5);
    EXPECT_LE(s.line_count(), s.capacity);
    EXPECT_EQ(probe.cursor(), std::make_pair(0, 0));
    probe.feed("\x1b[2J\x1b[Hfull\r\nscreen\r\n1\r\n2\r\n3\r\n4\r\n5");
    EXPECT_EQ(probe.screen_text(), "1|2|3|4|5");

    probe.feed("\x1b[?1049l");
    EXPECT_EQ(s.alternate_offset, 0);
    EXPECT_EQ(probe.screen_text(), normal);
    EXPECT_EQ(probe.cursor(), cursor);
    EXPECT_EQ(s.last, last);
    // A full ring gave its oldest lines to the alternate screen; nothing else is lost.
    EXPECT_EQ(s.line_count(), std::min(count, s.capacity - 5));
    // The rows the alternate screen used are blank again once stored.
    probe.feed("\x1b[5;1H");
    EXPECT_EQ(probe.row_text(4), c.lines_before >= 5 ? normal.substr(normal.rfind('|') + 1) : "");
  }
}

// A full-screen program drawing every row of the alternate screen, as after a size change.
std::string full_screen_draw(int rows) {
  std::string text = "\x1b[H\x1b[2J";
  for (int r = 1; r <= rows; ++r) text += (r > 1 ? "\r\n~" : "~") + std::to_string(r);
  return text + "\x1b[2;3H";
}

// Every stored line, oldest first, joined with '|'.
std::string all_stored(screen_probe& probe) {
  std::string text;
  for (int i = 0; i < probe.screen().line_count(); ++i) text += (i ? "|" : "") + probe.stored_text(i);
  return text;
}

TEST(screen_buffer, a_resize_under_the_alternate_screen_leaves_the_normal_screen_as_a_resize_alone_does) {
  struct normal_case {
    const char* name;
    std::string lines;
  };
  const normal_case screens[] = {
      {"a cleared screen with two lines", "\x1b[H\x1b[2JMARK-1\r\nMARK-2\r\n$ vim"},
      {"scrollback with the cursor on the bottom row", numbered_lines(1, 30) + "\r\n$ vim"},
      {"scrollback cleared off the screen",
       numbered_lines(1, 30) + "\x1b[H\x1b[2JMARK-1\r\nMARK-2\r\n$ vim"},
      {"a cursor saved in the middle of a line", numbered_lines(1, 12) + "\x1b[4;6H"},
  };
  struct resize_case {
    const char* name;
    std::vector<int> rows;
  };
  const resize_case resizes[] = {
      {"grow", {14}},
      {"shrink", {6}},
      {"shrink past the cursor", {3}},
      {"grow then shrink", {14, 8}},
      {"shrink then grow", {4, 12}},
  };
  for (const normal_case& n : screens) {
    for (const resize_case& r : resizes) {
      SCOPED_TRACE(std::string(n.name) + ", " + r.name);
      screen_probe full(10, 20, 500);
      screen_probe alone(10, 20, 500);
      full.feed(n.lines);
      alone.feed(n.lines);
      full.feed("\x1b[?1049h" + full_screen_draw(10));
      for (int rows : r.rows) {
        full.core().resize(rows, 20);
        alone.core().resize(rows, 20);
        full.feed(full_screen_draw(rows));
        // The program's rows follow the normal screen's lines; none of them is drawn over.
        EXPECT_EQ(full.screen().alternate_offset, rows);
        EXPECT_EQ(full.screen().line_count(), alone.screen().line_count() + rows);
        EXPECT_EQ(full.row_text(0), "~1");
        EXPECT_EQ(full.row_text(rows - 1), "~" + std::to_string(rows));
        EXPECT_EQ(full.cursor(), std::make_pair(1, 2));
      }
      full.feed("\x1b[?1049l");
      EXPECT_EQ(full.screen().alternate_offset, 0);
      EXPECT_EQ(all_stored(full), all_stored(alone));
      EXPECT_EQ(full.screen_text(), alone.screen_text());
      EXPECT_EQ(full.cursor(), alone.cursor());
      // The next output lands where it would have without the program.
      full.feed("X\r\n$ ");
      alone.feed("X\r\n$ ");
      EXPECT_EQ(all_stored(full), all_stored(alone));
      EXPECT_EQ(full.cursor(), alone.cursor());
    }
  }
}

TEST(screen_buffer, leaving_an_alternate_screen_never_entered_only_restores_the_cursor) {
  screen_probe probe(5, 10, 500);
  probe.feed("ab\x1b" "7\r\ncd\x1b[?1049lX");
  EXPECT_EQ(probe.screen_text(), "abX|cd");
  EXPECT_EQ(probe.screen().line_count(), 2);
}

TEST(screen_buffer, set_capacity_keeps_the_newest_lines_and_follows_the_cursor) {
  screen_probe probe(5, 10, 1000);
  screen_buffer& s = probe.screen();
  probe.feed(numbered_lines(1, 1000));
  ASSERT_EQ(s.line_count(), 1000);
  probe.feed("\x1b[2;1H");
  s.set_capacity(500);
  EXPECT_EQ(s.capacity, 500);
  EXPECT_EQ(s.line_count(), 500);
  EXPECT_EQ(probe.stored_text(0), "501");
  EXPECT_EQ(probe.stored_text(499), "1000");
  EXPECT_EQ(probe.screen_text(), "996|997|998|999|1000");
  EXPECT_EQ(probe.cursor(), std::make_pair(1, 0));

  // A cursor line that is not kept goes to the newest line.
  {
    std::lock_guard lock(s.mutex);
    s.cursor = s.first;
  }
  s.set_capacity(300);
  EXPECT_EQ(s.cursor, s.last);
  EXPECT_EQ(probe.stored_text(0), "701");

  // Growing keeps every line.
  screen_probe grow(5, 10, 500);
  grow.feed(numbered_lines(1, 700));
  grow.screen().set_capacity(900);
  EXPECT_EQ(grow.screen().line_count(), 500);
  EXPECT_EQ(grow.stored_text(0), "201");
  EXPECT_EQ(grow.screen_text(), "696|697|698|699|700");
}

TEST(screen_buffer, the_ring_always_has_room_for_both_screens) {
  screen_probe probe(5, 10, 500);
  screen_buffer& s = probe.screen();
  s.set_capacity(4);
  EXPECT_EQ(s.capacity, 11);
  probe.core().resize(300, 80);
  EXPECT_EQ(s.capacity, 601);
  EXPECT_EQ(s.region_top, 0);
  EXPECT_EQ(s.region_bottom, 299);
  EXPECT_EQ(probe.core().view_rows, 300);
  EXPECT_EQ(probe.core().view_cols, 80);
}

TEST(screen_buffer, resize_keeps_lines_longer_than_the_new_width) {
  screen_probe probe(5, 20, 500);
  probe.feed("abcdefghijklmnop\x1b[2;5r");
  probe.core().resize(6, 10);
  EXPECT_EQ(probe.row_text(0), "abcdefghijklmnop");
  EXPECT_EQ(probe.screen().region_bottom, 5);
  probe.feed("\r\n0123456789A");
  EXPECT_EQ(probe.screen_text(), "abcdefghijklmnop|0123456789|A");
}

TEST(screen_buffer, clear_scrollback_leaves_one_blank_line_and_keeps_the_modes) {
  screen_probe probe(5, 10, 500);
  screen_buffer& s = probe.screen();
  probe.feed(numbered_lines(1, 50) + "\x1b[2;4r\x1b[31m\x1b[4h\x1b[?1049h");
  s.clear_scrollback();
  EXPECT_EQ(s.line_count(), 1);
  EXPECT_EQ(s.first, 0);
  EXPECT_EQ(s.last, 0);
  EXPECT_EQ(s.cursor, 0);
  EXPECT_EQ(s.region_top, 1);
  EXPECT_EQ(s.region_bottom, 3);
  EXPECT_EQ(s.attribute, cell_attribute::foreground(1));
  EXPECT_EQ(s.insert_mode, 1);
  EXPECT_EQ(probe.screen_text(), "");
  // Old text does not come back when rows are stored again, and leaving the alternate screen
  // afterwards keeps the count sound.
  probe.feed("\x1b[5;1H");
  EXPECT_EQ(probe.screen_text(), "");
  probe.feed("\x1b[?1049l");
  EXPECT_GE(s.line_count(), 1);
  EXPECT_LE(s.line_count(), 5);
}

TEST(screen_buffer, a_cursor_past_the_stored_lines_stores_its_row_when_it_writes) {
  screen_probe probe(5, 10, 500);
  screen_buffer& s = probe.screen();
  probe.feed("a\x1b[3B");
  EXPECT_EQ(s.line_count(), 1);
  EXPECT_EQ(probe.cursor(), std::make_pair(3, 1));
  probe.feed("b");
  EXPECT_EQ(s.line_count(), 4);
  EXPECT_EQ(probe.screen_text(), "a||| b");
  // A restored cursor past the lines, then a line feed, appends after it.
  probe.feed("\x1b[5;1H\x1b" "7\x1b[H\x1b[2J");
  s.clear_scrollback();
  probe.feed("\x1b" "8\nz");
  EXPECT_EQ(probe.cursor().first, 4);
  EXPECT_EQ(probe.row_text(4), "z");
}

// The selection names ring slots; anything that moves lines between slots must drop it.
TEST(screen_buffer, operations_that_move_lines_drop_the_selection) {
  struct move_case {
    const char* name;
    const char* bytes;
    bool clears;
  };
  const move_case cases[] = {
      {"a region scroll", "\x1b[2;4r\x1b[4;1H\n", true},
      {"insert lines", "\x1b[2;1H\x1b[L", true},
      {"delete lines", "\x1b[2;1H\x1b[M", true},
      {"reverse index on the top row", "\x1b[H\x1bM", true},
      {"the alternate screen", "\x1b[?1049h", true},
      {"a line feed that appends", "\x1b[5;1H\n", false},
      {"text and erasing elsewhere", "\x1b[5;1Hxyz\x1b[K", false},
  };
  for (const move_case& c : cases) {
    SCOPED_TRACE(c.name);
    screen_probe probe(5, 10, 500);
    screen_buffer& s = probe.screen();
    probe.feed(numbered_lines(1, 5));
    s.select_range(0, 0, 2, -1);
    ASSERT_EQ(s.selected_lines.size(), 3u);
    probe.feed(c.bytes);
    EXPECT_EQ(s.selected_lines.empty(), c.clears);
    if (c.clears) {
      for (const auto& line : s.lines) {
        if (!line) continue;
        for (int32_t k = 0; k < line->length; ++k)
          EXPECT_EQ(line->attrs[k] & cell_attribute::selected, 0u);
      }
    }
  }
}

TEST(screen_buffer, reusing_a_selected_slot_drops_the_selection_and_capacity_changes_too) {
  screen_probe probe(5, 10, 11);
  screen_buffer& s = probe.screen();
  probe.feed(numbered_lines(1, 11));
  s.select_range(2, 0, 2, -1);
  probe.feed("\r\n12");
  EXPECT_FALSE(s.selected_lines.empty());
  probe.feed("\r\n13");
  EXPECT_FALSE(s.selected_lines.empty());
  // The third-oldest line now leaves the ring.
  probe.feed("\r\n14");
  EXPECT_TRUE(s.selected_lines.empty());

  s.select_range(0, 0, 3, -1);
  s.set_capacity(20);
  EXPECT_TRUE(s.selected_lines.empty());
  s.select_range(0, 0, 3, -1);
  s.clear_scrollback();
  EXPECT_TRUE(s.selected_lines.empty());
}

TEST(screen_buffer, logs_each_line_the_cursor_leaves) {
  test_support::temp_folder folder;
  const std::string path = folder.file("session.log");
  std::shared_ptr<log_file> log = log_file::open(path);
  ASSERT_TRUE(log);
  screen_probe probe(5, 10, 500);
  {
    std::lock_guard lock(probe.screen().mutex);
    probe.screen().log_file = log;
  }
  probe.feed("one\r\ntwo\x1b" "Ethree\n0123456789wrapped\x1b[Hover\r\nstill here");
  {
    std::lock_guard lock(probe.screen().mutex);
    probe.screen().log_file.reset();
  }
  log_writer::instance().close_file(log);
  std::string text;
  ASSERT_TRUE(platform::read_file(path, text));
  EXPECT_EQ(text, "one\r\ntwo\r\nthree\r\n     01234\r\n56789wrapp\r\nover\r\n");
}

}  // namespace
