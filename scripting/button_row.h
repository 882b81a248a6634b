#pragma once
// Where the button bar puts its controls: the category combo box at the left, vertically
// centred with equal margins, then the buttons side by side at their ideal sizes, and a ">>"
// button at the right end when they do not all fit. The first button that does not fit hides
// itself and every button after it, even narrower ones that would fit.
#include <QRect>
#include <QSize>

#include <vector>

struct button_row {
  QRect combo;
  bool overflow_shown = false;
  QRect overflow;
  // One per button; the rectangles of hidden buttons are empty.
  std::vector<QRect> buttons;
  // The index of the first button that did not fit; -1 when all fit.
  int first_hidden = -1;
};

button_row layout_button_row(QRect client, int combo_height, int combo_width, QSize overflow_size,
                             const std::vector<QSize>& button_sizes);
