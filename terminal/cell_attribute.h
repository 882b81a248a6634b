#pragma once
// The 32-bit attribute of one screen cell, and of the screen buffer's current pen.
//
// Attribute 0 is the plain default cell. Colours are one-hot: at most one of the eight
// foreground bits and one of the eight background bits is set; none set means the default
// colour. The selected bit is set only in cells, by the selection, never in the current pen.
#include <cstdint>

struct cell_attribute {
  static constexpr uint32_t bold = 0x1;
  static constexpr uint32_t reverse = 0x2;
  // SGR 38 without a colour of its own: kept in the cell, no effect on drawing.
  static constexpr uint32_t fg_extended = 0x4;
  static constexpr uint32_t fg_color = 0x3FC00;
  static constexpr uint32_t bg_color = 0x3FC0000;
  static constexpr uint32_t selected = 0x40000000;

  static constexpr int fg_shift = 10;
  static constexpr int bg_shift = 18;

  // The bit of ANSI colour n (0-7).
  static constexpr uint32_t foreground(int n) { return 1u << (fg_shift + n); }
  static constexpr uint32_t background(int n) { return 1u << (bg_shift + n); }
};
