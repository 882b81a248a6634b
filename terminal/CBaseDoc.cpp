#include "terminal/CBaseDoc.h"

#include <QWidget>

#include <algorithm>
#include <utility>

#include "platform/qt_text.h"
#include "platform/ui.h"
#include "terminal/CBaseView.h"
#include "terminal/session_confirmations.h"
#include "terminal/session_frame.h"

bool CBaseDoc::OnOpenDocument(const session_record& record) {
  m_session = record;
  m_session.appearance.resolve_colors();
  SetTitle(m_session.name);
  return true;
}

bool CBaseDoc::OnCloseDocument() {
  session_frame* frame = session_frame::instance();
  bool closing_all = frame && frame->app_closing();
  if (closing_all || !session_confirmations::current().close) return true;
  CBaseView* view = GetFirstView();
  int answer = platform::ui::instance().message_box(
      view ? view->widget() : nullptr, QStringLiteral("Are you sure to close this session?"),
      QStringLiteral("Confirm"), platform::MB_YESNO | platform::MB_ICONQUESTION);
  return answer == platform::IDYES;
}

void CBaseDoc::SetTitle(std::u16string title) {
  m_strTitle = std::move(title);
  for (CBaseView* view : m_views) view->SetCaption(platform::to_qstring(m_strTitle));
}

void CBaseDoc::AddView(CBaseView* view) {
  m_views.push_back(view);
  view->SetCaption(platform::to_qstring(m_strTitle));
}

void CBaseDoc::RemoveView(CBaseView* view) { std::erase(m_views, view); }
