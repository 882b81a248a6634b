#include "terminal/screen_buffer.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>

#include "config/text_convert.h"
#include "terminal/log_writer.h"

screen_buffer::screen_buffer() : lines(default_capacity) {}

screen_buffer::~screen_buffer() = default;

screen_line& screen_buffer::new_line(int32_t slot) {
  lines[slot] = std::make_unique<screen_line>(this);
  return *lines[slot];
}

bool screen_buffer::in_scroll_region(int32_t slot) const {
  int32_t row = row_of(slot);
  return row >= region_top && row <= region_bottom;
}

// --- Internal ring moves ---

void screen_buffer::cursor_to_last() {
  if (is_stored(cursor)) {
    // The lines after the cursor stop being stored: blank them, so that no stale text shows
    // when their slots are stored again.
    unmark_selection();
    for (int32_t slot = wrap(cursor + 1); slot != wrap(last + 1); slot = wrap(slot + 1))
      if (lines[slot]) lines[slot]->reset();
  }
  last = cursor;
}

void screen_buffer::move_cursor_to(int32_t slot, int32_t col) {
  if (slot != cursor) cursor_line().wrap_pending = 0;
  cursor = slot;
  line(cursor).set_column(col);
}

int32_t screen_buffer::append_line() {
  last = wrap(last + 1);
  if (last == first) {
    // The ring is full: the oldest line leaves the scrollback and its object is reused.
    forget_selection_of(first);
    first = wrap(first + 1);
  }
  line(last).reset();
  return last;
}

void screen_buffer::forget_selection_of(int32_t slot) {
  if (selected_lines.empty()) return;
  if (std::find(selected_lines.begin(), selected_lines.end(), slot) != selected_lines.end())
    unmark_selection();
}

void screen_buffer::reset_unstored(int32_t from, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    int32_t slot = wrap(from + i);
    if (!is_stored(slot) && lines[slot]) lines[slot]->reset();
  }
}

screen_buffer::cursor_state screen_buffer::leave_cursor_line() {
  screen_line& l = cursor_line();
  cursor_state state{l.cursor_col, l.wrap_pending};
  l.wrap_pending = 0;
  return state;
}

void screen_buffer::enter_cursor_line(cursor_state state) {
  screen_line& l = cursor_line();
  l.cursor_col = state.col;
  l.wrap_pending = state.wrap_pending;
}

void screen_buffer::rotate_rows(int32_t top_row, int32_t bottom_row, int32_t n, bool up) {
  int32_t k = bottom_row - top_row + 1;
  if (k <= 0 || n <= 0) return;
  n = std::min(n, k);
  unmark_selection();
  int32_t base = wrap(screen_top() + top_row);
  auto reverse = [&](int32_t from, int32_t to) {
    for (; from < to; ++from, --to) lines[wrap(base + from)].swap(lines[wrap(base + to)]);
  };
  // Rotation by three reversals: up brings row n to the top, down brings row k - n there.
  int32_t split = up ? n : k - n;
  reverse(0, split - 1);
  reverse(split, k - 1);
  reverse(0, k - 1);
  int32_t blank_from = up ? k - n : 0;
  for (int32_t i = 0; i < n; ++i) {
    std::unique_ptr<screen_line>& held = lines[wrap(base + blank_from + i)];
    if (held) held->reset();
  }
}

// --- Cursor and writing ---

void screen_buffer::put_char(char16_t c) {
  take_cursor_as_last();
  screen_line* l = &cursor_line();
  int32_t last_col = cols - 1;
  if (insert_mode) {
    l->insert_blanks(1);
    int32_t k = l->cursor_col;
    l->reserve(k);
    l->put(k, c, attribute);
    l->cursor_col = std::min(k + 1, last_col);
    return;
  }
  if (l->cursor_col >= last_col) {
    if (autowrap && l->wrap_pending) {
      l->wrap_pending = 0;
      l->continues = 1;
      next_line();
      l = &cursor_line();
      if (l->cursor_col >= last_col) l->wrap_pending = 1;
    } else {
      l->wrap_pending = 1;
    }
  }
  int32_t k = l->cursor_col;
  l->reserve(k);
  l->put(k, c, attribute);
  if (k < last_col) {
    l->cursor_col = k + 1;
    l->wrap_pending = 0;
  }
}

