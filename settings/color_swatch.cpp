#include "settings/color_swatch.h"

#include "platform/dialog_ids.h"
#include "platform/ui.h"
#include "settings/controls/CCaption.h"
#include "settings/controls/control_look.h"

CCaption* make_swatch(QWidget* parent, int id) {
  auto* swatch = with_id(new CCaption(parent), id);
  swatch->m_b3DFrame = true;
  swatch->setFixedSize(30, 30);
  swatch->setCursor(Qt::PointingHandCursor);
  return swatch;
}

void show_swatch_color(CCaption& swatch, color_ref color) {
  swatch.m_crFill = color;
  swatch.update();
}

std::optional<color_ref> pick_swatch_color(CCaption& swatch) {
  std::optional<QColor> chosen = platform::ui::instance().pick_color(&swatch, color_ref_to_qcolor(swatch.m_crFill));
  if (!chosen) return std::nullopt;
  const color_ref color = qcolor_to_color_ref(*chosen);
  show_swatch_color(swatch, color);
  return color;
}
