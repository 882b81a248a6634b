#pragma once
// The "Output" pane at the bottom of the main frame: tab 0 "Chat Window", whose lines go to the
// active terminal, and tab 1 "Tiny Server", the servers' trace.
#include <QDockWidget>

class CChatWindow;
class CLogCtrl;
class QTabWidget;

class COutputWnd : public QDockWidget {
 public:
  static constexpr int chat_tab = 0;
  static constexpr int trace_tab = 1;

  explicit COutputWnd(QWidget* parent = nullptr);

  QTabWidget* m_wndTabs;
  CChatWindow* m_wndChat;
  CLogCtrl* m_wndLog;
};
