#include "settings/controls/CMyTreeCtrl.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>

#include "settings/controls/control_look.h"

namespace {

constexpr uint32_t selected_fill = 0xFFE8CD;
constexpr int glyph_size = 16;
constexpr int text_offset = 3;
constexpr int selection_widening = 3;

}  // namespace

CMyTreeCtrl::CMyTreeCtrl(QWidget* parent)
    : QTreeWidget(parent), m_hCollapsedIcon(resource_icon(418)), m_hExpandedIcon(resource_icon(417)) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setFrameShape(QFrame::StyledPanel);
}

int CMyTreeCtrl::Level(const QModelIndex& index) const {
  int level = 0;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) ++level;
  return level;
}

QFont CMyTreeCtrl::ItemFont() const { return point_font("Microsoft Sans Serif", 8, *viewport()); }

QRect CMyTreeCtrl::ButtonPartRect(const QModelIndex& index) const {
  QRect row = visualRect(index);
  bool has_button = m_bHasButtons && model()->hasChildren(index);
  if (!has_button) return QRect(row.left(), row.top(), 0, row.height());
  // The view's own expand-on-click area lies in the same place, one indent per level.
  int left = (Level(index) + (rootIsDecorated() ? 0 : -1)) * indentation() - horizontalOffset();
  return QRect(left, row.top(), indentation(), row.height());
}

QRect CMyTreeCtrl::TextRect(const QModelIndex& index) const {
  QRect row = visualRect(index);
  QRect button = ButtonPartRect(index);
  int left = button.width() > 0 ? button.right() + 1
                                : (Level(index) + 1) * indentation() + text_offset - horizontalOffset();
  int width = QFontMetrics(ItemFont()).horizontalAdvance(index.data(Qt::DisplayRole).toString());
  return QRect(left, row.top(), width, row.height());
}

void CMyTreeCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  bool selected = index == currentIndex();
  QRect row(0, option.rect.top(), viewport()->width(), option.rect.height());
  QColor shade = color_ref_to_qcolor(selected_fill);
  painter->fillRect(row, m_bFullRowSelect && selected ? shade : color_ref_to_qcolor(system_window_color()));

  QRect button = ButtonPartRect(index);
  if (button.width() > 0) {
    const QIcon& glyph = isExpanded(index) ? m_hExpandedIcon : m_hCollapsedIcon;
    glyph.paint(painter, QRect(button.topLeft(), QSize(glyph_size, glyph_size)));
  }
  QRect text = TextRect(index);
  if (selected && !m_bFullRowSelect)
    painter->fillRect(text.adjusted(-selection_widening, 0, selection_widening, 0), shade);
  painter->setFont(ItemFont());
  painter->setPen(Qt::black);
  painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, index.data(Qt::DisplayRole).toString());
}
