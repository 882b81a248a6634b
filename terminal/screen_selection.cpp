// The selection inside the screen buffer: the selected bit in the cells, and the list of the
// ring slots that hold selected cells, so that clearing and copying touch only those lines.
#include <algorithm>
#include <mutex>
#include <utility>

#include "terminal/screen_buffer.h"
#include "terminal/screen_line.h"

namespace {

bool is_word_char(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
         c == u'_';
}

bool is_space(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

}  // namespace

void screen_line::mark_selected(int32_t start, int32_t end) {
  // Only used cells carry the bit: a mark past the length would survive a clear and show up
  // once the line grows over it.
  start = std::max(start, 0);
  end = std::min(end, length - 1);
  for (int32_t k = start; k <= end; ++k) attrs[k] |= cell_attribute::selected;
}

bool screen_line::word_bounds(int32_t col, int32_t& start, int32_t& end, int mode) const {
  if (col < 0 || col >= length) return false;
  if (mode == 2) {
    start = 0;
    end = length - 1;
    return true;
  }
  const char16_t c = chars[col];
  // Mode 1 takes a run of non-space characters (or of spaces); any other mode a word, or a run
  // of one repeated character.
  const auto stops = [c, mode](char16_t d) {
    if (mode == 1) return (is_space(c) || is_space(d)) && d != c;
    return d != c && (!is_word_char(c) || !is_word_char(d));
  };
  end = col;
  while (end + 1 < length && !stops(chars[end + 1])) ++end;
  start = col;
  while (start > 0 && !stops(chars[start - 1])) --start;
  return true;
}

bool screen_buffer::clear_selection() {
  std::lock_guard lock(mutex);
  return unmark_selection();
}

void screen_buffer::select_range(int row1, int col1, int row2, int col2) {
  std::lock_guard lock(mutex);
  unmark_selection();
  if (row1 > row2) {
    std::swap(row1, row2);
    std::swap(col1, col2);
  }
  // A drag may reach the screen rows below the newest stored line, or above the oldest: those
  // rows hold no line, so the selection ends at the stored ones.
  const int stored = line_count();
  if (row2 < 0 || row1 >= stored) return;
  if (row1 < 0) {
    row1 = 0;
    col1 = 0;
  }
  if (row2 >= stored) {
    row2 = stored - 1;
    col2 = -1;
  }
  col1 = std::max(col1, 0);
  for (int r = row1; r <= row2; ++r) {
    const int32_t slot = wrap(int64_t(first) + r);
    selected_lines.push_back(slot);
    screen_line& l = line(slot);
    const int32_t from = r == row1 ? col1 : 0;
    const int32_t to = r == row2 && col2 >= 0 ? col2 : l.length - 1;
    if (from < l.length) l.mark_selected(from, to);
  }
}

bool screen_buffer::get_selected_text(std::u16string& out) {
  std::lock_guard lock(mutex);
  if (selected_lines.empty()) return false;
  out.clear();
  bool previous_continues = false;
  for (size_t i = 0; i < selected_lines.size(); ++i) {
    const int32_t slot = selected_lines[i];
    if (i > 0 && !previous_continues) out += u'\n';
    previous_continues = false;
    if (slot < 0 || slot >= capacity) continue;
    const screen_line& l = line(slot);
    for (int32_t k = 0; k < l.length; ++k)
      if (l.attrs[k] & cell_attribute::selected) out += l.chars[k];
    previous_continues = l.continues != 0;
  }
  return true;
}
