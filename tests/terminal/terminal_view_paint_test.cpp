// The terminal view's display: colours of drawn cells read back from the painted pixels, the
// sizing rules, the scroll bar, the caret and the coalesced screen-changed notice.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <string>

#include "config/configuration.h"
#include "terminal/terminal_core.h"
#include "tests/terminal/terminal_view_fixture.h"

namespace view_test {
namespace {

QRgb rgb_of(color_ref c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// A colour of the appearance: a palette entry 0-15, or the default foreground or background.
constexpr int fg = -1;
constexpr int bg = -2;

QRgb pick(const session_appearance& a, int entry) {
  if (entry == fg) return rgb_of(a.foreground);
  if (entry == bg) return rgb_of(a.background);
  return rgb_of(a.palette[entry]);
}

struct paint_case {
  const char* name;
  const char* sgr;
  bool selected;
  int ansi_color_mode;
  int text;  // the colour of the glyph
  int fill;  // the colour behind it
};

const paint_case paint_cases[] = {
    {"bold red is bright red", "\x1b[1;31m", false, 1, 9, bg},
    {"red", "\x1b[31m", false, 1, 1, bg},
    {"bold default keeps the default foreground", "\x1b[1m", false, 1, fg, bg},
    {"bold never brightens a background", "\x1b[1;42m", false, 1, fg, 2},
    {"reverse swaps the defaults", "\x1b[7m", false, 1, bg, fg},
    {"reverse swaps colours", "\x1b[7;31;44m", false, 1, 4, 1},
    {"selected swaps", "", true, 1, bg, fg},
    {"selected reverse is unswapped", "\x1b[7m", true, 1, fg, bg},
    {"ANSI colours off use the defaults", "\x1b[1;31;44m", false, 0, fg, bg},
    {"ANSI colours off still swap", "\x1b[7;31m", false, 0, bg, fg},
};

TEST_F(terminal_view_test, cells_are_painted_in_the_colours_of_their_attributes) {
  open();
  for (const paint_case& c : paint_cases) {
    SCOPED_TRACE(c.name);
    doc->m_session.appearance.ansi_color_mode = c.ansi_color_mode;
    // A full block shows the glyph's colour at the cell's centre, a space the fill's.
    feed(std::string("\x1b[H\x1b[2J\x1b[0m") + c.sgr + "\xE2\x96\x88 \x1b[0m");
    if (c.selected) {
      view->Core()->screen.select_range(view->ScrollPosition(), 0, view->ScrollPosition(), 1);
      view->OnScreenChanged(-1, false);
    }
    QImage image = grab();
    const session_appearance& a = doc->m_session.appearance;
    EXPECT_EQ(image.pixel(cell_center(0, 0)), pick(a, c.text));
    EXPECT_EQ(image.pixel(cell_center(0, 1)), pick(a, c.fill));
    // Past the used cells only the background is painted.
    EXPECT_EQ(image.pixel(cell_center(0, 5)), rgb_of(a.background));
    view->Core()->screen.clear_selection();
  }
}

TEST_F(terminal_view_test, a_window_too_small_still_reports_five_rows_and_twenty_columns) {
  open(standard_record(), QSize(40, 30));
  EXPECT_EQ(view->m_nRows, 5);
  EXPECT_EQ(view->m_nCols, 20);
  EXPECT_EQ(view->Core()->view_rows.load(), 5);
  EXPECT_EQ(view->Core()->view_cols.load(), 20);
  ASSERT_FALSE(frame.sizes.empty());
  EXPECT_EQ(frame.sizes.back(), std::make_pair(5, 20));
  // What fits is still drawn.
  feed("\xE2\x96\x88");
  EXPECT_EQ(grab().pixel(cell_center(0, 0)), rgb_of(doc->m_session.appearance.foreground));
}

TEST_F(terminal_view_test, rows_and_columns_fill_the_client_area_inside_the_margin) {
  open(standard_record(), client_for(30, 100));
  EXPECT_EQ(view->m_nRows, 30);
  EXPECT_EQ(view->m_nCols, 100);
  // One pixel less is one row and one column less.
  view->resize(view->size() - QSize(1, 1));
  QCoreApplication::processEvents();
  EXPECT_EQ(view->m_nRows, 29);
  EXPECT_EQ(view->m_nCols, 99);
  EXPECT_EQ(frame.sizes.back(), std::make_pair(29, 99));
  EXPECT_EQ(view->Core()->screen.rows, 29);
  EXPECT_EQ(view->Core()->screen.cols, 99);
}

TEST_F(terminal_view_test, a_line_spacing_of_4_at_144_dpi_adds_6_pixels) {
  frame.dpi = 144;
  configuration::instance().terminal_appearance->line_spacing = 4;
  configuration::instance().terminal_appearance->margin = 7;
  open(standard_record(), QSize(400, 300));
  EXPECT_EQ(view->m_nLineHeight, view->m_nCharHeight + 6);
  EXPECT_EQ(view->m_nMargin, 7);
  EXPECT_EQ(view->m_nRows, (300 - 14) / view->m_nLineHeight);
}

// Line-drawing characters are drawn to the edges of their cell, so frames have no gaps between
// rows or columns whatever the font and the line spacing.
TEST_F(terminal_view_test, line_drawing_characters_join_the_cells_around_them) {
  struct drawing_case {
    const char* name;
    std::string cell;
    bool upright;  // the strokes checked run down three rows, else along three columns
  };
  const drawing_case cases[] = {
      {"light vertical", "\xe2\x94\x82", true},
      {"DEC graphics x", "\x1b(0x\x1b(B", true},
      {"light cross", "\xe2\x94\xbc", true},
      {"double vertical", "\xe2\x95\x91", true},
      {"heavy vertical and left", "\xe2\x94\xab", true},
      {"full block", "\xe2\x96\x88", true},
      {"medium shade", "\xe2\x96\x92", true},
      {"light horizontal", "\xe2\x94\x80", false},
      {"DEC graphics q", "\x1b(0q\x1b(B", false},
      {"heavy horizontal", "\xe2\x94\x81", false},
      {"double horizontal", "\xe2\x95\x90", false},
      {"light cross along", "\xe2\x94\xbc", false},
  };
  for (int spacing : {0, 4}) {
    configuration::instance().terminal_appearance->line_spacing = spacing;
    open(standard_record(), client_for(6, 20));
    int width = view->m_nCharWidth;
    int height = view->m_nLineHeight;
    int margin = view->m_nMargin;
    for (const drawing_case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", line spacing " + std::to_string(spacing));
      std::string between = c.upright ? "\r\n" : "";
      feed("\x1b[H\x1b[2J" + c.cell + between + c.cell + between + c.cell);
      QImage image = grab();
      QRgb background = image.pixel(cell_center(0, 5));
      auto ink = [&](int along, int across) {
        return c.upright ? image.pixel(across, along) != background
                         : image.pixel(along, across) != background;
      };
      // Every stroke through the first quarter of the middle cell (clear of a cross's other
      // arms) runs from the outer edge of the first cell to that of the third.
      int probe = margin + (c.upright ? height : width) * 5 / 4;
      int across_end = margin + (c.upright ? width : height);
      int along_end = margin + 3 * (c.upright ? height : width);
      int strokes = 0;
      for (int across = margin; across < across_end; ++across) {
        if (!ink(probe, across)) continue;
        ++strokes;
        int gaps = 0;
        for (int along = margin; along < along_end; ++along) gaps += !ink(along, across);
        EXPECT_EQ(gaps, 0) << "at " << across;
      }
      EXPECT_GT(strokes, 0);
    }
    view.reset();
  }
}

TEST_F(terminal_view_test, output_scrolls_back_to_the_bottom) {
  open(standard_record(), client_for(10, 40));
  QScrollBar* bar = view->verticalScrollBar();
  std::string lines;
  for (int i = 0; i < 30; ++i) lines += "line " + std::to_string(i) + "\r\n";
  feed(lines);
  // 31 stored lines, 10 shown: the top row can show lines 0 to 21.
  EXPECT_EQ(bar->maximum(), 21);
  EXPECT_EQ(view->ScrollPosition(), 21);
  bar->setValue(3);
  // A block that only rewrites existing lines keeps the range and still returns to the bottom.
  feed("\x1b[Hrewritten");
  EXPECT_EQ(bar->maximum(), 21);
  EXPECT_EQ(view->ScrollPosition(), 21);
}

TEST_F(terminal_view_test, the_wheel_scrolls_three_lines_a_notch_within_the_range) {
  open(standard_record(), client_for(10, 40));
  feed(std::string(50, '\n'));
  int bottom = view->ScrollPosition();
  auto wheel = [&](int delta) {
    QPointF at(20, 20);
    QWheelEvent e(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view->viewport(), &e);
  };
  wheel(120);
  EXPECT_EQ(view->ScrollPosition(), bottom - 3);
  wheel(-240);
  EXPECT_EQ(view->ScrollPosition(), bottom);
  wheel(120 * 100);
  EXPECT_EQ(view->ScrollPosition(), 0);
}

TEST_F(terminal_view_test, the_caret_shows_only_when_focused_connected_visible_and_in_view) {
  open(standard_record(), client_for(10, 40));
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  view->setFocus();
  QCoreApplication::processEvents();
  ASSERT_TRUE(view->m_bFocused);
  auto shown = [&] {
    grab();
    return view->m_bCaretShown;
  };
  EXPECT_FALSE(shown()) << "disconnected";
  set_state(state_connecting);
  EXPECT_FALSE(shown()) << "connecting";
  set_state(state_connected);
  EXPECT_TRUE(shown());
  feed("\x1b[?25l");
  EXPECT_FALSE(shown()) << "CSI ?25 l";
  feed("\x1b[?25h");
  EXPECT_TRUE(shown());
  // The cursor line scrolled out of view takes the caret with it.
  feed(std::string(30, '\n'));
  view->verticalScrollBar()->setValue(0);
  EXPECT_FALSE(shown()) << "cursor line out of view";
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  EXPECT_TRUE(shown());
  view->clearFocus();
  QCoreApplication::processEvents();
  EXPECT_FALSE(shown()) << "no focus";
}

// Counts the posted calls that reach the view.
class posted_call_counter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MetaCall) ++count;
    return false;
  }
  int count = 0;
};

TEST_F(terminal_view_test, a_burst_of_blocks_posts_one_screen_change) {
  open(standard_record(), client_for(10, 40));
  posted_call_counter counter;
  view->installEventFilter(&counter);
  for (int i = 0; i < 100; ++i) {
    std::string block = "block " + std::to_string(i) + "\r\n";
    connection->terminal()->receive_data(block.data(), static_cast<int>(block.size()));
  }
  EXPECT_TRUE(view->Core()->screen_changed_pending.load());
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.count, 1);
  EXPECT_FALSE(view->Core()->screen_changed_pending.load());
  EXPECT_EQ(view->verticalScrollBar()->maximum(), 101 - 10);
  // The next block after the change was taken posts again. (A change of the scroll range makes
  // the scroll area post a call of its own, so these blocks keep the line count.)
  QCoreApplication::processEvents();
  counter.count = 0;
  feed("\x1b[Hmore");
  EXPECT_EQ(counter.count, 1);
  view->removeEventFilter(&counter);
}

}  // namespace
}  // namespace view_test
