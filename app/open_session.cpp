#include "app/open_session.h"

#include <QMetaObject>

#include <functional>

#include "app/CMainFrame.h"
#include "app/CTessaryApp.h"
#include "app/doc_templates.h"
#include "connections/create_protocol.h"
#include "terminal/CBaseDoc.h"
#include "terminal/CBaseView.h"

bool open_session(const session_record& record) {
  auto found = the_app.m_docTemplates.find(record.view);
  CMainFrame* frame = the_app.m_pMainWnd;
  if (found == the_app.m_docTemplates.end() || !found->second || !frame) return false;
  CBaseView* made = found->second->OpenDocument(record);
  if (!made) return false;
  frame->AddSessionWindow(made, record.view);
  CBaseDoc* document = made->GetDocument();
  CBaseView* view = document ? document->GetFirstView() : nullptr;
  if (!view) return false;
  if (!view->m_pProtocol) {
    auto connection = create_protocol(document->m_session);
    if (!connection) {
      view->OnConnectionState(state_disconnected);
      return false;
    }
    view->AttachProtocol(std::move(connection));
  }
  view->m_pProtocol->start();
  QMetaObject::invokeMethod(view->widget(), [view] { view->OnSessionOpened(); }, Qt::QueuedConnection);
  return true;
}

namespace {

// Each open session's document, template by template, each template's in the order opened.
void for_each_open_document(const std::function<void(CBaseDoc&)>& visit) {
  CMainFrame* frame = the_app.m_pMainWnd;
  if (!frame) return;
  for (const auto& [key, doc_template] : the_app.m_docTemplates) {
    for (CChildFrame* child : frame->SessionFrames(key))
      if (CBaseDoc* document = child->GetDocument()) visit(*document);
  }
}

void apply_settings(CBaseDoc& document) {
  if (CBaseView* view = document.GetFirstView()) view->ApplySettings();
}

}  // namespace

void reapply_terminal_settings() {
  for_each_open_document([](CBaseDoc& document) {
    document.m_session.appearance.resolve_colors();
    apply_settings(document);
  });
}

void update_open_sessions(const session_record& record) {
  for_each_open_document([&](CBaseDoc& document) {
    if (document.m_session.uuid != record.uuid) return;
    document.m_session = record;
    document.m_session.appearance.resolve_colors();
  });
  for_each_open_document(apply_settings);
}
