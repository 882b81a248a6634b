#include "terminal/box_drawing.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// The arms of U+2500-U+257F, from the centre of the cell to its edges: four digits each, in the
// order up, right, down, left; 0 none, 1 light, 2 heavy, 3 double. "----" marks the dashed
// lines, the arcs and the diagonals, which are drawn otherwise.
constexpr char arm_table[] =
    "0101 0202 1010 2020 ---- ---- ---- ---- "  // U+2500
    "---- ---- ---- ---- 0110 0210 0120 0220 "  // U+2508
    "0011 0012 0021 0022 1100 1200 2100 2200 "  // U+2510
    "1001 1002 2001 2002 1110 1210 2110 1120 "  // U+2518
    "2120 2210 1220 2220 1011 1012 2011 1021 "  // U+2520
    "2021 2012 1022 2022 0111 0112 0211 0212 "  // U+2528
    "0121 0122 0221 0222 1101 1102 1201 1202 "  // U+2530
    "2101 2102 2201 2202 1111 1112 1211 1212 "  // U+2538
    "2111 1121 2121 2112 2211 1122 1221 2212 "  // U+2540
    "1222 2122 2221 2222 ---- ---- ---- ---- "  // U+2548
    "0303 3030 0310 0130 0330 0013 0031 0033 "  // U+2550
    "1300 3100 3300 1003 3001 3003 1310 3130 "  // U+2558
    "3330 1013 3031 3033 0313 0131 0333 1303 "  // U+2560
    "3101 3303 1313 3131 3333 ---- ---- ---- "  // U+2568
    "---- ---- ---- ---- 0001 1000 0100 0010 "  // U+2570
    "0002 2000 0200 0020 0201 1020 0102 2010 "  // U+2578
    ;

constexpr int arm_width = 5;  // four digits and a space
static_assert(sizeof arm_table - 1 == 128 * arm_width);

enum side { up = 0, right = 1, down = 2, left = 3 };

// The pixels [begin, end) on one axis of the cell.
struct span {
  int begin;
  int end;
};

// A band `thickness` pixels wide in the middle of `length`: every cell puts it at the same
// place, so strokes meet those of the cells around them.
span middle(int length, int thickness) {
  int begin = (length - thickness) / 2;
  return {begin, begin + thickness};
}

class box_painter {
 public:
  box_painter(QPainter& painter, const QRect& cell, const QColor& color)
      : painter_(painter), cell_(cell), color_(color), light_(std::max(1, cell.width() / 8)) {}

  void arms(const char* digits);
  void dashes(bool vertical, bool heavy, int count);
  void arc(bool towards_down, bool towards_right);
  void diagonal(bool rising);
  void block(int index);
  void scan_line(int scan);

 private:
  int width() const { return cell_.width(); }
  int height() const { return cell_.height(); }
  int thickness(int weight) const { return weight == 2 ? 2 * light_ : light_; }
  void fill(span x, span y, const QColor& color) {
    painter_.fillRect(cell_.left() + x.begin, cell_.top() + y.begin, x.end - x.begin,
                      y.end - y.begin, color);
  }
  void fill(span x, span y) { fill(x, y, color_); }
  // One stroke of the arm on `s`: `across` on the other axis, from the cell's edge on that side
  // through `reach`.
  void stroke(int s, span across, span reach);
  void line_pen(bool antialiased);

  QPainter& painter_;
  QRect cell_;
  QColor color_;
  int light_;
};

void box_painter::stroke(int s, span across, span reach) {
  switch (s) {
    case up: fill(across, {0, reach.end}); break;
    case down: fill(across, {reach.begin, height()}); break;
    case left: fill({0, reach.end}, across); break;
    default: fill({reach.begin, width()}, across); break;
  }
}

void box_painter::arms(const char* digits) {
  int arm[4];
  for (int s = 0; s < 4; ++s) arm[s] = digits[s] - '0';
  for (int s = 0; s < 4; ++s) {
    if (arm[s] == 0) continue;
    bool upright = s == up || s == down;
    int along = upright ? height() : width();
    int across = upright ? width() : height();
    // The arms across this one: the first is left of an upright arm and above a level one.
    int first = arm[upright ? left : up];
    int second = arm[upright ? right : down];
    int opposite = arm[(s + 2) % 4];
    span double_band = middle(along, 3 * light_);
    // The line of a double crossing that lies nearer this arm's edge.
    span near_line = s == up || s == left
                         ? span{double_band.begin, double_band.begin + light_}
                         : span{double_band.end - light_, double_band.end};
    span centre = middle(along, thickness(std::max({1, first == 3 ? 0 : first,
                                                    second == 3 ? 0 : second})));
    if (arm[s] != 3) {
      span reach = centre;
      if (first == 3 || second == 3) {
        // A single line stops at a double one that runs through, and otherwise reaches its far
        // line (a corner), or crosses it when the line goes on past.
        reach = first == 3 && second == 3 && opposite == 0 ? near_line : double_band;
      }
      stroke(s, middle(across, thickness(arm[s])), reach);
      continue;
    }
    // A double arm: each of its two lines stops at the near line of a double arm on its own side
    // (the inside of a corner or tee) and reaches the far line when the double arm is on the
    // other side (the outside of a corner).
    span lines = middle(across, 3 * light_);
    span first_line{lines.begin, lines.begin + light_};
    span second_line{lines.end - light_, lines.end};
    stroke(s, first_line, first == 3 ? near_line : second == 3 ? double_band : centre);
    stroke(s, second_line, second == 3 ? near_line : first == 3 ? double_band : centre);
  }
}

