#include "settings/controls/CIconButton.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "settings/controls/control_look.h"

namespace {

constexpr uint32_t hover_fill = 0xFFF3E5;
constexpr uint32_t hover_outline = 0xFFE8CC;
constexpr uint32_t dark_look_text = 0xC8C8C8;
constexpr int dark_look = 216;

}  // namespace

CIconButton::CIconButton(QWidget* parent)
    : QWidget(parent), m_nInnerMargin(mul_div(5, control_screen_dpi_x(), 96)) {
  m_font = point_font("Microsoft Sans Serif", 8, *this);
  setMouseTracking(true);
}

void CIconButton::SetIconAndCaption(int icon_id, int icon_size, const QString* caption) {
  m_nIconSize = icon_size;
  // Loaded at the size asked for, scaled when the resource holds only smaller pictures.
  QIcon icon = resource_icon(icon_id);
  m_hIcon = icon.isNull() || icon_size <= 0
                ? QPixmap()
                : icon.pixmap(QSize(icon_size, icon_size))
                      .scaled(icon_size, icon_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  if (caption) m_strCaption = *caption;
  updateGeometry();
  update();
}

QSize CIconButton::CaptionExtent() const {
  if (m_strCaption.isEmpty()) return QSize(0, 0);
  QFontMetrics metrics(m_font);
  return QSize(metrics.horizontalAdvance(m_strCaption), metrics.height());
}

QRect CIconButton::CalcIdealRect() const {
  QSize caption = CaptionExtent();
  // A margin on each side, and one between icon and caption when there are both.
  int between = HasIcon() && !m_strCaption.isEmpty() ? 1 : 0;
  int w = m_nIconSize + (2 + between) * m_nInnerMargin + caption.width();
  int h = std::max(m_nIconSize, caption.height()) + 2 * m_nInnerMargin;
  return QRect(0, 0, w, h);
}

void CIconButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  uint32_t background = m_bThemed ? control_background_color() : system_window_color();
  QColor fill = color_ref_to_qcolor(m_bHover ? hover_fill : background);
  QColor outline = color_ref_to_qcolor(m_bHover ? hover_outline : background);
  painter.setPen(QPen(outline, 1));
  painter.setBrush(fill);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));

  int caption_left = 0;
  if (HasIcon()) {
    // Signed, so that an icon taller than the button sits at the top-left rather than far off.
    int m = std::max(0, (height() - m_nIconSize) / 2);
    painter.drawPixmap(m, m, m_hIcon);
    caption_left = m_nIconSize + 2 * m;
  }
  QSize caption = CaptionExtent();
  QRect box(caption_left, (height() - caption.height()) / 2, caption.width(), caption.height());
  bool dim = m_bThemed && control_application_look() == dark_look;
  painter.setPen(dim ? color_ref_to_qcolor(dark_look_text) : palette().color(QPalette::WindowText));
  painter.setFont(m_font);
  painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, m_strCaption);
}

void CIconButton::mouseMoveEvent(QMouseEvent* e) {
  if (!m_bHover) {
    m_bHover = true;
    update();
  }
  QWidget::mouseMoveEvent(e);
}

void CIconButton::leaveEvent(QEvent* e) {
  m_bHover = false;
  update();
  QWidget::leaveEvent(e);
}

void CIconButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit STN_CLICKED(this);
  QWidget::mousePressEvent(e);
}

void CIconButton::mouseReleaseEvent(QMouseEvent* e) {
  // A release whose press was on the button but that happens elsewhere is not over it.
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
    e->accept();
    emit IBN_LBUTTONUP(this);
    return;
  }
  QWidget::mouseReleaseEvent(e);
}
