#include "settings/controls/control_look.h"

#include <QApplication>
#include <QFile>
#include <QPaintDevice>
#include <QPalette>

// Qt resources of a static library are registered by name, outside any namespace.
static void load_control_resources() {
  static const bool loaded = [] {
    Q_INIT_RESOURCE(controls);
    return true;
  }();
  (void)loaded;
}

namespace {

control_look_hooks& hooks() {
  static control_look_hooks installed;
  return installed;
}

}  // namespace

void install_control_look(control_look_hooks replacement) { hooks() = std::move(replacement); }

int control_screen_dpi_x() {
  int dpi = hooks().screen_dpi_x ? hooks().screen_dpi_x() : 0;
  return dpi > 0 ? dpi : 96;
}

int control_application_look() { return hooks().application_look ? hooks().application_look() : 0; }

uint32_t control_background_color() {
  return hooks().background_color ? hooks().background_color() : system_window_color();
}

uint32_t system_window_color() { return qcolor_to_color_ref(QApplication::palette().color(QPalette::Base)); }

QColor color_ref_to_qcolor(uint32_t color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

uint32_t qcolor_to_color_ref(const QColor& color) {
  return static_cast<uint32_t>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

QFont point_font(const QString& face, int points, const QPaintDevice& device, int weight) {
  QFont font(face);
  bool fixed = face.contains("Console", Qt::CaseInsensitive) || face.contains("Mono", Qt::CaseInsensitive) ||
               face.contains("Courier", Qt::CaseInsensitive);
  font.setStyleHint(fixed ? QFont::Monospace : QFont::SansSerif);
  int dpi = device.logicalDpiY() > 0 ? device.logicalDpiY() : 96;
  font.setPixelSize(std::max(1, mul_div(points, dpi, 72)));
  font.setWeight(static_cast<QFont::Weight>(weight));
  return font;
}

QIcon resource_icon(int id) {
  load_control_resources();
  for (const char* suffix : {".png", ".xpm"}) {
    QString path = QStringLiteral(":/icons/%1%2").arg(id).arg(QLatin1String(suffix));
    if (QFile::exists(path)) return QIcon(path);
  }
  return QIcon();
}
