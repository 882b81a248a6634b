#pragma once
// What the terminal view and the file explorer view have in common: the session's live
// connection, which the view owns and releases with its window, the tab icon that follows the
// connection's state, taking the focus when the session opens, and the session commands
// Disconnect, Reconnect, Clone Terminal, Clone Explorer and Session Options.
//
// A mix-in beside the view's Qt widget class (class CTerminalView : public QAbstractScrollArea,
// public CBaseView). GUI thread only; the connection's worker reaches the view only through the
// view's notifier, which posts.
#include <memory>
#include <string>

#include "connections/protocol.h"
#include "terminal/session_commands.h"

class CBaseDoc;
class QMdiSubWindow;
class QString;
class QWidget;
class view_notifier;

class CBaseView {
 public:
  // `self` is the view's own widget; the view registers with the document.
  CBaseView(QWidget* self, std::shared_ptr<CBaseDoc> document);
  virtual ~CBaseView();
  CBaseView(const CBaseView&) = delete;
  CBaseView& operator=(const CBaseView&) = delete;

  QWidget* widget() const { return m_self; }
  CBaseDoc* GetDocument() const { return m_document.get(); }

  // `open_session`: the view takes the connection and becomes its owner (state reports come to
  // it). The caller then starts it.
  virtual void AttachProtocol(std::shared_ptr<protocol> connection);
  // The connection's state, 0 (disconnected) without a connection.
  int ConnectionState() const;

  // The command routing of the main frame: how an entry shows, and running it. Both false /
  // not handled for ids the view does not carry.
  virtual command_state UpdateCommand(int id) const;
  virtual bool OnCommand(int id);

  // `WM_CONNECTION_STATE`: the tab icon of the state; other values change nothing.
  void OnConnectionState(int state);
  // `WM_SESSION_OPENED`, posted by `open_session`: the view takes the keyboard focus.
  void OnSessionOpened();
  // Explorer mode notices (the explorer view acts on them).
  virtual void OnSftpReady(const std::string& host, const std::string& home_folder);
  virtual void OnFileRequestDone();

  void OnDisconnect();
  void OnReconnect();
  void OnCloneTerminal();
  void OnCloneExplorer();
  void OnSessionOptions();

  // The document's title as the caption of the view and of its child frame (the tab's text).
  void SetCaption(const QString& caption);
  // The session frame (tab) that holds the view, or null.
  QMdiSubWindow* ChildFrame() const;

  // Re-applies the document's appearance (the terminal view draws with it).
  virtual void ApplySettings();

  // The session's connection, or null; only the view releases it.
  std::shared_ptr<protocol> m_pProtocol;

 protected:
  // Releases the connection (the worker stops within its grace period and posts nothing more)
  // and detaches the notifier. Called first thing by the derived view's destructor, while its
  // members are all there; again by this destructor, when it does nothing.
  void OnDestroy();

  const std::shared_ptr<view_notifier>& notifier() const { return m_notifier; }

 private:
  void Clone(int view);

  QWidget* m_self;
  std::shared_ptr<CBaseDoc> m_document;
  std::shared_ptr<view_notifier> m_notifier;
};
