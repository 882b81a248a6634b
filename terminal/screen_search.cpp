// Text search over the screen buffer. Wrapped lines are searched as the one logical line they
// form, and every walk is bounded by the number of stored lines, so no needle and no ring state
// can keep the screen mutex held for long.
#include <mutex>
#include <string>
#include <vector>

#include "config/text_convert.h"
#include "terminal/screen_buffer.h"
#include "terminal/screen_line.h"

namespace {

constexpr size_t none = std::u16string::npos;

// The first slot of the logical line holding `slot`. The walk stops at the oldest stored line:
// the slot before it is no stored line, whatever flags it still carries.
int32_t logical_line_start(screen_buffer& screen, int32_t slot) {
  while (slot != screen.first) {
    const int32_t previous = screen.wrap(int64_t(slot) - 1);
    if (!screen.line(previous).continues) break;
    slot = previous;
  }
  return slot;
}

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

bool is_whole_word(const std::u16string& text, size_t t, size_t m) {
  return (t == 0 || is_blank(text[t - 1])) && (t + m == text.size() || is_blank(text[t + m]));
}

// The first occurrence at or after `from`.
size_t find_forward(const std::u16string& text, const std::u16string& needle, size_t from,
                    bool whole_word) {
  for (;;) {
    const size_t t = text.find(needle, from);
    if (t == none || !whole_word || is_whole_word(text, t, needle.size())) return t;
    from = t + needle.size();
  }
}

// The last occurrence that starts at or before `from` (none: anywhere).
size_t find_backward(const std::u16string& text, const std::u16string& needle, size_t from,
                     bool whole_word) {
  for (;;) {
    const size_t t = text.rfind(needle, from);
    if (t == none || !whole_word || is_whole_word(text, t, needle.size())) return t;
    if (t == 0) return none;
    from = t - 1;
  }
}

// The line (counted within the logical line) and column of text offset p.
void locate(const std::vector<int32_t>& lengths, size_t p, int& line_index, int& column) {
  size_t before = 0;
  line_index = 0;
  for (const int32_t n : lengths) {
    if (p < before + n) break;
    before += n;
    ++line_index;
  }
  column = static_cast<int>(p - before);
}

}  // namespace

int screen_buffer::get_logical_line(bool backward, int32_t slot, std::u16string& text,
                                    std::vector<int32_t>& lengths) {
  std::lock_guard lock(mutex);
  text.clear();
  lengths.clear();
  if (slot < 0 || slot >= capacity || !is_stored(slot)) return 0;
  if (backward) slot = logical_line_start(*this, slot);
  int count = 0;
  for (;;) {
    const screen_line& l = line(slot);
    int32_t used = 0;
    while (used < l.length && l.chars[used] != 0) ++used;
    text.append(l.chars.data(), used);
    lengths.push_back(used);
    ++count;
    // The newest line continues into nothing stored yet.
    if (!l.continues || slot == last) break;
    slot = wrap(int64_t(slot) + 1);
  }
  return count;
}

bool screen_buffer::find_text(std::u16string_view needle, bool backward, bool whole_word,
                              bool case_sensitive, int& row, int& col) {
  // An empty needle matches everywhere and would never move the search on.
  if (needle.empty()) return false;
  std::lock_guard lock(mutex);
  const std::u16string pattern = case_sensitive ? std::u16string(needle) : lower_ascii(needle);

  int32_t slot = row < 0 ? (backward ? screen_bottom() : screen_top()) : row;
  // A start outside the stored lines (the rows below the newest line, or the slot before the
  // oldest one that a backward match at its start hands back) begins where a search in that
  // direction would arrive next: the oldest line forward, the newest backward.
  if (slot < 0 || slot >= capacity || !is_stored(slot)) slot = backward ? last : first;
  int64_t offset = col;
  // A start in the middle of a line leaves its other part to the end of the round, so that
  // line is examined twice; every other stored line once.
  bool partial_start = backward ? col >= 0 : col > 0;
  int budget = line_count();

  std::u16string text;
  std::vector<int32_t> lengths;
  for (;;) {
    const int32_t start = logical_line_start(*this, slot);
    const int n = get_logical_line(false, start, text, lengths);
    if (!case_sensitive) text = lower_ascii(text);

    size_t t;
    if (backward) {
      const size_t from = offset < 0 || offset >= int64_t(text.size()) ? none : size_t(offset);
      t = find_backward(text, pattern, from, whole_word);
    } else {
      const size_t from = offset < 0 ? 0 : size_t(offset);
      t = from > text.size() ? none : find_forward(text, pattern, from, whole_word);
    }

    if (t != none) {
      int first_line, first_col, last_line, last_col;
      locate(lengths, t, first_line, first_col);
      locate(lengths, t + pattern.size() - 1, last_line, last_col);
      const int32_t first_slot = wrap(int64_t(start) + first_line);
      const int32_t last_slot = wrap(int64_t(start) + last_line);
      select_range(wrap(int64_t(first_slot) - first), first_col, wrap(int64_t(last_slot) - first),
                   last_col);
      if (!backward) {
        row = last_slot;
        col = static_cast<int>(t + pattern.size());
      } else if (t > 0) {
        row = first_slot;
        col = static_cast<int>(t - 1);
      } else {
        row = wrap(int64_t(start) - 1);
        col = -1;
      }
      return true;
    }

    if (!partial_start) budget -= n;
    partial_start = false;
    if (budget <= 0) return false;
    slot = backward ? wrap(int64_t(start) - 1) : wrap(int64_t(start) + n);
    if (!is_stored(slot)) slot = backward ? last : first;
    offset = -1;
  }
}
