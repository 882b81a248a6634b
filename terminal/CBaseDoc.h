#pragma once
// The document of a session tab: the session's own copy of its record, its title and the views
// that show it. A session document is opened from a record, never from a file, so it records no
// path. GUI thread only.
#include <string>
#include <vector>

#include "config/session_record.h"

class CBaseView;

class CBaseDoc {
 public:
  CBaseDoc() = default;
  virtual ~CBaseDoc() = default;
  CBaseDoc(const CBaseDoc&) = delete;
  CBaseDoc& operator=(const CBaseDoc&) = delete;

  // Copies the record, resolves its colours from the current settings and takes its name as
  // the title. Always true.
  virtual bool OnOpenDocument(const session_record& record);
  // Asks "Are you sure to close this session?" when closing sessions is to be confirmed and the
  // user has not already confirmed closing all of them. True when the document may close;
  // the caller then destroys its frame, its view and the document.
  virtual bool OnCloseDocument();

  const std::u16string& GetTitle() const { return m_strTitle; }
  // Also the caption of every view (and so of the session's tab).
  void SetTitle(std::u16string title);

  // Views register themselves while they exist; the first is the one that owns questions.
  void AddView(CBaseView* view);
  void RemoveView(CBaseView* view);
  CBaseView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }

  session_record m_session;

 private:
  std::u16string m_strTitle;
  std::vector<CBaseView*> m_views;
};
