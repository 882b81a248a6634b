#pragma once
// One line of the screen buffer's ring: a character and an attribute per cell, the cursor
// column while it is the cursor line, and the wrap flags.
//
// Only the first `length` cells are drawn, copied, searched and logged. The arrays grow in steps
// of 64 cells and never shrink, so most lines allocate once. The caller holds the screen mutex.
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "terminal/cell_attribute.h"

class screen_buffer;

class screen_line {
 public:
  static constexpr char16_t blank = u' ';

  // Capacity = the owner's columns + 1, every cell blank with attribute 0, counters 0.
  explicit screen_line(const screen_buffer* owner);

  // The buffer whose column count sizes the line.
  const screen_buffer* owner;
  // One UTF-16 unit and one `cell_attribute` per allocated cell; both arrays have capacity()
  // entries.
  std::vector<char16_t> chars;
  std::vector<uint32_t> attrs;
  // Where the next character goes while this is the cursor line.
  int32_t cursor_col = 0;
  // Used cells, counted from column 0.
  int32_t length = 0;
  // A character was written in the last column; the next one wraps (when autowrap is on).
  int32_t wrap_pending = 0;
  // This line wrapped into the next ring line; the two form one logical line.
  int32_t continues = 0;

  int32_t capacity() const { return static_cast<int32_t>(chars.size()); }

  // Makes cell n exist: when capacity - 1 <= n both arrays grow to (n + 64) rounded down to a
  // multiple of 64, the new cells blank with attribute 0.
  void reserve(int32_t n) {
    if (capacity() - 1 <= n) grow(n);
  }
  // Counters to 0, every cell blank with attribute 0.
  void reset();
  // cursor_col = min(c, columns - 1); wrap_pending is cleared unless that is the last column.
  inline void set_column(int32_t c);

  // Writes one character at column k (k < capacity()) and grows the length to cover it.
  void put(int32_t k, char16_t c, uint32_t attribute) {
    chars[k] = c;
    attrs[k] = attribute;
    if (length <= k) length = k + 1;
    if (dirty_end <= k) dirty_end = k + 1;
  }
  // Writes the characters [text, text + n) from column k on (k + n <= capacity()); a char is
  // an ASCII byte, a char16_t a UTF-16 unit.
  template <class Unit>
  void put_run(int32_t k, const Unit* text, int32_t n, uint32_t attribute) {
    char16_t* out = chars.data() + k;
    uint32_t* out_attrs = attrs.data() + k;
    for (int32_t i = 0; i < n; ++i) {
      out[i] = static_cast<char16_t>(static_cast<std::make_unsigned_t<Unit>>(text[i]));
      out_attrs[i] = attribute;
    }
    if (length < k + n) length = k + n;
    if (dirty_end < k + n) dirty_end = k + n;
  }

  // put_run for ASCII bytes; `readable` (at least n) bytes may be read from text, and with
  // sixteen of them the cells are written sixteen at a time.
  void put_ascii_run(int32_t k, const char* text, int32_t n, size_t readable,
                     uint32_t attribute);

  // Erases with `attribute` (after reserving the screen width): 0 cursor_col to the last column,
  // then length = columns; 1 cells 0 through cursor_col, length unchanged; 2 the whole width,
  // length = columns. Cells kept past the width are blanked by 0 and 2. Other modes do nothing.
  void erase(int mode, uint32_t attribute);
  // Blanks cells [from, to) with `attribute` (to <= capacity()), without touching the length.
  void blank_cells(int32_t from, int32_t to, uint32_t attribute);
  // Moves the cells from cursor_col to length - 1 n cells right and blanks the n cells from
  // cursor_col (attribute 0); the length grows by n. Cells pushed past the last column stay in
  // the line, but a line never grows past twice the screen width (or its current length, when
  // that is longer): cells pushed beyond that are dropped.
  void insert_blanks(int32_t n);
  // Removes n cells at cursor_col, pulling the rest of the line left; n at or past the rest
  // makes the length cursor_col, which cuts the line at the cursor or, with the cursor past the
  // line's end, takes the cells up to it into use. The freed cells at the end become blank.
  void delete_cells(int32_t n);

  // Selection and word bounds (the caller holds the screen mutex):
  // Sets the selected bit on cells start through end, inclusive.
  void mark_selected(int32_t start, int32_t end);
  // The cells a double click selects around col; mode 0 word or run of one character, 1 run of
  // non-space characters (or of spaces), 2 the whole line. False when col >= length.
  bool word_bounds(int32_t col, int32_t& start, int32_t& end, int mode) const;

 private:
  void grow(int32_t n);
  // One past the highest cell written since the last reset: every cell from here on is blank
  // with attribute 0, so a reset blanks only what was used.
  int32_t dirty_end = 0;
};
