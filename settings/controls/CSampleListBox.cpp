#include "settings/controls/CSampleListBox.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyledItemDelegate>

#include "settings/controls/control_look.h"

namespace {

constexpr int extra_height = 10;
constexpr int text_left = 5;
constexpr int color_role = Qt::UserRole;

}  // namespace

class CSampleListBox::entry_delegate : public QStyledItemDelegate {
 public:
  explicit entry_delegate(CSampleListBox* owner) : QStyledItemDelegate(owner), m_owner(owner) {}

  // Every entry is one line of text in the list's font, with room above and below.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), QFontMetrics(m_owner->m_font).height() + extra_height);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (!index.isValid() || index.row() >= m_owner->count()) return;
    painter->save();
    painter->fillRect(option.rect, color_ref_to_qcolor(m_owner->m_crBackground));
    painter->setFont(m_owner->m_font);
    painter->setPen(color_ref_to_qcolor(index.data(color_role).toUInt()));
    painter->drawText(option.rect.adjusted(text_left, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
  }

 private:
  CSampleListBox* m_owner;
};

CSampleListBox::CSampleListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new entry_delegate(this));
  setUniformItemSizes(false);
}

int CSampleListBox::AddString(const QString& text, uint32_t color) {
  addItem(text);
  SetItemData(count() - 1, color);
  return count() - 1;
}

void CSampleListBox::SetItemData(int index, uint32_t color) {
  if (QListWidgetItem* entry = item(index)) entry->setData(color_role, color);
}

uint32_t CSampleListBox::GetItemData(int index) const {
  QListWidgetItem* entry = item(index);
  return entry ? entry->data(color_role).toUInt() : 0;
}

void CSampleListBox::paintEvent(QPaintEvent* e) {
  {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), color_ref_to_qcolor(m_crBackground));
  }
  QListWidget::paintEvent(e);
}
