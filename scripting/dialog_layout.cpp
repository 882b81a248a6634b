#include "scripting/dialog_layout.h"

#include "platform/mul_div.h"

dialog_layout::dialog_layout(int item_count, int dpi_x, int dpi_y, int frame_width, int frame_height)
    : margin(mul_div(7, dpi_x, 96)),
      label_width(mul_div(80, dpi_x, 96)),
      control_width(mul_div(120, dpi_x, 96)),
      row_height(mul_div(20, dpi_y, 96)),
      label_gap(mul_div(5, dpi_x, 96)),
      column_gap(mul_div(20, dpi_x, 96)),
      row_gap(mul_div(5, dpi_y, 96)),
      button_width(mul_div(60, dpi_x, 96)),
      item_count_(item_count < 0 ? 0 : item_count),
      frame_width_(frame_width),
      frame_height_(frame_height) {
  // Every added column makes the form wider and (while there are items to move) lower, so this
  // ends at the latest when each item has a column of its own.
  while (columns_ < item_count_) {
    const QSize size = size_for(columns_);
    if (size.height() < size.width()) break;
    ++columns_;
  }
}

QSize dialog_layout::size_for(int columns) const {
  const int column_width = label_width + control_width + label_gap;
  const int rows = (item_count_ + columns - 1) / columns;
  const int width = 2 * margin + frame_width_ + columns * column_width + (columns - 1) * column_gap;
  // The margin is used vertically as well.
  const int height = (rows + 1) * row_height + rows * row_gap + frame_height_ + 2 * margin;
  return {width, height};
}

void dialog_layout::place(int index, int& column, int& row) const {
  const int per_column = item_count_ / columns_;
  const int longer_columns = item_count_ % columns_;
  column = 0;
  row = index;
  for (;;) {
    const int length = per_column + (column < longer_columns ? 1 : 0);
    if (row < length) return;
    row -= length;
    ++column;
  }
}

QRect dialog_layout::label_rect(int index) const {
  int column = 0;
  int row = 0;
  place(index, column, row);
  const int x = margin + column * (label_width + control_width + label_gap + column_gap);
  const int y = margin + row * (row_height + row_gap);
  return {x, y, label_width, row_height};
}

QRect dialog_layout::control_rect(int index) const {
  const QRect label = label_rect(index);
  return {label.x() + label_width + label_gap, label.y(), control_width, row_height};
}

QRect dialog_layout::ok_rect(QSize client) const {
  return {client.width() - 2 * (button_width + margin), client.height() - row_height - margin, button_width,
          row_height};
}

QRect dialog_layout::cancel_rect(QSize client) const {
  return {client.width() - button_width - margin, client.height() - row_height - margin, button_width, row_height};
}
