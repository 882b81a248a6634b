#include "app/CTessaryApp.h"

#include <QApplication>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QScreen>

#include "app/open_session.h"
#include "config/configuration.h"
#include "config/default_session_param.h"
#include "platform/ui.h"
#include "servers/server_starters.h"
#include "settings/CAboutSheet.h"
#include "settings/controls/control_look.h"
#include "terminal/log_writer.h"

CTessaryApp the_app;
int screen_dpi_x = 0;
int screen_dpi_y = 0;
bool app_closing = false;

uint32_t look_background_color(int look) {
  switch (look) {
    case 205: return 0xF0F0F0;
    case 206: return 0xF7F7F7;
    case 207: return 0xFFFFFF;
    case 208: return 0xE2B57C;
    case 209: return 0xD9D9D9;
    case 210: return 0xFCEDEB;
    case 215: return 0xFFDBBF;
    case 216: return 0x535353;
    case 217: return 0xDDD4D0;
    case 218: return 0xD9CAC4;
    default: return system_window_color();
  }
}

uint32_t app_look_background_color() { return look_background_color(the_app.m_nApplicationLook); }

void CTessaryApp::RegisterTemplates() {
  m_docTemplates.clear();
  m_docTemplates[0] = std::make_unique<CTerminalTemplate>();
  m_docTemplates[1] = std::make_unique<CExplorerTemplate>();
}

bool CTessaryApp::InitInstance() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    screen_dpi_x = static_cast<int>(screen->logicalDotsPerInchX());
    screen_dpi_y = static_cast<int>(screen->logicalDotsPerInchY());
  }
  if (screen_dpi_x <= 0) screen_dpi_x = 96;
  if (screen_dpi_y <= 0) screen_dpi_y = 96;
  install_control_look({[] { return screen_dpi_x; }, [] { return the_app.m_nApplicationLook; },
                        [] { return app_look_background_color(); }});
  QCoreApplication::setOrganizationName("Tessary");
  QCoreApplication::setApplicationName("Tessary");

  RegisterTemplates();

  // A missing or unreadable file leaves the built-in defaults in force.
  configuration& settings = configuration::instance();
  settings.load();

  log_writer::instance();

  auto* frame = new CMainFrame;
  frame->setAttribute(Qt::WA_DeleteOnClose);
  m_pMainWnd = frame;
  m_nApplicationLook = the_app.m_nApplicationLook;

  // Command-line arguments name no document: sessions open only from session records.
  frame->showMaximized();

  if (settings.default_session) settings.default_session->opener = [](const session_record& record) {
    return open_session(record);
  };
  install_server_starters(settings);
  if (settings.root) {
    settings.root->apply();
    for (parameter* child : settings.root->children) child->apply_tree();
  }
  return true;
}

void CTessaryApp::OnAppAbout() {
  CAboutSheet sheet(m_pMainWnd);
  platform::ui::instance().run_modal(sheet);
}

void CTessaryApp::OnFilePrintSetup() {
  QPrinter printer;
  QPageSetupDialog dialog(&printer, m_pMainWnd);
  platform::ui::instance().run_modal(dialog);
}

int CTessaryApp::ExitInstance(int exit_code) {
  configuration::instance().exit_save();
  return exit_code;
}
