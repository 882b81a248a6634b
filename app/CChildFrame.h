#pragma once
// The frame of one session tab, for terminals and explorers alike. It holds the session's
// document and view, asks the document before it closes, pops up the session menu on a right
// click of its caption, and tells its host (the main frame) when it becomes or stops being the
// active session.
#include <QMdiSubWindow>

class CBaseDoc;
class CBaseView;
class QMenu;

class child_frame_host {
 public:
  virtual ~child_frame_host() = default;
  // The active session changed (`m_pActiveChild` and timer 101 of the main frame): `frame`
  // became active, or (`active` false) stopped being active.
  virtual void child_activation_changed(class CChildFrame* frame, bool active) = 0;
  // The session menu ("Reconnect", "Disconnect", "Close", "Clone Terminal", "Clone Explorer",
  // "Session Options...") at a global position, its commands going to the active session.
  virtual void show_session_menu(const QPoint& global_position) = 0;
};

// Gives every tab of the area its session's title as written: a tab label would take an "&" for
// a shortcut marker.
void show_tab_titles(class QMdiArea* area);

class CChildFrame : public QMdiSubWindow {
 public:
  // The frame takes the view's widget over; the view holds the session's document. 
  // `template_key` is the session_view of the template that made the document.
  CChildFrame(CBaseView* view, int template_key, child_frame_host* host, QWidget* parent = nullptr);
  ~CChildFrame() override;

  CBaseDoc* GetDocument() const;
  CBaseView* GetActiveView() const { return m_view; }
  int TemplateKey() const { return m_templateKey; }
  // Behind the active tab the frame is not maximized: it is laid over the whole tab area, so its
  // view keeps the size of the visible tab.
  void FitBehindTab();

 protected:
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  void OnWindowStateChanged(Qt::WindowStates old_state, Qt::WindowStates new_state);

  CBaseView* m_view;
  int m_templateKey;
  child_frame_host* m_host;
  bool m_active = false;
};
