#pragma once
// A terminal core under test: feed it bytes, then read the screen rows, cells, cursor and the
// replies the parser queued.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/terminal_core.h"

namespace test_support {

class screen_probe {
 public:
  explicit screen_probe(int rows = 5, int cols = 10, int capacity = 500);

  terminal_core& core() { return *core_; }
  screen_buffer& screen() { return core_->screen; }
  escape_parser& parser() { return core_->parser; }

  // Feeds the bytes through the data path, as one received block.
  void feed(std::string_view bytes);
  // Feeds them one put_byte at a time, bypassing the run fast paths.
  void feed_bytewise(std::string_view bytes);

  // The used text of screen row r as UTF-8, trailing blanks cut; rows past the last stored
  // line read as empty, as the view draws nothing there.
  std::string row_text(int row);
  // The same cut at the screen width: what the window shows of the row.
  std::string visible_text(int row);
  // All screen rows joined with '|', trailing empty rows dropped.
  std::string screen_text();
  // The text of the stored line `index` counted from the oldest.
  std::string stored_text(int index);
  uint32_t attr_at(int row, int col);
  char16_t char_at(int row, int col);
  std::pair<int, int> cursor();
  // Everything queued for the peer so far.
  std::string replies();

 private:
  std::string cells_text(int row, int32_t width);

  std::shared_ptr<terminal_core> core_;
};

// The UTF-8 form of a line's used cells, up to `length`.
std::string line_text(const screen_line& line);

}  // namespace test_support
