#include "terminal/screen_snapshot.h"

#include <algorithm>
#include <mutex>

#include "terminal/terminal_core.h"

void take_snapshot(terminal_core& core, int position, int rows, screen_snapshot& out) {
  auto lock = core.gui_lock();
  screen_buffer& screen = core.screen;
  int count = screen.line_count();
  int shown = position < 0 || position >= count ? 0 : std::min(rows, count - position);
  if (out.lines.size() < static_cast<size_t>(shown)) out.lines.resize(shown);
  out.shown = shown;
  out.cursor_row = -1;
  out.cursor_col = 0;
  for (int r = 0; r < shown; ++r) {
    int32_t slot = screen.wrap(int64_t(screen.first) + position + r);
    const screen_line& line = screen.line(slot);
    int length = std::min(line.length, line.capacity());
    snapshot_line& copy = out.lines[r];
    copy.chars.assign(line.chars.data(), length);
    copy.attrs.assign(line.attrs.data(), line.attrs.data() + length);
    if (slot == screen.cursor) {
      out.cursor_row = r;
      out.cursor_col = line.cursor_col;
    }
  }
}
