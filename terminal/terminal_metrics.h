#pragma once
// The geometry rules of the terminal view: line height, rows and columns for a client area,
// and the caret's rectangle. Plain arithmetic, so the rules can be checked without a window.
#include <QRect>

#include "platform/mul_div.h"

// The character height plus the line spacing, which is given in pixels at 96 DPI.
int terminal_line_height(int char_height, int line_spacing, int dpi_y);

struct terminal_grid {
  int rows = 0;
  int cols = 0;
};

// The rows and columns that fit inside the margin; never fewer than 5 rows and 20 columns, so
// a window that is too small still has a usable terminal (drawn as far as it fits).
terminal_grid terminal_grid_for(int client_width, int client_height, int margin, int char_width,
                                int line_height);

// The caret's shape by cursor type: 0 a vertical bar, 1 an underline, 2 a block; any other
// type is empty.
QSize caret_size(int cursor_type, int char_width, int char_height);

// Where the caret of the cell (row on screen, column) starts inside `client`.
QPoint caret_origin(const QRect& client, int margin, int char_width, int char_height,
                    int line_height, int cursor_type, int row, int col);
