// Differential check against libvterm on random streams inside the subset both terminals
// implement alike: printable text, CR, LF, BS, HT, cursor movement, erasing, character and line
// insertion and deletion, the basic SGR colours, bold and reverse, and scroll regions.
//
// Deliberate differences, kept out of the streams:
// - Setting a scroll region (CSI r) does not home the cursor here; every region the streams set
//   is followed by an absolute cursor move.
// - A scroll region whose top row lies below its bottom row is set here, and holds no row: line
//   feeds pass it by and the screen no longer scrolls; libvterm ignores it. The streams set
//   regions of one row or more only.
// - CUU and CUD stop at the screen edges here, not at the region margins; the streams move up
//   and down by rows only while no region is set.
// - ESC M outside the scroll region does nothing here; the streams use it only without a region.
// - A cell holds one UTF-16 unit here, whatever the character's width; the streams hold ASCII.
// - Blanks inserted by ICH and IL carry attribute 0 here, and erased cells the whole current
//   attribute; libvterm gives them the pen's background only. Attributes are compared on the
//   cells that hold a character other than a space.
// - Cells that ICH pushes past the width stay in the line here, and a later DCH pulls them
//   back into view; libvterm drops them. A stream uses either ICH or DCH.
// - ICH and DCH act on any row here; libvterm ignores them outside the scroll region, so the
//   streams use them only while no region is set.
// - A cursor move that lands on the last column of the same line keeps a pending wrap here
//   (only leaving the line drops it); libvterm drops it on every move. The streams move to
//   columns before the last one, and move right only by tabs.
// - A line feed ends a pending wrap here (the next line has none); libvterm keeps it across
//   line feeds. The test ends a pending wrap with CR before any fragment but text.
#include <vterm.h>

#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "platform/text_codec.h"
#include "tests/terminal/screen_probe.h"

namespace {

using test_support::screen_probe;

constexpr int rows = 6;
constexpr int cols = 20;

class vterm_peer {
 public:
  vterm_peer() : vt_(vterm_new(rows, cols)) {
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_reset(screen_, 1);
  }
  ~vterm_peer() { vterm_free(vt_); }
  vterm_peer(const vterm_peer&) = delete;
  vterm_peer& operator=(const vterm_peer&) = delete;

  void feed(const std::string& bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }

  VTermScreenCell cell(int row, int col) const {
    VTermScreenCell c{};
    vterm_screen_get_cell(screen_, VTermPos{row, col}, &c);
    return c;
  }

  std::string row_text(int row) const {
    std::u16string text;
    for (int col = 0; col < cols; ++col) {
      uint32_t ch = cell(row, col).chars[0];
      text += ch == 0 ? u' ' : static_cast<char16_t>(ch);
    }
    while (!text.empty() && text.back() == u' ') text.pop_back();
    return platform::utf16_to_utf8(text);
  }

  std::pair<int, int> cursor() const {
    VTermPos pos{};
    vterm_state_get_cursorpos(vterm_obtain_state(vt_), &pos);
    return {pos.row, pos.col};
  }

 private:
  VTerm* vt_;
  VTermScreen* screen_;
};

// Our cell in libvterm's terms: bold, reverse, foreground and background index (-1 default).
struct pen {
  bool bold;
  bool reverse;
  int fg;
  int bg;
  bool operator==(const pen&) const = default;
};

int colour_index(uint32_t bits, int shift) {
  for (int n = 0; n < 8; ++n)
    if (bits & (1u << (shift + n))) return n;
  return -1;
}

pen our_pen(uint32_t a) {
  return {(a & cell_attribute::bold) != 0, (a & cell_attribute::reverse) != 0,
          colour_index(a, cell_attribute::fg_shift), colour_index(a, cell_attribute::bg_shift)};
}

pen peer_pen(const VTermScreenCell& c) {
  auto index = [](const VTermColor& colour, bool is_default) {
    return is_default || !VTERM_COLOR_IS_INDEXED(&colour) ? -1 : colour.indexed.idx;
  };
  return {c.attrs.bold != 0, c.attrs.reverse != 0, index(c.fg, VTERM_COLOR_IS_DEFAULT_FG(&c.fg)),
          index(c.bg, VTERM_COLOR_IS_DEFAULT_BG(&c.bg))};
}

// Streams of fragments from the common subset; `region` follows the scroll region set so far.
class subset_stream {
 public:
  explicit subset_stream(unsigned seed) : random_(seed), insert_or_delete_(seed % 2 ? 'P' : '@') {}