template <class Unit>
void screen_buffer::put_run(const Unit* text, size_t n, size_t readable) {
  using unit = std::make_unsigned_t<Unit>;
  if (insert_mode) {
    for (size_t i = 0; i < n; ++i) put_char(static_cast<unit>(text[i]));
    return;
  }
  int32_t last_col = cols - 1;
  while (n > 0) {
    take_cursor_as_last();
    screen_line& l = cursor_line();
    int32_t k = l.cursor_col;
    if (k >= last_col) {
      // The last column and wrapping take the general road, one character.
      put_char(static_cast<unit>(*text));
      ++text;
      --n;
      if (readable > 0) --readable;
      continue;
    }
    // Cells k .. last_col - 1 take one character each, the cursor advancing over them.
    int32_t m = static_cast<int32_t>(std::min<size_t>(n, last_col - k));
    l.reserve(k + m);
    if constexpr (sizeof(Unit) == 1) {
      l.put_ascii_run(k, text, m, readable, attribute);
      readable -= m;
    } else {
      l.put_run(k, text, m, attribute);
    }
    l.cursor_col = k + m;
    l.wrap_pending = 0;
    text += m;
    n -= m;
  }
}

void screen_buffer::put_ascii(const char* text, size_t n, size_t readable) {
  put_run(text, n, std::max(readable, n));
}

void screen_buffer::put_units(const char16_t* text, size_t n) { put_run(text, n, n); }

void screen_buffer::next_line() {
  log_line(cursor);
  cursor_line().wrap_pending = 0;
  take_cursor_as_last();
  int32_t row = row_of(cursor);
  bool whole_screen = alternate_offset <= 0 && region_top == 0 && region_bottom == rows - 1;
  // A region whose top lies below its bottom holds no row: line feeds pass it by.
  if (!whole_screen && row == region_bottom && region_top <= region_bottom) {
    rotate_rows(region_top, region_bottom, 1, true);
    cursor_line().set_column(0);
  } else if (row >= rows - 1) {
    if (whole_screen) {
      move_cursor_to(append_line(), 0);
    } else {
      // Below the scroll region on the bottom row: nothing moves.
      cursor_line().continues = 0;
      cursor_line().set_column(0);
    }
  } else if (cursor != last) {
    move_cursor_to(wrap(cursor + 1), 0);
  } else {
    // Fewer lines than rows are stored: the next screen row becomes a stored line.
    move_cursor_to(append_line(), 0);
  }
}

void screen_buffer::line_feed() {
  int32_t col = cursor_line().cursor_col;
  next_line();
  cursor_line().set_column(col);
}

void screen_buffer::reverse_index() {
  if (!in_scroll_region(cursor)) return;
  int32_t col = cursor_line().cursor_col;
  if (row_of(cursor) == region_top) {
    insert_lines(1);
    cursor_line().set_column(col);
  } else {
    move_cursor_to(wrap(cursor - 1), col);
  }
}

void screen_buffer::carriage_return() { cursor_line().set_column(0); }

void screen_buffer::tab_forward(int n) {
  screen_line& l = cursor_line();
  int32_t col = l.cursor_col;
  for (int i = 0; i < std::min(n, cols); ++i) {
    int32_t next = (col / 8 + 1) * 8;
    col = next < cols ? next : cols - 1;
  }
  l.set_column(col);
}

void screen_buffer::back_tab(int n) {
  screen_line& l = cursor_line();
  int32_t col = l.cursor_col;
  for (int i = 0; i < n && col > 0; ++i) col = std::max((col + 7) / 8 * 8 - 8, 0);
  l.set_column(col);
}

void screen_buffer::move_cursor(direction d, int n) {
  screen_line& l = cursor_line();
  int32_t col = l.cursor_col;
  switch (d) {
    case left:
      l.set_column(col - std::min(col, n));
      break;
    case right:
      l.set_column(static_cast<int32_t>(std::min<int64_t>(int64_t(col) + n, cols - 1)));
      break;
    case up:
      move_cursor_to(wrap(cursor - std::min(n, row_of(cursor))), col);
      break;
    case down:
      move_cursor_to(wrap(cursor + std::clamp(rows - 1 - row_of(cursor), 0, n)), col);
      break;
  }
}

