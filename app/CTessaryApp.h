#pragma once
// The application object: brings the program up in a fixed order (settings, log writer, main
// frame, first display, then the settings applied, which opens the start-up sessions and
// starts the servers) and writes a pending settings save at exit.
#include <QPointer>

#include <cstdint>
#include <map>
#include <memory>

#include "app/CMainFrame.h"
#include "app/doc_templates.h"

class CTessaryApp {
 public:
  CTessaryApp() = default;

  // Start-up; false ends the process before the event loop.
  bool InitInstance();
  // After the event loop: a pending deferred save is written at once. Returns `exit_code`.
  int ExitInstance(int exit_code);

  // The templates by session_view: 0 terminal, 1 explorer.
  void RegisterTemplates();

  // "About Tessary...": the About sheet.
  void OnAppAbout();
  // "Print Setup...": the printer and page dialog. Nothing in the program prints, so the
  // choices are not kept.
  void OnFilePrintSetup();

  std::map<int, std::unique_ptr<CDocTemplate>> m_docTemplates;
  // The application look, 205 to 219 (persisted as "ApplicationLook" in layout.ini).
  int m_nApplicationLook = 210;
  // The MDI area's layout: 0 tabs, 1 tile vertically, 2 tile horizontally, 3 cascade.
  int m_nWindowLayout = 0;
  QPointer<CMainFrame> m_pMainWnd;
};

extern CTessaryApp the_app;
// The screen's logical DPI, 96 when unknown; set once by InitInstance.
extern int screen_dpi_x;
extern int screen_dpi_y;
// Set once the user confirmed closing every session: no session asks again.
extern bool app_closing;

// The pane background colour (0x00BBGGRR) of the current application look.
uint32_t app_look_background_color();
// The same for any look id.
uint32_t look_background_color(int look);
