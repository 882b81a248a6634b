#include <libssh2.h>

#include <QApplication>

#include <clocale>
#include <csignal>

#include "app/CTessaryApp.h"
#include "app/quit_signals.h"

int main(int argc, char** argv) {
  // Before any connection's worker can start.
  libssh2_init(0);
  std::signal(SIGPIPE, SIG_IGN);
  QApplication app(argc, argv);
  // Lua and printf must keep '.' as the decimal point whatever the user's locale says.
  std::setlocale(LC_NUMERIC, "C");
  install_quit_signals([] {
    if (CMainFrame* frame = the_app.m_pMainWnd) frame->CloseWithoutAsking();
    else QCoreApplication::quit();
  });
  if (!the_app.InitInstance()) return 1;
  return the_app.ExitInstance(app.exec());
}