void screen_buffer::set_cursor(int row, int col) {
  int32_t new_col = col < 0 ? cursor_line().cursor_col : col;
  if (row < 0) {
    cursor_line().set_column(new_col);
    return;
  }
  int32_t slot = wrap(screen_top() + std::min(row, rows - 1));
  if (!is_stored(slot)) last = slot;
  move_cursor_to(slot, new_col);
}

void screen_buffer::get_cursor(int& row, int& col) {
  row = row_of(cursor);
  col = cursor_line().cursor_col;
}

void screen_buffer::save_cursor() { get_cursor(saved_row, saved_col); }

void screen_buffer::restore_cursor() {
  // A saved row above the screen top (a normal screen that shrank under the alternate one)
  // names a line of the scrollback.
  int32_t top = screen_top();
  move_cursor_to(wrap(top + std::clamp(saved_row, -wrap(top - first), rows - 1)), saved_col);
}

// --- Editing ---

void screen_buffer::erase_display(int mode) {
  int32_t top = screen_top();
  switch (mode) {
    case 0: {
      cursor_line().erase(0, attribute);
      int32_t bottom = screen_bottom();
      for (int32_t slot = cursor, i = 0; slot != bottom && i < rows; ++i) {
        slot = wrap(slot + 1);
        line(slot).erase(2, attribute);
      }
      break;
    }
    case 1:
      for (int32_t i = 0, slot = top; i < rows && slot != cursor; ++i, slot = wrap(slot + 1))
        line(slot).erase(2, attribute);
      cursor_line().erase(1, attribute);
      break;
    case 2:
      for (int32_t i = 0; i < rows; ++i) line(wrap(top + i)).erase(2, attribute);
      break;
    default:
      break;
  }
}

void screen_buffer::erase_line(int mode) { cursor_line().erase(mode, attribute); }

void screen_buffer::insert_chars(int n) { cursor_line().insert_blanks(std::min(n, cols)); }

void screen_buffer::delete_chars(int n) { cursor_line().delete_cells(n); }

void screen_buffer::erase_chars(int n) {
  screen_line& l = cursor_line();
  int64_t end = std::min<int64_t>(int64_t(l.cursor_col) + n, l.capacity());
  l.blank_cells(l.cursor_col, static_cast<int32_t>(end), attribute);
}

void screen_buffer::insert_lines(int n) {
  if (!in_scroll_region(cursor) || n <= 0) return;
  int32_t row = row_of(cursor);
  // Lines pushed down into screen rows not yet stored must land on stored lines.
  int32_t reach = std::min<int64_t>(region_bottom, int64_t(std::max(last_row(), row)) + n);
  if (reach > last_row()) last = wrap(screen_top() + reach);
  cursor_state kept = leave_cursor_line();
  rotate_rows(row, std::min(region_bottom, last_row()), n, false);
  enter_cursor_line(kept);
}

void screen_buffer::delete_lines(int n) {
  if (!in_scroll_region(cursor) || n <= 0) return;
  int32_t row = row_of(cursor);
  cursor_state kept = leave_cursor_line();
  int32_t bottom = std::min(region_bottom, last_row());
  if (row > bottom) {
    // Nothing stored below the cursor: only its own line clears.
    cursor_line().reset();
  } else {
    rotate_rows(row, bottom, n, true);
  }
  enter_cursor_line(kept);
}

void screen_buffer::switch_alternate_screen(bool on) {
  if (on) {
    // Entering twice would save the alternate cursor over the normal one and leave the normal
    // screen behind on the way out.
    if (alternate_offset > 0) return;
    unmark_selection();
    save_cursor();
    alternate_offset = rows;
    for (int32_t i = 0; i < rows; ++i) {
      last = wrap(last + 1);
      // A full ring gives its oldest lines to the alternate screen; the count stays right.
      if (last == first) first = wrap(first + 1);
    }
    move_cursor_to(screen_top(), 0);
    return;
  }
  if (alternate_offset > 0) {
    unmark_selection();
    int32_t n = alternate_offset;
    int32_t alternate_top = wrap(last - n + 1);
    cursor_line().wrap_pending = 0;
    last = wrap(last - n);
    alternate_offset = 0;
    // The alternate lines stop being stored; blank them so they show nothing later.
    reset_unstored(alternate_top, n);
  }
  restore_cursor();
}

