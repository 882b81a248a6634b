#pragma once
// The character grid of one terminal screen together with its scrollback, kept as a ring of
// line slots.
//
// The screen is not a separate array: it is always the newest `rows` positions of the ring, so a
// line feed at the bottom appends a line and pushes the top screen line into the scrollback
// without copying text; when the ring is full the oldest line object is reused. Region scrolls
// and line insertion or deletion swap line pointers only.
//
// All slot arithmetic is modulo `capacity`. The stored lines are the slots from `first` forward
// to `last` (at least one). The screen top is `first` while no more than `rows` lines are
// stored, else last - rows + 1; screen rows below `last` are slots not yet stored. A slot whose
// line is null gets a blank line the first time it is touched. Lines that stop being stored
// (behind a cursor moved back, after the alternate screen, after clearing the scrollback) are
// blanked, so a slot that becomes stored again shows no stale text.
//
// Concurrency: `mutex` guards everything. The connection's worker holds it for a whole received
// block while the parser calls the cursor and editing operations, which take no lock; the
// GUI thread holds it to draw, resize, select and find. set_capacity, clear_scrollback and the
// selection and search operations take it themselves; it is re-entrant. With it held the buffer
// may take the log writer's lock (finished lines) and the parser the send queue's (replies);
// nothing takes it while holding one of those.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/cell_attribute.h"
#include "terminal/screen_line.h"

class log_file;

class screen_buffer {
 public:
  enum direction : int { left = 0, right = 1, up = 2, down = 3 };

  static constexpr int default_rows = 25;
  static constexpr int default_cols = 80;
  static constexpr int default_capacity = 500;

  screen_buffer();
  ~screen_buffer();
  screen_buffer(const screen_buffer&) = delete;
  screen_buffer& operator=(const screen_buffer&) = delete;

  std::recursive_mutex mutex;
  int32_t rows = default_rows;
  int32_t cols = default_cols;
  // Saved cursor, row relative to the screen top.
  int32_t saved_row = 0;
  int32_t saved_col = 0;
  // Ring slots of the newest stored line, the oldest stored line and the cursor line.
  int32_t last = 0;
  int32_t first = 0;
  int32_t cursor = 0;
  // The ring: `capacity` slots, null until first touched.
  std::vector<std::unique_ptr<screen_line>> lines;
  int32_t capacity = default_capacity;
  // The scroll region, rows relative to the screen top, inclusive.
  int32_t region_top = 0;
  int32_t region_bottom = default_rows - 1;
  // Rows added to `last` while the alternate screen is on (0 when off).
  int32_t alternate_offset = 0;
  // Written directly by the parser.
  int32_t insert_mode = 0;
  int32_t autowrap = 1;
  uint32_t attribute = 0;
  // Ring slots holding selected cells, in selection order.
  std::vector<int32_t> selected_lines;
  // The session log, set and cleared by the view; finished lines go to it.
  std::shared_ptr<::log_file> log_file;

  // --- Ring geometry ---
  int32_t line_count() const {
    int32_t span = last - first;
    return (span < 0 ? span + capacity : span) + 1;
  }
  int32_t screen_top() const { return top_with_last(last); }
  // The screen top there would be with `slot` as the newest stored line.
  int32_t top_with_last(int32_t slot) const {
    return wrap(slot - first) < rows ? first : wrap(slot - rows + 1);
  }
  int32_t screen_bottom() const { return wrap(screen_top() + rows - 1); }
  // Any slot number brought into 0 .. capacity - 1.
  int32_t wrap(int64_t slot) const {
    if (slot >= capacity) {
      slot -= capacity;
      if (slot >= capacity) slot %= capacity;
    } else if (slot < 0) {
      slot += capacity;
      if (slot < 0) slot = (slot % capacity + capacity) % capacity;
    }
    return static_cast<int32_t>(slot);
  }
  // The row of `slot` counted from the screen top (forward around the ring).
  int32_t row_of(int32_t slot) const { return wrap(slot - screen_top()); }
  // True when the slot lies from the region's top row through its bottom row.
  bool in_scroll_region(int32_t slot) const;
  // True when the slot is one of the stored lines (first through last).
  bool is_stored(int32_t slot) const { return wrap(slot - first) <= wrap(last - first); }
  // The line in `slot`, made blank first when the slot has none.
  screen_line& line(int32_t slot) {
    std::unique_ptr<screen_line>& held = lines[slot];
    return held ? *held : new_line(slot);
  }
  screen_line& cursor_line() { return line(cursor); }

  // --- Cursor and writing (the caller holds the mutex) ---
  // Writes one character at the cursor, wrapping at the right margin when autowrap is on.
  void put_char(char16_t c);
  // The same for a run of printable ASCII bytes or of UTF-16 units, cell by cell as put_char
  // would, but a screen row at a time. `readable` (at least n) bytes may be read from text,
  // which lets short runs be copied sixteen cells at once.
  void put_ascii(const char* text, size_t n, size_t readable = 0);
  void put_units(const char16_t* text, size_t n);
  // LF and ESC D: next_line keeping the cursor column.
  void line_feed();
  // ESC E and wrapping: column 0 of the next line, scrolling at the region's bottom row.
  void next_line();
  // ESC M: one line up, scrolling down at the region's top row.
  void reverse_index();
  void carriage_return();
  // Tab stops are fixed at every eighth column.
  void tab_forward(int n);
  void back_tab(int n);
  void move_cursor(direction d, int n);
  // row < 0 keeps the row, col < 0 keeps the column; a row past the stored lines stores it.
  void set_cursor(int row, int col);
  void get_cursor(int& row, int& col);
  void save_cursor();
  void restore_cursor();

