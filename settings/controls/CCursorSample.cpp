#include "settings/controls/CCursorSample.h"

#include <QFontMetrics>
#include <QPainter>

#include "settings/controls/control_look.h"

CCursorSample::CCursorSample(QWidget* parent) : QLabel(parent) {
  connect(&m_timer, &QTimer::timeout, this, &CCursorSample::OnTimer);
}

void CCursorSample::ShowCursor(int style, int column, int interval_ms) {
  m_nCursorStyle = style;
  m_nCursorColumn = column;
  m_nBlinkInterval = interval_ms;
  m_timer.start(std::max(1, interval_ms));
  update();
}

void CCursorSample::OnTimer() {
  ++m_nTickCount;
  update();
}

QFont CCursorSample::SampleFont() const { return point_font(m_strFaceName, m_nPointSize, *this); }

QRect CCursorSample::CursorRect() const {
  QFontMetrics metrics(SampleFont());
  QString sample = text();
  int column = std::clamp(m_nCursorColumn, 0, static_cast<int>(sample.size()));
  int w = metrics.horizontalAdvance(sample);
  int w1 = metrics.horizontalAdvance(sample.left(column));
  int w2 = metrics.horizontalAdvance(sample.left(column + 1));
  int t = metrics.height();
  int x0 = (width() - w) / 2;
  int y0 = (height() - t) / 2;
  switch (m_nCursorStyle) {
    case 0: return QRect(x0 + w1, y0, 1, t);
    case 1: return QRect(x0 + w1, y0 + t - 1, w2 - w1, 1);
    default: return QRect(x0 + w1, y0, w2 - w1, t);
  }
}

void CCursorSample::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), color_ref_to_qcolor(m_crBackground));
  QString sample = text();
  if (sample.isEmpty()) return;
  QFont font = SampleFont();
  QFontMetrics metrics(font);
  int x0 = (width() - metrics.horizontalAdvance(sample)) / 2;
  painter.setFont(font);
  painter.setPen(color_ref_to_qcolor(m_crText));
  painter.drawText(QRect(x0, 0, width() - x0, height()), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   sample);
  if (m_nTickCount % 2 == 1) {
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.fillRect(CursorRect(), Qt::white);
  }
}
