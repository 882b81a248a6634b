#include "terminal/terminal_metrics.h"

#include <algorithm>

int terminal_line_height(int char_height, int line_spacing, int dpi_y) {
  return char_height + mul_div(line_spacing, dpi_y, 96);
}

terminal_grid terminal_grid_for(int client_width, int client_height, int margin, int char_width,
                                int line_height) {
  int width = std::max(client_width - 2 * margin, 0);
  int height = std::max(client_height - 2 * margin, 0);
  terminal_grid grid;
  grid.rows = std::max(line_height > 0 ? height / line_height : 0, 5);
  grid.cols = std::max(char_width > 0 ? width / char_width : 0, 20);
  return grid;
}

QSize caret_size(int cursor_type, int char_width, int char_height) {
  switch (cursor_type) {
    case 0: return {2, char_height};
    case 1: return {char_width, 2};
    case 2: return {char_width, char_height};
    default: return {0, 0};
  }
}

QPoint caret_origin(const QRect& client, int margin, int char_width, int char_height,
                    int line_height, int cursor_type, int row, int col) {
  int x = char_width * col + margin + client.left();
  int y = (line_height - char_height) / 2 + line_height * row + client.top() + margin;
  if (cursor_type == 1) y += char_height - 2;
  return {x, y};
}
