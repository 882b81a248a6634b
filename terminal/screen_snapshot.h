#pragma once
// A copy of the screen lines that the view shows, taken under the screen mutex so that drawing
// (the slow part) runs without holding it and the worker's parser is kept out only for the copy.
#include <cstdint>
#include <string>
#include <vector>

class terminal_core;

struct snapshot_line {
  std::u16string chars;          // the used cells
  std::vector<uint32_t> attrs;   // one cell_attribute per character
};

struct screen_snapshot {
  // The shown lines from the top row down, lines[0] to lines[shown - 1]; fewer than the rows
  // when the stored lines end. Entries past them are kept for their allocations.
  std::vector<snapshot_line> lines;
  int shown = 0;
  // The row (among `lines`) of the cursor line and its cursor column; -1 when the cursor line
  // is not among them.
  int cursor_row = -1;
  int cursor_col = 0;
};

// Copies at most `rows` stored lines from the stored line `position` (0 = the oldest) on.
// Takes the screen mutex as the GUI does. `out` keeps its allocations from one call to the next.
void take_snapshot(terminal_core& core, int position, int rows, screen_snapshot& out);
