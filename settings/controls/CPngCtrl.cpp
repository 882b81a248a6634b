#include "settings/controls/CPngCtrl.h"

#include <QPainter>

CPngCtrl::CPngCtrl(QWidget* parent) : QWidget(parent) {}

bool CPngCtrl::Load(int id) {
  m_nResourceId = id;
  QImage picture;
  if (!picture.load(QStringLiteral(":/png/%1.png").arg(id), "PNG")) {
    m_image = QImage();
    return false;
  }
  // White is the transparent colour.
  m_image = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < m_image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
    for (int x = 0; x < m_image.width(); ++x)
      if ((line[x] & 0xFFFFFF) == 0xFFFFFF) line[x] = 0;
  }
  update();
  return true;
}

void CPngCtrl::paintEvent(QPaintEvent*) {
  if (m_image.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), m_image);
}
