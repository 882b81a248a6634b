#pragma once
// What the painting controls need of the application they live in: the screen's horizontal DPI,
// the current application look and that look's pane colour. The application installs its own
// answers at start-up (the look can change while it runs); without them, as in a control used
// on its own, the DPI is 96, the look 0 and the pane colour the system window colour.
// Also the small helpers every control paints with. GUI thread only.
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>

#include <cstdint>
#include <functional>

#include "platform/mul_div.h"

class QPaintDevice;

struct control_look_hooks {
  std::function<int()> screen_dpi_x;
  std::function<int()> application_look;
  std::function<uint32_t()> background_color;  // 0x00BBGGRR
};

void install_control_look(control_look_hooks hooks);

int control_screen_dpi_x();
int control_application_look();
uint32_t control_background_color();

// The system window colour as 0x00BBGGRR.
uint32_t system_window_color();

// A 0x00BBGGRR colour for painting, and a painting colour as 0x00BBGGRR (alpha dropped).
QColor color_ref_to_qcolor(uint32_t color);
uint32_t qcolor_to_color_ref(const QColor& color);

// `face` at `points` for `device`: pixel size points * the device's vertical DPI / 72, rounded
// as MulDiv does. A face this system lacks falls back to a sans-serif one (fixed pitch for the
// faces the program uses for terminal text); the face name is kept as given.
QFont point_font(const QString& face, int points, const QPaintDevice& device, int weight = QFont::Normal);

// The program's icon with resource number `id` (":/icons/<id>.png" or ".xpm"); a null icon
// when there is none.
QIcon resource_icon(int id);
