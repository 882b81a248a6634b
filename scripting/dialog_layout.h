#pragma once
// Where the fields of a `dialog` form go. The fields stand in columns of label and control; a
// column is added while the form would be at least as tall as it is wide. Items fill the first
// column top to bottom, then the next; the first columns take one more item each when they do
// not divide evenly. OK and Cancel sit at the bottom right.
//
// Every distance is given at 96 DPI and scaled by the screen's DPI. The frame sizes are what the
// window adds around its client area (0 when the window system draws the frame outside it).
#include <QRect>
#include <QSize>

class dialog_layout {
 public:
  dialog_layout(int item_count, int dpi_x, int dpi_y, int frame_width = 0, int frame_height = 0);

  int columns() const { return columns_; }
  // The window size (frame included).
  QSize window_size() const { return size_for(columns_); }
  // The label and the control of item `index`.
  QRect label_rect(int index) const;
  QRect control_rect(int index) const;
  // The buttons, in a client area of `client` size.
  QRect ok_rect(QSize client) const;
  QRect cancel_rect(QSize client) const;

  const int margin;
  const int label_width;
  const int control_width;
  const int row_height;
  const int label_gap;
  const int column_gap;
  const int row_gap;
  const int button_width;

 private:
  QSize size_for(int columns) const;
  // Column and row of item `index`.
  void place(int index, int& column, int& row) const;

  int item_count_;
  int frame_width_;
  int frame_height_;
  int columns_ = 1;
};
