#include "terminal/run_colors.h"

#include "terminal/cell_attribute.h"

run_colors colors_of_run(uint32_t attribute, const session_appearance& appearance) {
  color_ref fg = appearance.foreground;
  color_ref bg = appearance.background;
  bool swap = false;
  bool bold = attribute & cell_attribute::bold;
  if (attribute & cell_attribute::reverse) swap = !swap;
  for (int n = 0; n < 8; ++n) {
    if (attribute & cell_attribute::foreground(n)) fg = appearance.palette[bold ? n + 8 : n];
    if (attribute & cell_attribute::background(n)) bg = appearance.palette[n];
  }
  if (attribute & cell_attribute::selected) swap = !swap;
  if (appearance.ansi_color_mode == 0) {
    fg = appearance.foreground;
    bg = appearance.background;
  }
  return swap ? run_colors{bg, fg} : run_colors{fg, bg};
}