void box_painter::dashes(bool vertical, bool heavy, int count) {
  int along = vertical ? height() : width();
  span across = middle(vertical ? width() : height(), thickness(heavy ? 2 : 1));
  for (int i = 0; i < count; ++i) {
    int begin = along * i / count;
    int end = along * (i + 1) / count;
    int gap = std::max(1, (end - begin) / 3);
    span dash{begin + gap / 2, end - (gap - gap / 2)};
    if (vertical) {
      fill(across, dash);
    } else {
      fill(dash, across);
    }
  }
}

void box_painter::line_pen(bool antialiased) {
  painter_.setRenderHint(QPainter::Antialiasing, antialiased);
  QPen pen(color_, light_);
  pen.setCapStyle(Qt::FlatCap);
  painter_.setPen(pen);
  painter_.setBrush(Qt::NoBrush);
}

void box_painter::arc(bool towards_down, bool towards_right) {
  // From the middle of one edge to the middle of the other, bending round the centre, so the
  // ends meet the straight lines of the cells beside it.
  span x = middle(width(), light_);
  span y = middle(height(), light_);
  QPointF centre(cell_.left() + (x.begin + x.end) / 2.0, cell_.top() + (y.begin + y.end) / 2.0);
  QPointF vertical_end(centre.x(), towards_down ? cell_.top() + height() : cell_.top());
  QPointF level_end(towards_right ? cell_.left() + width() : cell_.left(), centre.y());
  QPainterPath path(vertical_end);
  path.quadTo(centre, level_end);
  painter_.save();
  line_pen(true);
  painter_.drawPath(path);
  painter_.restore();
}

void box_painter::diagonal(bool rising) {
  painter_.save();
  line_pen(true);
  QRectF box(cell_);
  if (rising) {
    painter_.drawLine(box.bottomLeft() + QPointF(0, 1), box.topRight() + QPointF(1, 0));
  } else {
    painter_.drawLine(box.topLeft(), box.bottomRight() + QPointF(1, 1));
  }
  painter_.restore();
}

void box_painter::block(int index) {
  int w = width();
  int h = height();
  auto eighths = [](int length, int n) { return (length * n + 4) / 8; };
  if (index == 0) {
    fill({0, w}, {0, eighths(h, 4)});  // upper half
  } else if (index <= 8) {
    fill({0, w}, {h - eighths(h, index), h});  // lower eighths up to the full block
  } else if (index <= 15) {
    fill({0, eighths(w, 16 - index)}, {0, h});  // left eighths, seven down to one
  } else if (index == 16) {
    fill({eighths(w, 4), w}, {0, h});  // right half
  } else if (index <= 19) {
    // Light, medium and dark shade: the colour over the cell's fill at a quarter, half and
    // three quarters.
    QColor shade = color_;
    shade.setAlpha(64 * (index - 16));
    fill({0, w}, {0, h}, shade);
  } else if (index == 20) {
    fill({0, w}, {0, eighths(h, 1)});  // upper eighth
  } else if (index == 21) {
    fill({w - eighths(w, 1), w}, {0, h});  // right eighth
  } else {
    // Quadrants: 1 upper left, 2 upper right, 4 lower left, 8 lower right.
    static constexpr int quadrants[10] = {4, 8, 1, 13, 9, 7, 11, 2, 6, 14};
    int mask = quadrants[index - 22];
    span left_half{0, eighths(w, 4)};
    span right_half{left_half.end, w};
    span upper_half{0, eighths(h, 4)};
    span lower_half{upper_half.end, h};
    if (mask & 1) fill(left_half, upper_half);
    if (mask & 2) fill(right_half, upper_half);
    if (mask & 4) fill(left_half, lower_half);
    if (mask & 8) fill(right_half, lower_half);
  }
}

void box_painter::scan_line(int scan) {
  // Scan lines 1 to 9 of a VT100 cell, 5 being the middle (the horizontal line).
  int top = (height() - light_) * (scan - 1) / 8;
  fill({0, width()}, {top, top + light_});
}

}  // namespace

void draw_box_character(QPainter& painter, char16_t c, const QRect& cell, const QColor& color) {
  if (cell.width() <= 0 || cell.height() <= 0) return;
  box_painter box(painter, cell, color);
  if (c >= 0x2580) {
    box.block(c - 0x2580);
  } else if (c >= 0x2500) {
    const char* digits = arm_table + (c - 0x2500) * arm_width;
    if (digits[0] != '-') {
      box.arms(digits);
    } else if (c >= 0x2504 && c <= 0x250B) {
      int k = c - 0x2504;
      box.dashes(k & 2, k & 1, k < 4 ? 3 : 4);
    } else if (c >= 0x254C && c <= 0x254F) {
      int k = c - 0x254C;
      box.dashes(k & 2, k & 1, 2);
    } else if (c >= 0x256D && c <= 0x2570) {
      // Arcs: down and right, down and left, up and left, up and right.
      box.arc(c <= 0x256E, c == 0x256D || c == 0x2570);
    } else {
      // Diagonals: rising, falling, both.
      if (c != 0x2572) box.diagonal(true);
      if (c != 0x2571) box.diagonal(false);
    }
  } else {
    static constexpr int scans[4] = {1, 3, 7, 9};
    box.scan_line(scans[c - 0x23BA]);
  }
}
