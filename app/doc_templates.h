#pragma once
// The document templates: what makes the document and the view of a session, keyed by the
// record's session_view in the application's template map (0 terminal, 1 explorer).
#include <memory>

class CBaseDoc;
class CBaseView;
struct session_record;

class CDocTemplate {
 public:
  virtual ~CDocTemplate() = default;
  // A new document opened from `record` (copied, colours resolved, titled) and its view, whose
  // widget has no parent yet. Null when the view cannot be made.
  virtual CBaseView* OpenDocument(const session_record& record) = 0;
};

// The terminal template: CTerminalDoc with CTerminalView.
class CTerminalTemplate : public CDocTemplate {
 public:
  CBaseView* OpenDocument(const session_record& record) override;
};

// The explorer template: CExplorerDoc with CExplorerView.
class CExplorerTemplate : public CDocTemplate {
 public:
  CBaseView* OpenDocument(const session_record& record) override;
};
