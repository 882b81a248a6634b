#pragma once
// The colours a run of cells is drawn in, from its attribute and the session's resolved
// appearance.
#include <cstdint>

#include "config/session_appearance.h"

struct run_colors {
  color_ref text = 0;
  color_ref fill = 0;
};

// Bold makes an ANSI foreground colour bright (palette 8-15) but leaves the default foreground
// alone; background colours are never bright. Reverse and selected each swap text and fill, so
// a selected reverse cell is drawn unswapped. With ANSI colours off only the defaults are used
// (the swaps still apply).
run_colors colors_of_run(uint32_t attribute, const session_appearance& appearance);
