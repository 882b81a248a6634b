#include "app/doc_templates.h"

#include "terminal/CTerminalDoc.h"
#include "terminal/CTerminalView.h"

CBaseView* CTerminalTemplate::OpenDocument(const session_record& record) {
  auto document = std::make_shared<CTerminalDoc>();
  document->OnOpenDocument(record);
  return new CTerminalView(document);
}
