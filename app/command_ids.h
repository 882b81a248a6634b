#pragma once
// The command ids of the main frame's menus, toolbar and accelerators. Each command is one
// QAction whose data is its id; the session commands (terminal/session_commands.h) and the
// explorer's list commands (explorer/explorer_commands.h) share the menus and are routed to the
// active session's view.
#include "explorer/explorer_commands.h"

enum frame_command : int {
  ID_FILE_NEW = 57600,             // "&New\tCtrl+N": quick connect
  ID_FILE_OPEN = 57601,            // "&Open...\tCtrl+O": no handler
  ID_FILE_CLOSE = 57602,           // "&Close"
  ID_FILE_SAVE = 57603,            // accelerator only (Ctrl+S): no handler
  ID_FILE_PRINT_SETUP = 57606,     // "P&rint Setup..."
  ID_FILE_PRINT = 57607,           // "&Print...\tCtrl+P": no handler
  ID_FILE_PRINT_PREVIEW = 57609,   // "Print Pre&view": no handler
  ID_FILE_MRU_FILE1 = 57616,       // "Recent File": always empty
  ID_EDIT_UNDO = 57643,            // accelerators Ctrl+Z, Alt+Backspace
  ID_EDIT_CUT = 57635,             // accelerators Ctrl+X, Shift+Delete
  ID_NEXT_PANE = 57680,            // F6
  ID_PREV_PANE = 57681,            // Shift+F6
  ID_APP_EXIT = 57665,             // "E&xit"
  ID_APP_ABOUT = 57664,            // "&About Tessary..."
  ID_VIEW_HOSTVIEW = 32777,        // toolbar only: show the Host View pane
  ID_WINDOW_TABS = 32820,          // "Tabs"
  ID_WINDOW_TILE_VERT = 57652,     // "Tile Vertically"
  ID_WINDOW_TILE_HORZ = 57651,     // "Tile Horizontally"
  ID_WINDOW_CASCADE = 57650,       // "Cascade"
  ID_WINDOW_MANAGER = 131,         // "&Windows..."
  ID_VIEW_CUSTOMIZE = 126,         // "Customize..."
  ID_VIEW_APPLOOK_WIN_2000 = 205,  // the application looks, 205 to 219
  ID_VIEW_APPLOOK_OFF_XP = 206,
  ID_VIEW_APPLOOK_WIN_XP = 207,
  ID_VIEW_APPLOOK_OFF_2003 = 208,
  ID_VIEW_APPLOOK_VS_2005 = 209,
  ID_VIEW_APPLOOK_VS_2008 = 210,
  ID_VIEW_APPLOOK_OFF_2007_BLUE = 215,
  ID_VIEW_APPLOOK_OFF_2007_BLACK = 216,
  ID_VIEW_APPLOOK_OFF_2007_SILVER = 217,
  ID_VIEW_APPLOOK_OFF_2007_AQUA = 218,
  ID_VIEW_APPLOOK_WINDOWS_7 = 219,
  ID_VIEW_CHAT_WINDOW = 32845,     // "&Chat Window"
  ID_VIEW_TINY_SERVER = 32854,     // "T&iny Server Tracer"
  ID_GLOBAL_OPTIONS = 32848,       // "&Global Options..."
  ID_TINY_SERVER_SETTING = 32849,  // "&Tiny Server Setting"
  ID_VIEW_TOOLBARS = 59392,        // "&Toolbars and Docking Windows"
  ID_VIEW_STATUS_BAR = 59393,      // "&Status Bar"
};

// The status bar's panes that carry ids.
enum status_pane : int {
  ID_INDICATOR_SIZE = 159,           // "%u Rows, %u Cols"
  ID_INDICATOR_TERMINAL_TYPE = 126,  // the active terminal's type
  ID_INDICATOR_CAPS = 59137,         // "CAP" while Caps Lock is on
  ID_INDICATOR_NUM = 59138,          // "NUM" while Num Lock is on
  ID_INDICATOR_SCRL = 59139,         // "SCRL" while Scroll Lock is on
};

// The main frame's window timers.
enum frame_timer : int {
  TIMER_STATUS_SIZE = 100,    // 200 ms after a terminal view was resized
  TIMER_ACTIVE_CHILD = 101,   // 50 ms after a child frame was activated
};

// The default application look, and the range of look ids.
constexpr int default_application_look = ID_VIEW_APPLOOK_VS_2008;
constexpr int first_application_look = ID_VIEW_APPLOOK_WIN_2000;
constexpr int last_application_look = ID_VIEW_APPLOOK_WINDOWS_7;