  bool last_was_text() const { return text_; }

  std::string next() {
    int kind = pick(0, 17);
    text_ = kind <= 2;
    switch (kind) {
      case 0:
      case 1:
      case 2: {
        std::string text;
        for (int n = pick(1, 30); n > 0; --n) text += static_cast<char>(pick(0x20, 0x7E));
        return text;
      }
      case 3:
        return "\r\n";
      case 4:
        return std::string(1, "\r\n\b\t"[pick(0, 3)]);
      case 5:
        return csi(std::to_string(pick(0, rows + 1)) + ";" + std::to_string(pick(0, cols - 1)) + "H");
      case 6:
        return pick(0, 1) ? csi(count() + "D") : csi(std::to_string(pick(0, cols - 1)) + "G`"[pick(0, 1)]);
      case 7:
        return region_ ? csi(std::to_string(pick(1, rows)) + ";1H") : csi(count() + "AB"[pick(0, 1)]);
      case 8:
        return csi(std::to_string(pick(0, 2)) + "JK"[pick(0, 1)]);
      case 9:
      case 10:
        return sgr();
      case 11:
        return csi(count() + (region_ || pick(0, 1) ? 'X' : insert_or_delete_));
      case 12:
        return csi(count() + "LM"[pick(0, 1)]);
      case 13: {
        if (pick(0, 3) == 0) {
          region_ = false;
          return "\x1b[r\x1b[H";
        }
        // One-row regions included.
        int top = pick(1, rows);
        int bottom = pick(top, rows);
        region_ = !(top == 1 && bottom == rows);
        return csi(std::to_string(top) + ";" + std::to_string(bottom) + "r") +
               csi(std::to_string(pick(1, rows)) + ";" + std::to_string(pick(1, cols - 1)) + "H");
      }
      case 14:
        return region_ ? "\n" : "\x1bM";
      case 15:
        return "\x1b" "D";
      case 16:
        return std::string(pick(1, 4), '\n');
      default:
        return "\x1b" "7" + csi(std::to_string(pick(1, rows)) + ";" + std::to_string(pick(1, cols - 1)) + "H") + "x\x1b" "8";
    }
  }

 private:
  int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random_); }
  static std::string csi(const std::string& body) { return "\x1b[" + body; }
  std::string count() {
    int n = pick(0, 25);
    return n == 0 && pick(0, 1) ? "" : std::to_string(n);
  }
  std::string sgr() {
    static const int codes[] = {0, 1, 7, 27, 30, 31, 32, 33, 34, 35, 36, 37, 39,
                                40, 41, 42, 43, 44, 45, 46, 47, 49};
    std::string body;
    for (int n = pick(1, 3); n > 0; --n)
      body += (body.empty() ? "" : ";") + std::to_string(codes[pick(0, std::size(codes) - 1)]);
    return csi(body + "m");
  }

  std::mt19937 random_;
  // ICH or DCH, never both in one stream.
  char insert_or_delete_;
  bool region_ = false;
  bool text_ = false;
};

bool wrap_pends(screen_probe& probe) {
  screen_buffer& s = probe.screen();
  std::lock_guard lock(s.mutex);
  return s.cursor_line().wrap_pending != 0;
}

TEST(screen_vterm_diff, the_common_subset_leaves_the_same_screen_as_libvterm) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    screen_probe ours(rows, cols, 200);
    vterm_peer peer;
    subset_stream stream(seed);
    std::string fed;
    for (int step = 0; step < 400; ++step) {
      std::string fragment = stream.next();
      if (wrap_pends(ours) && !stream.last_was_text()) fragment = "\r" + fragment;
      fed += fragment;
      ours.feed(fragment);
      peer.feed(fragment);
      SCOPED_TRACE("after step " + std::to_string(step) + ", the last fragment " +
                   testing::PrintToString(fragment));
      ASSERT_EQ(ours.cursor(), peer.cursor());
      for (int row = 0; row < rows; ++row) {
        const std::string text = ours.visible_text(row);
        ASSERT_EQ(text, peer.row_text(row)) << "row " << row;
        for (int col = 0; col < static_cast<int>(text.size()); ++col) {
          if (text[col] == ' ') continue;
          ASSERT_EQ(our_pen(ours.attr_at(row, col)), peer_pen(peer.cell(row, col)))
              << "row " << row << " column " << col;
        }
      }
    }
  }
}

}  // namespace