// --- Whole-buffer operations ---

void screen_buffer::resize(int new_rows, int new_cols) {
  // With the alternate screen on, its cursor row and the normal screen's saved cursor (as rows
  // back from the normal screen's last line) outlive the change of slots below.
  bool alternate = alternate_offset > 0;
  int32_t alternate_row = 0;
  int32_t saved_back = 0;
  if (alternate) {
    int32_t normal_last = wrap(last - alternate_offset);
    int32_t normal_top = top_with_last(normal_last);
    int32_t saved = std::clamp(saved_row, -wrap(normal_top - first), rows - 1);
    saved_back = wrap(normal_last - normal_top) - saved;
    alternate_row = row_of(cursor);
  }
  rows = std::max(new_rows, 1);
  cols = std::max(new_cols, 1);
  region_top = 0;
  region_bottom = rows - 1;
  // The normal and the alternate screen both need room in the ring.
  if (capacity < 2 * rows + 1) {
    unmark_selection();
    rebuild_ring(2 * rows + 1);
  }
  if (alternate) fit_alternate_screen(alternate_row, saved_back);
}

void screen_buffer::fit_alternate_screen(int32_t cursor_row, int32_t saved_back) {
  unmark_selection();
  int32_t normal_last = wrap(last - alternate_offset);
  if (cursor_row > rows - 1) move_cursor_to(wrap(normal_last + rows), cursor_line().cursor_col);
  if (rows > alternate_offset) {
    // New rows join at the bottom; a full ring gives them its oldest lines.
    for (int32_t i = alternate_offset; i < rows; ++i) append_line();
  } else {
    last = wrap(normal_last + rows);
    reset_unstored(wrap(last + 1), alternate_offset - rows);
  }
  alternate_offset = rows;
  // Leaving finds the cursor on the line it left, whatever the normal screen's top is now.
  saved_row = wrap(normal_last - top_with_last(normal_last)) - saved_back;
}

void screen_buffer::set_capacity(int n) {
  std::lock_guard lock(mutex);
  n = std::max(n, 2 * rows + 1);
  if (n == capacity) return;
  unmark_selection();
  rebuild_ring(n);
}

void screen_buffer::rebuild_ring(int n) {
  std::vector<std::unique_ptr<screen_line>> ring(n);
  int32_t count = std::min(line_count(), n);
  int32_t from = wrap(last - count + 1);
  int32_t cursor_offset = wrap(cursor - from);
  for (int32_t i = 0; i < count; ++i) ring[i] = std::move(lines[wrap(from + i)]);
  bool cursor_kept = is_stored(cursor) && cursor_offset < count;
  lines = std::move(ring);
  capacity = n;
  first = 0;
  last = count - 1;
  cursor = cursor_kept ? cursor_offset : last;
}

void screen_buffer::clear_scrollback() {
  std::lock_guard lock(mutex);
  unmark_selection();
  for (std::unique_ptr<screen_line>& held : lines)
    if (held) held->reset();
  first = last = cursor = 0;
  // Leaving the alternate screen later must not step back over lines that are gone.
  alternate_offset = 0;
}

void screen_buffer::log_line(int32_t slot) { log_text(slot, "\r\n"); }

void screen_buffer::detach_log() {
  if (const screen_line* l = lines[cursor].get(); l && l->length > 0) log_text(cursor, "");
  log_file.reset();
}

void screen_buffer::log_text(int32_t slot, std::string_view line_end) {
  if (!log_file) return;
  std::string bytes;
  if (const screen_line* l = lines[slot].get())
    bytes = wcs_to_string(std::u16string_view(l->chars.data(), l->length));
  bytes += line_end;
  log_writer::instance().push(log_file, bytes);
}

bool screen_buffer::unmark_selection() {
  if (selected_lines.empty()) return false;
  for (int32_t slot : selected_lines) {
    if (slot < 0 || slot >= capacity || !lines[slot]) continue;
    // Every allocated cell, not only the used ones: a line that shrank after it was marked
    // keeps marks past its length, and a later erase can bring those cells back into use.
    for (uint32_t& a : lines[slot]->attrs) a &= ~cell_attribute::selected;
  }
  selected_lines.clear();
  return true;
}
