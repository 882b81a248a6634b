#include "settings/controls/CMyComboBox.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "settings/controls/control_look.h"

namespace {

constexpr uint32_t highlight_fill = 0xFAC8C8;
constexpr uint32_t cross_hover_fill = 0xFAE6E6;
constexpr uint32_t cross_color = 0x323232;
constexpr int cross_inset = 5;

}  // namespace

// Draws each entry of the drop-down list, and the cross of the highlighted one (whose place it
// hands to the combo box, so the mouse can be compared with it).
class CMyComboBox::entry_delegate : public QStyledItemDelegate {
 public:
  explicit entry_delegate(CMyComboBox* owner) : QStyledItemDelegate(owner), m_owner(owner) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (!index.isValid()) return;
    QRect entry = option.rect;
    bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(entry, selected ? color_ref_to_qcolor(highlight_fill) : QColor(Qt::white));
    int h = entry.height();
    if (selected) {
      QRect cross(entry.right() - h + 1, entry.top(), h, h);
      m_owner->m_rcCross = cross;
      if (m_owner->m_bOverCross) painter->fillRect(cross, color_ref_to_qcolor(cross_hover_fill));
      QRect mark = cross.adjusted(cross_inset, cross_inset, -cross_inset, -cross_inset);
      painter->setRenderHint(QPainter::Antialiasing, false);
      painter->setPen(QPen(color_ref_to_qcolor(cross_color), 2, Qt::SolidLine));
      painter->drawLine(mark.topLeft(), mark.bottomRight());
      painter->drawLine(mark.topRight(), mark.bottomLeft());
    }
    painter->setFont(point_font("Microsoft Sans Serif", 8, *painter->device()));
    painter->setPen(Qt::black);
    QRect text(entry.left() + 2, entry.top(), entry.width() - h - 4, h);
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
  }

 private:
  CMyComboBox* m_owner;
};

CMyComboBox::CMyComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setItemDelegate(new entry_delegate(this));
  // The list's own handling of the mouse is installed with the list; ours is installed after
  // it, so it sees each event first and can keep a press on the cross from selecting.
  m_hListWnd = view()->viewport();
  m_hListWnd->installEventFilter(this);
}

int CMyComboBox::AddString(const QString& text) {
  int index = 0;
  while (index < count() && QString::compare(itemText(index), text, Qt::CaseInsensitive) <= 0) ++index;
  insertItem(index, text);
  return index;
}

int CMyComboBox::OnComboListMouse(int x, int y) {
  if (x != combo_list_press || y != 0) {
    bool over = m_rcCross.contains(x, y);
    if (over != m_bOverCross) {
      m_bOverCross = over;
      if (m_hListWnd) m_hListWnd->update(m_rcCross);
    }
    return 0;
  }
  if (!m_bOverCross) return 0;
  int row = view()->currentIndex().row();
  if (row < 0 || row >= count()) return 0;
  QString typed = currentText();
  removeItem(row);
  int match = findText(typed, Qt::MatchStartsWith);
  if (match >= 0) {
    setCurrentIndex(match);
  } else {
    setCurrentIndex(-1);
    setEditText(typed);
  }
  if (m_hListWnd) m_hListWnd->update();
  QMetaObject::invokeMethod(this, [this] { emit WM_COMBO_ITEM_DELETED(); }, Qt::QueuedConnection);
  return 1;
}

bool CMyComboBox::eventFilter(QObject* watched, QEvent* e) {
  if (watched == m_hListWnd) {
    switch (e->type()) {
      case QEvent::MouseMove: {
        QPoint at = static_cast<QMouseEvent*>(e)->position().toPoint();
        OnComboListMouse(at.x(), at.y());
        break;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton && OnComboListMouse(combo_list_press, 0)) {
          m_bSwallowRelease = true;
          return true;
        }
        break;
      case QEvent::MouseButtonRelease:
        if (m_bSwallowRelease) {
          m_bSwallowRelease = false;
          return true;
        }
        break;
      default:
        break;
    }
  }
  return QComboBox::eventFilter(watched, e);
}
