#include "app/COutputWnd.h"

#include <QTabWidget>

#include "app/CLogCtrl.h"
#include "platform/dialog_ids.h"
#include "terminal/CChatWindow.h"

COutputWnd::COutputWnd(QWidget* parent) : QDockWidget("Output", parent) {
  setObjectName("Output");
  setWindowIcon(QIcon(":/icons/output.xpm"));
  m_wndTabs = with_id(new QTabWidget(this), 1);
  m_wndTabs->setTabPosition(QTabWidget::South);
  m_wndTabs->setDocumentMode(true);
  m_wndChat = with_id(new CChatWindow(m_wndTabs), 5);
  m_wndLog = with_id(new CLogCtrl(m_wndTabs), 6);
  m_wndTabs->addTab(m_wndChat, "Chat Window");
  m_wndTabs->addTab(m_wndLog, "Tiny Server");
  setWidget(m_wndTabs);
}
