#include "app/doc_templates.h"

#include "explorer/CExplorerDoc.h"
#include "explorer/CExplorerView.h"
#include "terminal/CTerminalDoc.h"
#include "terminal/CTerminalView.h"

CBaseView* CTerminalTemplate::OpenDocument(const session_record& record) {
  auto document = std::make_shared<CTerminalDoc>();
  document->OnOpenDocument(record);
  return new CTerminalView(document);
}

CBaseView* CExplorerTemplate::OpenDocument(const session_record& record) {
  auto document = std::make_shared<CExplorerDoc>();
  document->OnOpenDocument(record);
  return new CExplorerView(document);
}
