#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "terminal/screen_buffer.h"
#include "terminal/screen_line.h"

namespace {

std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// Stores `texts` as the lines of the ring from `first_slot` on; a text ending in '\' wraps into
// the next line (its continues flag), the '\' itself is not stored.
void store_lines(screen_buffer& screen, const std::vector<std::u16string>& texts,
                 int32_t first_slot = 0) {
  screen.first = first_slot;
  screen.last = screen.wrap(int64_t(first_slot) + texts.size() - 1);
  screen.cursor = screen.last;
  for (size_t i = 0; i < texts.size(); ++i) {
    std::u16string text = texts[i];
    const bool continues = !text.empty() && text.back() == u'\\';
    if (continues) text.pop_back();
    screen_line& line = screen.line(screen.wrap(int64_t(first_slot) + i));
    line.reset();
    line.reserve(static_cast<int32_t>(text.size()));
    for (size_t k = 0; k < text.size(); ++k) line.put(static_cast<int32_t>(k), text[k], 0);
    line.continues = continues;
  }
}

// Every cell of every line that carries the selected bit, as "slot:col" items.
std::vector<std::string> marked_cells(screen_buffer& screen) {
  std::vector<std::string> cells;
  for (int32_t slot = 0; slot < screen.capacity; ++slot) {
    if (!screen.lines[slot]) continue;
    const auto& attrs = screen.lines[slot]->attrs;
    for (size_t k = 0; k < attrs.size(); ++k)
      if (attrs[k] & cell_attribute::selected)
        cells.push_back(std::to_string(slot) + ":" + std::to_string(k));
  }
  return cells;
}

std::string selected_text(screen_buffer& screen) {
  std::u16string text;
  if (!screen.get_selected_text(text)) return "<none>";
  return narrow(text);
}

struct range_case {
  const char* what;
  int row1, col1, row2, col2;
  std::string text;
  size_t listed;
};

TEST(select_range, marks_cells_and_lists_lines_row_by_row) {
  const std::vector<std::u16string> lines = {u"alpha beta", u"", u"gamma", u"wrapped-\\", u"tail"};
  const range_case cases[] = {
      {"one line", 0, 2, 0, 4, "pha", 1},
      {"one line to its end", 0, 6, 0, -1, "beta", 1},
      {"col1 past col2 marks nothing but lists", 0, 5, 0, 3, "", 1},
      {"col2 past the length stops at the end", 2, 3, 2, 40, "ma", 1},
      {"first, middle and last lines", 0, 6, 2, 1, "beta\n\nga", 3},
      {"a start past the first line's end marks nothing there", 0, 30, 2, -1, "\n\ngamma", 3},
      {"a wrapped line joins without a line break", 3, 0, 4, -1, "wrapped-tail", 2},
      {"reversed rows are put in order", 2, 1, 0, 6, "beta\n\nga", 3},
      {"rows past the newest line end at it", 3, 3, 40, 2, "pped-tail", 2},
      {"a start past the newest line selects nothing", 5, 0, 9, 4, "<none>", 0},
      {"a start above the oldest line begins at it", -3, 4, 0, 4, "alpha", 1},
  };
  for (const auto& c : cases) {
    screen_buffer screen;
    store_lines(screen, lines);
    screen.select_range(c.row1, c.col1, c.row2, c.col2);
    EXPECT_EQ(selected_text(screen), c.text) << c.what;
    EXPECT_EQ(screen.selected_lines.size(), c.listed) << c.what;
  }
}

TEST(select_range, counts_rows_from_the_oldest_line_across_the_ring_end) {
  screen_buffer screen;
  screen.set_capacity(600);
  store_lines(screen, {u"one", u"two", u"three", u"four"}, 598);
  screen.select_range(1, 1, 2, 2);
  EXPECT_EQ(selected_text(screen), "wo\nthr");
  EXPECT_EQ(screen.selected_lines, (std::vector<int32_t>{599, 0}));
}

TEST(clear_selection, clears_exactly_the_listed_lines_once) {
  screen_buffer screen;
  store_lines(screen, {u"abc", u"def", u"ghi", u"jkl"});
  screen.select_range(0, 1, 2, 1);
  EXPECT_EQ(marked_cells(screen).size(), 2u + 3u + 2u);
  EXPECT_TRUE(screen.clear_selection());
  EXPECT_TRUE(marked_cells(screen).empty());
  EXPECT_TRUE(screen.selected_lines.empty());
  EXPECT_FALSE(screen.clear_selection());
  EXPECT_EQ(selected_text(screen), "<none>");

  // A new selection replaces the old one.
  screen.select_range(0, 0, 0, 0);
  screen.select_range(3, 0, 3, 1);
  EXPECT_EQ(selected_text(screen), "jk");
  EXPECT_EQ(marked_cells(screen), (std::vector<std::string>{"3:0", "3:1"}));
}

TEST(clear_selection, also_clears_marks_on_a_line_that_has_shrunk) {
  screen_buffer screen;
  store_lines(screen, {u"abcdef"});
  screen.select_range(0, 2, 0, 5);
  screen.line(0).length = 3;
  EXPECT_TRUE(screen.clear_selection());
  EXPECT_TRUE(marked_cells(screen).empty());
}

struct bounds_case {
  std::u16string text;
  int col, mode;
  bool found;
  int start, end;
};

TEST(word_bounds, takes_words_runs_and_whole_lines) {
  const bounds_case cases[] = {
      {u"foo--bar", 3, 0, true, 3, 4},
      {u"foo--bar", 3, 1, true, 0, 7},
      {u"foo--bar", 3, 2, true, 0, 7},
      {u"foo--bar", 1, 0, true, 0, 2},
      {u"foo--bar", 7, 0, true, 5, 7},
      {u"ab_9.x", 2, 0, true, 0, 3},
      {u"ab_9.x", 4, 0, true, 4, 4},
      {u"x   y", 2, 0, true, 1, 3},
      {u"x   y", 2, 1, true, 1, 3},
      {u"ls -la /tmp", 4, 1, true, 3, 5},
      {u"ls -la /tmp", 4, 0, true, 4, 5},
      {u"a\tb", 1, 1, true, 1, 1},
      {u"====", 0, 0, true, 0, 3},
      {u"abc", 3, 0, false, -1, -1},
      {u"abc", -1, 1, false, -1, -1},
      {u"", 0, 2, false, -1, -1},
  };
  for (const auto& c : cases) {
    screen_buffer screen;
    store_lines(screen, {c.text});
    int start = -1, end = -1;
    EXPECT_EQ(screen.line(0).word_bounds(c.col, start, end, c.mode), c.found)
        << narrow(c.text) << " col " << c.col << " mode " << c.mode;
    if (!c.found) continue;
    EXPECT_EQ(start, c.start) << narrow(c.text) << " col " << c.col << " mode " << c.mode;
    EXPECT_EQ(end, c.end) << narrow(c.text) << " col " << c.col << " mode " << c.mode;
  }
}

TEST(get_logical_line, joins_wrapped_lines_and_walks_back_to_the_first) {
  screen_buffer screen;
  store_lines(screen, {u"ab\\", u"cd\\", u"ef", u"gh"});
  std::u16string text;
  std::vector<int32_t> lengths;
  EXPECT_EQ(screen.get_logical_line(true, 1, text, lengths), 3);
  EXPECT_EQ(narrow(text), "abcdef");
  EXPECT_EQ(lengths, (std::vector<int32_t>{2, 2, 2}));
  EXPECT_EQ(screen.get_logical_line(false, 1, text, lengths), 2);
  EXPECT_EQ(narrow(text), "cdef");
  EXPECT_EQ(screen.get_logical_line(true, 3, text, lengths), 1);
  EXPECT_EQ(narrow(text), "gh");

  // A zero unit ends a line's text.
  screen.line(3).put(1, 0, 0);
  EXPECT_EQ(screen.get_logical_line(true, 3, text, lengths), 1);
  EXPECT_EQ(narrow(text), "g");
  EXPECT_EQ(lengths, (std::vector<int32_t>{1}));
}

TEST(get_logical_line, stops_at_the_stored_lines) {
  screen_buffer screen;
  // The slot before the oldest line still says it continues: it is no stored line.
  store_lines(screen, {u"old\\", u"ab\\", u"cd\\"});
  screen.first = 1;
  std::u16string text;
  std::vector<int32_t> lengths;
  EXPECT_EQ(screen.get_logical_line(true, 2, text, lengths), 2);
  EXPECT_EQ(narrow(text), "abcd");
  EXPECT_EQ(screen.get_logical_line(true, 0, text, lengths), 0);
}

// One step of a search and what it should give.
struct find_step {
  bool backward;
  bool found;
  std::string selected;
  int row, col;
};

void run_steps(screen_buffer& screen, std::u16string_view needle, const std::vector<find_step>& steps,
               bool whole_word = false, bool case_sensitive = true) {
  int row = -1, col = -1;
  for (size_t i = 0; i < steps.size(); ++i) {
    const auto& s = steps[i];
    EXPECT_EQ(screen.find_text(needle, s.backward, whole_word, case_sensitive, row, col), s.found)
        << "step " << i;
    if (!s.found) continue;
    EXPECT_EQ(selected_text(screen), s.selected) << "step " << i;
    EXPECT_EQ(row, s.row) << "step " << i;
    EXPECT_EQ(col, s.col) << "step " << i;
  }
}

TEST(find_text, walks_forward_and_wraps_from_the_newest_line_to_the_oldest) {
  screen_buffer screen;
  screen.resize(3, 20);
  store_lines(screen, {u"cat one", u"two cat", u"x", u"cat three", u"four"});
  // Forward from nothing starts at the screen top (slot 2, the third of the last three lines).
  run_steps(screen, u"cat", {
      {false, true, "cat", 3, 3},
      {false, true, "cat", 0, 3},
      {false, true, "cat", 1, 7},
      {false, true, "cat", 3, 3},
  });
}

TEST(find_text, walks_backward_and_wraps_from_the_oldest_line_to_the_newest) {
  screen_buffer screen;
  screen.resize(3, 20);
  store_lines(screen, {u"cat one", u"two cat", u"x", u"cat three", u"four"});
  run_steps(screen, u"cat", {
      {true, true, "cat", 2, -1},   // at the start of slot 3: the position moves to the slot before
      {true, true, "cat", 1, 3},
      // At the start of the oldest line: the slot before it is no stored line, and the next
      // search goes on from the newest.
      {true, true, "cat", 499, -1},
      {true, true, "cat", 2, -1},
  });
}

TEST(find_text, finds_the_only_match_again_after_a_full_round) {
  for (const bool backward : {false, true}) {
    screen_buffer screen;
    store_lines(screen, {u"needle here", u"nothing", u"more"});
    int row = -1, col = -1;
    for (int round = 0; round < 3; ++round) {
      ASSERT_TRUE(screen.find_text(u"needle", backward, false, true, row, col))
          << "backward " << backward << " round " << round;
      EXPECT_EQ(selected_text(screen), "needle");
    }
  }
}

TEST(find_text, refuses_an_empty_needle_and_leaves_everything_as_it_was) {
  screen_buffer screen;
  store_lines(screen, {u"abc"});
  screen.select_range(0, 0, 0, 1);
  int row = 0, col = 2;
  EXPECT_FALSE(screen.find_text(u"", false, false, true, row, col));
  EXPECT_FALSE(screen.find_text(u"", true, true, false, row, col));
  EXPECT_EQ(row, 0);
  EXPECT_EQ(col, 2);
  EXPECT_EQ(selected_text(screen), "ab");
}

TEST(find_text, gives_up_after_one_round_when_nothing_matches) {
  // All stored lines form one logical line, the slot before the oldest also claims to continue,
  // and the ring is full: every walk must still end.
  screen_buffer screen;
  std::vector<std::u16string> lines(screen.capacity, u"abcdefgh\\");
  store_lines(screen, lines, 7);
  screen.first = 7;
  screen.last = 6;
  for (const bool backward : {false, true}) {
    for (const int start_col : {-1, 0, 40}) {
      int row = 10, col = start_col;
      EXPECT_FALSE(screen.find_text(u"zz", backward, false, true, row, col));
      EXPECT_FALSE(screen.find_text(u"ha", backward, true, true, row, col));
    }
  }
  int row = -1, col = -1;
  EXPECT_TRUE(screen.find_text(u"ha", false, false, true, row, col));
}

TEST(find_text, follows_matches_across_wrapped_lines) {
  screen_buffer screen;
  store_lines(screen, {u"xxab\\", u"cdxxab\\", u"cd", u"abcd"});
  run_steps(screen, u"abcd", {
      {false, true, "abcd", 1, 6},    // ends on the continuation line at slot 1
      {false, true, "abcd", 2, 12},   // continues right after it, also on a continuation line
      {false, true, "abcd", 3, 4},
      {false, true, "abcd", 1, 6},
  });
  // The first match's cells lie on two lines.
  int row = -1, col = -1;
  ASSERT_TRUE(screen.find_text(u"abcd", false, false, true, row, col));
  EXPECT_EQ(screen.selected_lines, (std::vector<int32_t>{0, 1}));

  run_steps(screen, u"abcd", {
      {true, true, "abcd", 2, -1},
      {true, true, "abcd", 1, 7},
      {true, true, "abcd", 0, 1},
      {true, true, "abcd", 2, -1},
  });
}

TEST(find_text, folds_only_ascii_letters_without_case_sensitivity) {
  screen_buffer screen;
  store_lines(screen, {u"FOO", u"\u00c9t\u00e9 foo"});
  run_steps(screen, u"Foo", {
      {false, true, "FOO", 0, 3},
      {false, true, "foo", 1, 7},
  }, false, false);
  run_steps(screen, u"Foo", {{false, false, "", 0, 0}}, false, true);
  // Accented capitals do not fold.
  run_steps(screen, u"\u00e9T\u00c9", {{false, false, "", 0, 0}}, false, false);
}

TEST(find_text, whole_words_are_bounded_by_spaces_tabs_or_the_line_ends) {
  struct word_case {
    std::u16string line;
    bool found;
    std::string selected_line_text;
  };
  const word_case cases[] = {
      {u"foobar", false, ""},
      {u"foo_bar", false, ""},
      {u"barfoo", false, ""},
      {u"foo", true, "foo"},
      {u"x foo\ty", true, "foo"},
      {u"foo-bar", false, ""},
      {u"foofoo foo", true, "foo"},
  };
  for (const auto& c : cases) {
    screen_buffer screen;
    store_lines(screen, {c.line});
    for (const bool backward : {false, true}) {
      int row = -1, col = -1;
      EXPECT_EQ(screen.find_text(u"foo", backward, true, true, row, col), c.found)
          << narrow(c.line) << " backward " << backward;
      if (c.found) {
        EXPECT_EQ(selected_text(screen), c.selected_line_text);
      }
    }
  }
  screen_buffer screen;
  store_lines(screen, {u"foofoo foo"});
  int row = -1, col = -1;
  ASSERT_TRUE(screen.find_text(u"foo", false, true, true, row, col));
  EXPECT_EQ(col, 10);
  EXPECT_EQ(marked_cells(screen), (std::vector<std::string>{"0:7", "0:8", "0:9"}));
}

TEST(find_text, a_backward_search_on_a_part_filled_screen_starts_at_the_newest_line) {
  screen_buffer screen;  // 25 rows, only three lines stored
  store_lines(screen, {u"hit one", u"miss", u"hit two"});
  int row = -1, col = -1;
  ASSERT_TRUE(screen.find_text(u"hit", true, false, true, row, col));
  EXPECT_EQ(screen.selected_lines, (std::vector<int32_t>{2}));
}

TEST(find_text, works_across_the_end_of_the_ring) {
  screen_buffer screen;
  screen.set_capacity(600);
  store_lines(screen, {u"ab\\", u"cd", u"x abcd"}, 599);
  run_steps(screen, u"bc", {
      {false, true, "bc", 0, 3},
      {false, true, "bc", 1, 5},
      {false, true, "bc", 0, 3},
  });
  run_steps(screen, u"bc", {
      {true, true, "bc", 1, 2},
      {true, true, "bc", 599, 0},
      {true, true, "bc", 1, 2},
  });
}

// Operations that move lines between ring slots: a selection that names slots cannot follow
// them, so each drops it.
struct moving_case {
  const char* what;
  std::function<void(screen_buffer&)> operation;
};

TEST(selection, is_dropped_by_every_operation_that_moves_lines) {
  const moving_case cases[] = {
      {"insert lines", [](screen_buffer& s) { s.insert_lines(1); }},
      {"delete lines", [](screen_buffer& s) { s.delete_lines(1); }},
      {"region rotation by a line feed",
       [](screen_buffer& s) {
         s.region_top = 0;
         s.region_bottom = 2;
         s.set_cursor(2, 0);
         s.line_feed();
       }},
      {"region rotation by a reverse index",
       [](screen_buffer& s) {
         s.set_cursor(0, 0);
         s.reverse_index();
       }},
      {"ring reuse by a line feed at the bottom",
       [](screen_buffer& s) {
         s.set_cursor(s.rows - 1, 0);
         for (int i = 0; i < s.capacity; ++i) s.line_feed();
       }},
      {"set capacity", [](screen_buffer& s) { s.set_capacity(700); }},
      {"clear scrollback", [](screen_buffer& s) { s.clear_scrollback(); }},
  };
  for (const auto& c : cases) {
    screen_buffer screen;
    screen.resize(5, 20);
    store_lines(screen, {u"one", u"two", u"three", u"four", u"five"});
    screen.cursor = screen.first;
    screen.select_range(0, 0, 4, -1);
    ASSERT_FALSE(marked_cells(screen).empty()) << c.what;
    {
      std::lock_guard lock(screen.mutex);
      c.operation(screen);
    }
    EXPECT_TRUE(screen.selected_lines.empty()) << c.what;
    EXPECT_TRUE(marked_cells(screen).empty()) << c.what;
    EXPECT_EQ(selected_text(screen), "<none>") << c.what;
  }
}

TEST(selection, survives_a_line_feed_that_only_appends) {
  screen_buffer screen;
  screen.resize(5, 20);
  store_lines(screen, {u"one", u"two", u"three", u"four", u"five"});
  screen.select_range(1, 0, 2, -1);
  {
    std::lock_guard lock(screen.mutex);
    screen.set_cursor(4, 0);
    screen.line_feed();
    screen.line_feed();
  }
  EXPECT_EQ(selected_text(screen), "two\nthree");
}

}  // namespace
