#include "app/pane_focus.h"

#include <QApplication>
#include <QWidget>

namespace {

bool takes_focus(const QWidget* widget) {
  return widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus);
}

// Where the focus goes in `pane`, or null when the pane cannot take it.
QWidget* focus_target(QWidget* pane) {
  if (!pane || !pane->isVisible()) return nullptr;
  QWidget* last = pane->focusWidget();
  if (last && (last == pane || pane->isAncestorOf(last)) && takes_focus(last)) return last;
  if (takes_focus(pane)) return pane;
  for (QWidget* child : pane->findChildren<QWidget*>())
    if (takes_focus(child)) return child;
  return nullptr;
}

}  // namespace

void focus_next_pane(const std::vector<QWidget*>& panes, bool forward) {
  const int count = static_cast<int>(panes.size());
  const QWidget* focused = QApplication::focusWidget();
  int current = forward ? -1 : count;
  for (int i = 0; i < count; ++i)
    if (focused && panes[i] && (panes[i] == focused || panes[i]->isAncestorOf(focused))) current = i;
  for (int step = 1; step <= count; ++step) {
    const int index = ((current + (forward ? step : -step)) % count + count) % count;
    if (QWidget* target = focus_target(panes[index])) {
      target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  }
}