  // --- Editing (the caller holds the mutex) ---
  void erase_display(int mode);
  void erase_line(int mode);
  void insert_chars(int n);
  void delete_chars(int n);
  void erase_chars(int n);
  void insert_lines(int n);
  void delete_lines(int n);
  void switch_alternate_screen(bool on);

  // --- Whole-buffer operations ---
  // The view's resize, with the mutex held: new rows and columns, the scroll region the whole
  // screen. Lines are not re-wrapped and the cursor slot stays. The alternate screen, when on,
  // keeps to the slots after the normal screen and takes the new row count, so that leaving it
  // brings back the normal screen and its cursor as they were.
  void resize(int new_rows, int new_cols);
  // Keeps the newest lines that fit in `lines` slots; takes the mutex itself.
  void set_capacity(int n);
  // Drops every stored line but a blank one at slot 0 with the cursor on it; modes, region and
  // attribute stay. Takes the mutex itself.
  void clear_scrollback();
  // Hands the line in `slot` to the session log when one is attached.
  void log_line(int32_t slot);
  // Detaches the session log (logging stops, or the session closes), first handing it the line
  // under the cursor, which the cursor has not left yet (a prompt, a partial line), when that
  // holds text: so the log ends with what the user last saw. It gets no line end: none came.
  // Call it with the mutex held.
  void detach_log();

  // --- Selection and search (each takes the mutex itself) ---
  // Clears the selected bit in the used cells of every listed line and empties the list; true
  // when the list was not empty.
  bool clear_selection();
  // Rows count from `first` (0 = the oldest stored line); col2 < 0 means the end of the line.
  void select_range(int row1, int col1, int row2, int col2);
  bool get_selected_text(std::u16string& out);
  // row is a ring slot, col an offset in the logical line holding it; -1 means no previous
  // match. Both are updated to continue the search after a match.
  bool find_text(std::u16string_view needle, bool backward, bool whole_word, bool case_sensitive,
                 int& row, int& col);
  // The logical line (a line and the lines it wrapped into) holding `slot`; backward mode first
  // walks back to its first line. Returns the number of lines; `lengths` gets each line's length.
  int get_logical_line(bool backward, int32_t slot, std::u16string& text,
                       std::vector<int32_t>& lengths);

  // clear_selection without taking the mutex: every operation that moves lines between slots
  // calls it, because the list names slots and cannot follow a moved line.
  bool unmark_selection();

 private:
  // Hands the text of the line in `slot`, followed by `line_end`, to the session log when one is
  // attached.
  void log_text(int32_t slot, std::string_view line_end);
  // A cursor standing more than a screen away from `last` (past the stored lines, or left in
  // the scrollback by a smaller screen) makes its slot the newest stored line.
  void take_cursor_as_last() {
    if (wrap(last - cursor) > rows - 1) cursor_to_last();
  }
  void cursor_to_last();
  // After a resize with the alternate screen on: `rows` slots right after the normal screen's
  // last line, the cursor on `cursor_row` (or the bottom row), and the saved cursor `saved_back`
  // rows before the normal screen's last line.
  void fit_alternate_screen(int32_t cursor_row, int32_t saved_back);
  screen_line& new_line(int32_t slot);
  // Puts the cursor on another slot, its column set from `col`. The line left loses a pending
  // wrap, so no line keeps one that its next cursor visit would act on.
  void move_cursor_to(int32_t slot, int32_t col);
  // The cursor's column and pending wrap, carried when lines move under a cursor that stays.
  struct cursor_state {
    int32_t col;
    int32_t wrap_pending;
  };
  cursor_state leave_cursor_line();
  void enter_cursor_line(cursor_state state);
  // Appends a line after `last` (the oldest line leaves when the ring is full) and returns it.
  int32_t append_line();
  // Moves the lines of rows [top_row, bottom_row] one or more rows: up drops the top line(s),
  // down the bottom one(s); the lines coming in are blank.
  void rotate_rows(int32_t top_row, int32_t bottom_row, int32_t n, bool up);
  // The last stored row counted from the screen top.
  int32_t last_row() const { return row_of(last); }
  // Drops the selection when it lists `slot`.
  void forget_selection_of(int32_t slot);
  // Resets the lines of the slots [from, from + n) that are not stored.
  void reset_unstored(int32_t from, int32_t n);
  void rebuild_ring(int n);
  template <class Unit>
  void put_run(const Unit* text, size_t n, size_t readable);
};

inline void screen_line::set_column(int32_t c) {
  int32_t last_col = owner->cols - 1;
  cursor_col = c < last_col ? c : last_col;
  if (cursor_col != last_col) wrap_pending = 0;
}
