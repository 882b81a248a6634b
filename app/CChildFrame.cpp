#include "app/CChildFrame.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMdiArea>
#include <QTabBar>

#include "platform/qt_text.h"
#include "terminal/CBaseDoc.h"
#include "terminal/CBaseView.h"

CChildFrame::CChildFrame(CBaseView* view, int template_key, child_frame_host* host, QWidget* parent)
    : QMdiSubWindow(parent), m_view(view), m_templateKey(template_key), m_host(host) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWidget(view->widget());
  setWindowTitle(view->widget()->windowTitle());
  setWindowIcon(view->widget()->windowIcon());
  connect(this, &QMdiSubWindow::windowStateChanged, this, &CChildFrame::OnWindowStateChanged);
}

CChildFrame::~CChildFrame() {
  // QMdiSubWindow's own destructor changes the window state once this part is gone: no slot of
  // this frame may run then. The host hears that the frame is no longer active below.
  disconnect(this, &QMdiSubWindow::windowStateChanged, this, &CChildFrame::OnWindowStateChanged);
  // The view goes with the frame (and its document with the view); closing it releases the
  // session's connection.
  delete widget();
  m_view = nullptr;
  if (m_active && m_host) m_host->child_activation_changed(this, false);
}

void show_tab_titles(QMdiArea* area) {
  if (!area) return;
  auto* tabs = area->findChild<QTabBar*>(QString(), Qt::FindDirectChildrenOnly);
  if (!tabs) return;
  auto windows = area->subWindowList(QMdiArea::CreationOrder);
  for (int i = 0; i < tabs->count() && i < windows.size(); ++i) {
    QString title = windows[i]->windowTitle();
    if (auto* child = dynamic_cast<CChildFrame*>(windows[i]))
      if (CBaseDoc* document = child->GetDocument()) title = platform::to_qstring(document->GetTitle());
    tabs->setTabText(i, title.replace(QLatin1Char('&'), QLatin1String("&&")));
  }
}

void CChildFrame::changeEvent(QEvent* e) {
  // The area has set the tab's text from the new title by now.
  QMdiSubWindow::changeEvent(e);
  if (e->type() == QEvent::WindowTitleChange) show_tab_titles(mdiArea());
  if (e->type() == QEvent::WindowStateChange) FitBehindTab();
}

void CChildFrame::FitBehindTab() {
  QMdiArea* area = mdiArea();
  if (!area || area->viewMode() != QMdiArea::TabbedView) return;
  if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)) return;
  setGeometry(area->viewport()->rect().marginsAdded(contentsMargins()));
}

CBaseDoc* CChildFrame::GetDocument() const { return m_view ? m_view->GetDocument() : nullptr; }

void CChildFrame::OnWindowStateChanged(Qt::WindowStates old_state, Qt::WindowStates new_state) {
  bool was_active = old_state.testFlag(Qt::WindowActive);
  bool now_active = new_state.testFlag(Qt::WindowActive);
  if (was_active == now_active) return;
  m_active = now_active;
  if (m_host) m_host->child_activation_changed(this, now_active);
}

void CChildFrame::closeEvent(QCloseEvent* e) {
  CBaseDoc* document = GetDocument();
  if (document && !document->OnCloseDocument()) {
    e->ignore();
    return;
  }
  QMdiSubWindow::closeEvent(e);
}

void CChildFrame::contextMenuEvent(QContextMenuEvent* e) {
  // Only the caption: inside the view the view handles the mouse itself.
  QWidget* content = widget();
  if (m_host && (!content || !content->geometry().contains(e->pos()))) {
    m_host->show_session_menu(e->globalPos());
    e->accept();
    return;
  }
  QMdiSubWindow::contextMenuEvent(e);
}
