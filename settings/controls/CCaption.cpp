#include "settings/controls/CCaption.h"

#include <QMouseEvent>
#include <QPainter>

#include "settings/controls/control_look.h"

namespace {

constexpr uint32_t frame_light = 0xFAFAFA;
constexpr uint32_t frame_dark = 0x646464;
constexpr int side_padding = 5;

}  // namespace

CCaption::CCaption(QWidget* parent) : QLabel(parent) {}

void CCaption::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QRect area = rect();
  painter.fillRect(area, color_ref_to_qcolor(m_crFill));
  if (m_b3DFrame) {
    painter.setPen(color_ref_to_qcolor(frame_light));
    painter.drawLine(area.topLeft(), area.topRight());
    painter.drawLine(area.topLeft(), area.bottomLeft());
    painter.setPen(color_ref_to_qcolor(frame_dark));
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    painter.drawLine(area.topRight(), area.bottomRight());
  }
  if (text().isEmpty()) return;
  painter.setFont(point_font(m_strFaceName, m_nPointSize, *this, m_bBold ? QFont::Bold : QFont::Normal));
  painter.setPen(color_ref_to_qcolor(m_crText));
  painter.drawText(area.adjusted(side_padding, 0, -side_padding, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void CCaption::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit STN_CLICKED(this);
  QLabel::mousePressEvent(e);
}
