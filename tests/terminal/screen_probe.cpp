#include "tests/terminal/screen_probe.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdint>
#include <mutex>

#include "platform/text_codec.h"

namespace test_support {

screen_probe::screen_probe(int rows, int cols, int capacity)
    : core_(std::make_shared<terminal_core>()) {
  core_->resize(rows, cols);
  core_->screen.set_capacity(capacity);
}

void screen_probe::feed(std::string_view bytes) { core_->receive_data(bytes.data(), bytes.size()); }

void screen_probe::feed_bytewise(std::string_view bytes) {
  std::lock_guard lock(core_->screen.mutex);
  for (char b : bytes) core_->parser.put_byte(static_cast<uint8_t>(b));
}

std::string line_text(const screen_line& line) {
  return platform::utf16_to_utf8(std::u16string_view(line.chars.data(), line.length));
}

// The text of screen row r, at most `width` cells of it, trailing blanks cut.
std::string screen_probe::cells_text(int row, int32_t width) {
  screen_buffer& s = screen();
  std::lock_guard lock(s.mutex);
  int32_t slot = s.wrap(s.screen_top() + row);
  if (!s.is_stored(slot)) return {};
  const screen_line& line = s.line(slot);
  std::string text = platform::utf16_to_utf8(
      std::u16string_view(line.chars.data(), std::min(line.length, width)));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string screen_probe::row_text(int row) { return cells_text(row, INT32_MAX); }

std::string screen_probe::visible_text(int row) { return cells_text(row, screen().cols); }

std::string screen_probe::screen_text() {
  std::vector<std::string> rows;
  for (int r = 0; r < screen().rows; ++r) rows.push_back(row_text(r));
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  std::string joined;
  for (size_t i = 0; i < rows.size(); ++i) joined += (i ? "|" : "") + rows[i];
  return joined;
}

std::string screen_probe::stored_text(int index) {
  screen_buffer& s = screen();
  std::lock_guard lock(s.mutex);
  std::string text = line_text(s.line(s.wrap(s.first + index)));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

uint32_t screen_probe::attr_at(int row, int col) {
  screen_buffer& s = screen();
  std::lock_guard lock(s.mutex);
  screen_line& line = s.line(s.wrap(s.screen_top() + row));
  return col < line.capacity() ? line.attrs[col] : 0;
}

char16_t screen_probe::char_at(int row, int col) {
  screen_buffer& s = screen();
  std::lock_guard lock(s.mutex);
  screen_line& line = s.line(s.wrap(s.screen_top() + row));
  return col < line.capacity() ? line.chars[col] : 0;
}

std::pair<int, int> screen_probe::cursor() {
  screen_buffer& s = screen();
  std::lock_guard lock(s.mutex);
  int row = 0;
  int col = 0;
  s.get_cursor(row, col);
  return {row, col};
}

std::string screen_probe::replies() {
  std::string all;
  std::array<char, send_queue::fetch_size> buffer{};
  while (int n = core_->queue.fetch_send_data(buffer, std::chrono::milliseconds(0)))
    all.append(buffer.data(), n);
  return all;
}

}  // namespace test_support
