// Seeded random byte streams, sequences and garbage mixed: after every block the buffer and the
// parser must still be sound, and feeding the same stream in random blocks or byte by byte must
// leave exactly the same screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>

#include "tests/terminal/screen_probe.h"

namespace {

using test_support::screen_probe;

constexpr int rows = 8;
constexpr int cols = 24;

// One random stream: a mix of text, controls, every sequence family with wild parameters,
// strings left open, broken UTF-8 and plain noise.
std::string random_stream(unsigned seed, size_t size) {
  std::mt19937 random(seed);
  auto pick = [&](int from, int to) { return std::uniform_int_distribution<int>(from, to)(random); };
  auto number = [&]() -> std::string {
    switch (pick(0, 5)) {
      case 0:
        return "";
      case 1:
        return std::to_string(pick(0, 3));
      case 2:
        return std::to_string(pick(0, 60));
      case 3:
        return std::to_string(pick(0, 2000));
      case 4:
        return "99999999999";
      default:
        return std::to_string(pick(0, rows + 2));
    }
  };
  static const std::string finals = "@ABCDEFGHIJKLMPXZacdefhlmnrsu`";
  static const char* const modes[] = {"4", "?1", "?7", "?25", "?1049", "?12", "?2004", "5"};
  std::string out;
  while (out.size() < size) {
    switch (pick(0, 15)) {
      case 0:
      case 1:
      case 2: {
        int n = pick(1, 40);
        for (int i = 0; i < n; ++i) out += static_cast<char>(pick(0x20, 0x7E));
        break;
      }
      case 3:
        out += "\r\n\b\t\x0b\x1b\x9b"[pick(0, 6)];
        break;
      case 4: {
        out += pick(0, 9) ? "\x1b[" : "\x9b";
        if (pick(0, 5) == 0) out += "?>"[pick(0, 1)];
        int params = pick(0, 20);
        for (int i = 0; i < params; ++i) out += (i ? ";" : "") + number();
        out += finals[pick(0, static_cast<int>(finals.size()) - 1)];
        break;
      }
      case 5:
        out += std::string("\x1b[") + modes[pick(0, 7)] + "hl"[pick(0, 1)];
        break;
      case 6:
        out += "\x1b[" + std::to_string(pick(1, rows)) + ";" + std::to_string(pick(1, rows)) + "r";
        break;
      case 7:
        out += "\x1b";
        out += "78DEM=>#%()cz"[pick(0, 12)];
        out += static_cast<char>(pick(0x20, 0x7E));
        break;
      case 8: {
        out += "\x1b]" + std::to_string(pick(0, 3)) + ";title";
        int end = pick(0, 3);
        if (end == 0) out += "\x07";
        if (end == 1) out += "\x1b\\";
        if (end == 2) out += std::string(pick(0, 5000), 'o');
        break;
      }
      case 9:
        out += "\x1bP" + std::string(pick(0, 40), 'q') + (pick(0, 1) ? "\x1b\\" : "");
        break;
      case 10: {
        static const char* const utf8[] = {"é", "─", "😀", "\xe2\x94", "\xc3", "\xfc\x80\x80\x80\x80\x80",
                                           "\xed\xa0\x80", "\xc0\x80", "\x80", "\xfe"};
        out += utf8[pick(0, 9)];
        break;
      }
      case 11:
        out += static_cast<char>(pick(0, 255));
        break;
      case 12:
        out += "\x1b[" + number() + ";" + number() + "H";
        break;
      case 13:
        out += "\x1b[" + std::to_string(pick(0, 49)) + ";" + std::to_string(pick(30, 47)) + "m";
        break;
      case 14:
        out += "\x1b[6n\x1b[5n\x1b[c";
        break;
      default:
        out += "\x1b(" + std::string(1, "0B"[pick(0, 1)]) + std::string(pick(1, 10), '`' + pick(0, 30));
        break;
    }
  }
  return out;
}

void expect_sound(screen_probe& probe) {
  screen_buffer& s = probe.screen();
  escape_parser& p = probe.parser();
  ASSERT_GE(s.line_count(), 1);
  ASSERT_LE(s.line_count(), s.capacity);
  ASSERT_EQ(static_cast<int>(s.lines.size()), s.capacity);
  for (int slot : {s.first, s.last, s.cursor}) {
    ASSERT_GE(slot, 0);
    ASSERT_LT(slot, s.capacity);
  }
  ASSERT_LT(s.row_of(s.cursor), s.rows) << "the cursor left the screen";
  ASSERT_TRUE(s.alternate_offset == 0 || s.alternate_offset == s.rows);
  // Both region rows lie on the screen; a region may be one row, or have its top below its
  // bottom.
  for (int32_t row : {s.region_top, s.region_bottom}) {
    ASSERT_GE(row, 0);
    ASSERT_LE(row, s.rows - 1);
  }
  for (const auto& line : s.lines) {
    if (!line) continue;
    // Lines grow past the width only through inserted blanks, and never past twice the width.
    ASSERT_LE(line->length, 2 * cols);
    ASSERT_LE(line->capacity(), 2 * cols + 64);
    ASSERT_LE(line->cursor_col, cols - 1);
    for (int32_t k = 0; k < line->length; ++k)
      ASSERT_EQ(line->attrs[k] & cell_attribute::selected, 0u);
  }
  ASSERT_EQ(s.attribute & cell_attribute::selected, 0u);
  ASSERT_LE(p.osc_text.size(), escape_parser::max_osc_text);
  ASSERT_GE(p.param_index, 0);
  ASSERT_LT(p.param_index, escape_parser::max_params);
  for (int32_t value : p.params) ASSERT_LE(value, escape_parser::max_param_value);
  ASSERT_LE(p.utf8_count, 6);
  ASSERT_LE(p.osc_number, escape_parser::max_param_value);
}

// Everything the view or the peer could see: every stored line's cells and flags, the cursor,
// the modes and the replies.
std::string snapshot(screen_probe& probe) {
  screen_buffer& s = probe.screen();
  std::ostringstream out;
  out << s.line_count() << ' ' << s.row_of(s.cursor) << ' ' << s.line(s.cursor).cursor_col << ' '
      << s.attribute << ' ' << s.insert_mode << s.autowrap << s.alternate_offset << ' '
      << s.region_top << '-' << s.region_bottom << ' ' << probe.parser().state << '\n';
  for (int i = 0; i < s.line_count(); ++i) {
    const screen_line& line = s.line(s.wrap(s.first + i));
    out << line.continues;
    for (int32_t k = 0; k < line.length; ++k) out << ' ' << int(line.chars[k]) << ':' << line.attrs[k];
    out << '\n';
  }
  out << probe.replies();
  return out.str();
}

TEST(screen_random, random_streams_keep_the_buffer_sound_and_blocks_match_single_bytes) {
  for (unsigned seed = 1; seed <= 24; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string stream = random_stream(seed, 60000);
    screen_probe blocks(rows, cols, 17 + seed);
    screen_probe bytes(rows, cols, 17 + seed);
    std::mt19937 random(seed * 7919);
    size_t at = 0;
    while (at < stream.size()) {
      size_t n = std::min<size_t>(std::uniform_int_distribution<size_t>(1, 700)(random),
                                  stream.size() - at);
      blocks.feed(std::string_view(stream).substr(at, n));
      bytes.feed_bytewise(std::string_view(stream).substr(at, n));
      at += n;
      expect_sound(blocks);
      if (HasFatalFailure()) return;
      // The replies would fill the queue; the worker drains it between blocks.
      ASSERT_EQ(blocks.replies(), bytes.replies());
    }
    EXPECT_EQ(snapshot(blocks), snapshot(bytes));
  }
}

}  // namespace
