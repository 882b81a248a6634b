#include "scripting/button_row.h"

button_row layout_button_row(QRect client, int combo_height, int combo_width, QSize overflow_size,
                             const std::vector<QSize>& button_sizes) {
  button_row row;
  const int height = client.height();
  const int right = client.x() + client.width();
  const int m = (height - combo_height) / 2;
  row.combo = QRect(client.x() + m, client.y() + m, combo_width, height - 2 * m);
  int x = row.combo.x() + row.combo.width() + m;
  int usable_right = right;

  long long total = 0;
  for (const QSize& size : button_sizes) total += size.width();
  if (total > usable_right - x) {
    row.overflow_shown = true;
    row.overflow = QRect(right - overflow_size.width(), client.y(), overflow_size.width(), height).adjusted(5, 5, -5, -5);
    usable_right = right - overflow_size.width();
  }

  row.buttons.reserve(button_sizes.size());
  for (size_t i = 0; i < button_sizes.size(); ++i) {
    const QSize size = button_sizes[i];
    if (row.first_hidden < 0 && size.width() <= usable_right - x) {
      row.buttons.emplace_back(x, client.y() + (height - size.height()) / 2, size.width(), size.height());
      x += size.width();
    } else {
      if (row.first_hidden < 0) row.first_hidden = static_cast<int>(i);
      row.buttons.emplace_back();
    }
  }
  return row;
}
