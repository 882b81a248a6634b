#include "terminal/CBaseView.h"

#include <QMdiSubWindow>
#include <QWidget>

#include <utility>

#include "config/session_record.h"
#include "platform/ui.h"
#include "terminal/CBaseDoc.h"
#include "terminal/session_confirmations.h"
#include "terminal/session_frame.h"
#include "terminal/view_notifier.h"

namespace {

bool confirmed(QWidget* parent, bool ask, const char* question) {
  if (!ask) return true;
  return platform::ui::instance().message_box(parent, QString::fromUtf8(question),
                                              QStringLiteral("Confirm"),
                                              platform::MB_YESNO | platform::MB_ICONQUESTION) ==
         platform::IDYES;
}

}  // namespace

CBaseView::CBaseView(QWidget* self, std::shared_ptr<CBaseDoc> document)
    : m_self(self),
      m_document(std::move(document)),
      m_notifier(std::make_shared<view_notifier>(this, self)) {
  m_document->AddView(this);
}

CBaseView::~CBaseView() {
  OnDestroy();
  m_document->RemoveView(this);
}

void CBaseView::OnDestroy() {
  m_notifier->detach();
  if (m_pProtocol) {
    m_pProtocol->release();
    m_pProtocol.reset();
  }
}

void CBaseView::AttachProtocol(std::shared_ptr<protocol> connection) {
  m_pProtocol = std::move(connection);
  if (m_pProtocol) m_pProtocol->set_owner(m_notifier);
}

int CBaseView::ConnectionState() const {
  return m_pProtocol ? m_pProtocol->state.load() : state_disconnected;
}

command_state CBaseView::UpdateCommand(int id) const {
  switch (id) {
    case ID_SESSION_DISCONNECT:
      return {true, ConnectionState() != state_disconnected, false};
    case ID_CLONE_EXPLORER:
      return {true, m_pProtocol && m_pProtocol->kind == protocol_ssh2, false};
    case ID_SESSION_RECONNECT:
    case ID_CLONE_TERMINAL:
    case ID_SESSION_OPTIONS:
      return {true, true, false};
    default:
      return {};
  }
}

bool CBaseView::OnCommand(int id) {
  if (!UpdateCommand(id).enabled) return false;
  switch (id) {
    case ID_SESSION_DISCONNECT: OnDisconnect(); return true;
    case ID_SESSION_RECONNECT: OnReconnect(); return true;
    case ID_CLONE_TERMINAL: OnCloneTerminal(); return true;
    case ID_CLONE_EXPLORER: OnCloneExplorer(); return true;
    case ID_SESSION_OPTIONS: OnSessionOptions(); return true;
    default: return false;
  }
}

QMdiSubWindow* CBaseView::ChildFrame() const {
  for (QWidget* w = m_self->parentWidget(); w; w = w->parentWidget())
    if (auto* child = qobject_cast<QMdiSubWindow*>(w)) return child;
  return nullptr;
}

void CBaseView::OnConnectionState(int state) {
  if (state < state_disconnected || state > state_connected) return;
  session_frame* frame = session_frame::instance();
  if (!frame) return;
  QIcon icon = frame->state_icon(static_cast<connection_state>(state));
  m_self->setWindowIcon(icon);
  // The child frame's icon is the one its tab shows.
  if (QMdiSubWindow* child = ChildFrame()) child->setWindowIcon(icon);
}

void CBaseView::SetCaption(const QString& caption) {
  m_self->setWindowTitle(caption);
  if (QMdiSubWindow* child = ChildFrame()) child->setWindowTitle(caption);
}

void CBaseView::OnSessionOpened() { m_self->setFocus(); }

void CBaseView::OnSftpReady(const std::string&, const std::string&) {}

void CBaseView::OnFileRequestDone() {}

void CBaseView::OnDisconnect() {
  if (!m_pProtocol) return;
  if (confirmed(m_self, session_confirmations::current().disconnect,
                "Are you sure to disconnect with the server?"))
    m_pProtocol->stop();
}

void CBaseView::OnReconnect() {
  if (!m_pProtocol) return;
  if (confirmed(m_self, session_confirmations::current().reconnect,
                "Are you sure to reconnect to the server?"))
    m_pProtocol->restart();
}

void CBaseView::OnCloneTerminal() { Clone(session_view_terminal); }

void CBaseView::OnCloneExplorer() { Clone(session_view_explorer); }

void CBaseView::Clone(int view) {
  session_frame* frame = session_frame::instance();
  if (!frame) return;
  // The clone keeps the uuid, so Session Options on either updates the same stored host.
  session_record copy = m_document->m_session;
  copy.view = view;
  frame->open_session(copy);
}

void CBaseView::OnSessionOptions() {
  session_frame* frame = session_frame::instance();
  if (!frame) return;
  session_record edited = m_document->m_session;
  int lock_mask = ConnectionState() != state_disconnected ? 1 : 0;
  if (!frame->edit_session_options(edited, lock_mask)) return;
  m_document->m_session = std::move(edited);
  m_document->m_session.appearance.resolve_colors();
  ApplySettings();
  frame->update_host(m_document->m_session);
}

void CBaseView::ApplySettings() {}
