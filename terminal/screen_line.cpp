#include "terminal/screen_line.h"

#include <algorithm>

#include "terminal/screen_buffer.h"

screen_line::screen_line(const screen_buffer* owner)
    : owner(owner), chars(owner->cols + 1, blank), attrs(owner->cols + 1, 0) {}

void screen_line::reserve(int32_t n) {
  if (capacity() - 1 > n) return;
  size_t grown = static_cast<size_t>(n + 64) & ~size_t(63);
  chars.resize(grown, blank);
  attrs.resize(grown, 0);
}

void screen_line::reset() {
  std::fill_n(chars.begin(), dirty_end, blank);
  std::fill_n(attrs.begin(), dirty_end, 0u);
  dirty_end = 0;
  cursor_col = 0;
  length = 0;
  wrap_pending = 0;
  continues = 0;
}

void screen_line::set_column(int32_t c) {
  int32_t last_col = owner->cols - 1;
  cursor_col = std::min(c, last_col);
  if (cursor_col != last_col) wrap_pending = 0;
}

void screen_line::blank_cells(int32_t from, int32_t to, uint32_t attribute) {
  if (from >= to) return;
  std::fill(chars.begin() + from, chars.begin() + to, blank);
  std::fill(attrs.begin() + from, attrs.begin() + to, attribute);
  dirty_end = std::max(dirty_end, to);
}

void screen_line::erase(int mode, uint32_t attribute) {
  int32_t columns = owner->cols;
  reserve(columns);
  switch (mode) {
    case 0:
      blank_cells(std::min(cursor_col, columns), columns, attribute);
      length = columns;
      break;
    case 1:
      blank_cells(0, std::min(cursor_col + 1, capacity()), attribute);
      break;
    case 2:
      blank_cells(0, columns, attribute);
      length = columns;
      break;
    default:
      break;
  }
}

void screen_line::insert_blanks(int32_t n) {
  if (n <= 0) return;
  int32_t limit = std::max(2 * owner->cols, length);
  int32_t at = cursor_col;
  if (at >= limit) return;
  n = std::min(n, limit - at);
  int32_t new_length = std::min(length + n, limit);
  reserve(std::max(new_length, at + n));
  // The cells from the cursor on move right; those landing past the limit are dropped.
  int32_t keep = std::max(0, std::min(length, new_length - n) - at);
  std::copy_backward(chars.begin() + at, chars.begin() + at + keep, chars.begin() + at + n + keep);
  std::copy_backward(attrs.begin() + at, attrs.begin() + at + keep, attrs.begin() + at + n + keep);
  std::fill_n(chars.begin() + at, n, blank);
  std::fill_n(attrs.begin() + at, n, 0u);
  length = new_length;
  dirty_end = std::max({dirty_end, new_length, at + n});
}

void screen_line::delete_cells(int32_t n) {
  int32_t rest = length - cursor_col;
  if (n < rest) {
    std::copy(chars.begin() + cursor_col + n, chars.begin() + length, chars.begin() + cursor_col);
    std::copy(attrs.begin() + cursor_col + n, attrs.begin() + length, attrs.begin() + cursor_col);
    length -= n;
  } else if (rest > 0) {
    length = cursor_col;
  }
}
