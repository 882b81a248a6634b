#pragma once
// The colour swatches of the colour pages and the scheme editor: a framed caption bar without
// text, filled with the colour it shows, that reports a click like a button.
#include <optional>

#include "config/color_plans.h"

class CCaption;
class QWidget;

// A 30 x 30 swatch named by `id`.
CCaption* make_swatch(QWidget* parent, int id);

// Shows `color` on the swatch.
void show_swatch_color(CCaption& swatch, color_ref color);

// The colour picker, started on the swatch's colour. On OK the swatch shows the chosen colour,
// which is returned; nothing when the user cancelled.
std::optional<color_ref> pick_swatch_color(CCaption& swatch);
