#pragma once
// Line-drawing characters drawn from rectangles of the view's own instead of the font's glyphs:
// the box-drawing block (U+2500-U+257F), the block elements (U+2580-U+259F) and the scan lines
// of the DEC special graphics (U+23BA-U+23BD). A font draws them no taller than its own line, so
// with line spacing, or a font whose glyphs are short, frames (tmux borders, mc panels) break
// between rows; drawn here they fill their cell on the cell grid and meet their neighbours.
#include <QColor>
#include <QRect>

class QPainter;

inline bool is_box_drawing(char16_t c) {
  return (c >= 0x2500 && c <= 0x259F) || (c >= 0x23BA && c <= 0x23BD);
}

// Draws `c` (one that is_box_drawing accepts) over the whole of `cell` in `color`.
void draw_box_character(QPainter& painter, char16_t c, const QRect& cell, const QColor& color);
