#pragma once
// What the session windows need from the main frame that hosts them: the tab icons of the three
// connection states, the clipboard object, the status bar's terminal size and notes, the active
// session (for the chat window and the button bar), opening a session (Clone), the Session
// Options dialog with the host manager's stored copy, whether close-all is under way, and the
// screen's DPI.
//
// The main frame implements it and installs itself for its lifetime; tests install a double.
// With none installed the windows do without (no icon, no status, no clipboard, no clone).
// GUI thread only.
#include <QIcon>
#include <QString>

#include "connections/connection_state.h"

class CBaseView;
class clipboard_access;
struct session_record;

class session_frame {
 public:
  virtual ~session_frame() = default;

  // The note of the chat window and the button bar when they find no terminal to send to.
  static constexpr const char* no_terminal_message = "No terminal is active: the text was not sent.";
  // Their note when the active terminal's session is not connected.
  static constexpr const char* not_connected_message = "The terminal is not connected: the text was not sent.";

  // The frame in use, or null.
  static session_frame* instance();
  // Installs `frame` (null removes it); returns the one it replaces.
  static session_frame* install(session_frame* frame);

  // The tab icon of a connection state (`CMainFrame::m_hIconDisconnected`, ...Connecting,
  // ...Connected).
  virtual QIcon state_icon(connection_state state) const = 0;
  // The main frame's clipboard object (`CMainFrame::m_clipboard`).
  virtual clipboard_access* clipboard() = 0;
  // A terminal view's size changed: stores it (`m_nStatusRows`, `m_nStatusCols`) and shows it
  // on the status bar 200 ms later.
  virtual void terminal_resized(int rows, int cols) = 0;
  // Tells the user on the status bar why something they did sent nothing (no active terminal,
  // a failed script). The note goes after a while, or when another session comes to the front.
  virtual void show_status(const QString& text) = 0;
  // The view of the active session tab, or null.
  virtual CBaseView* active_view() = 0;
  // `open_session` with a copy of the record.
  virtual bool open_session(const session_record& record) = 0;
  // Runs the Session Options dialog on `record` with the lock mask (1: the Connection page is
  // locked). True on OK, with `record` holding the edited values; false leaves it alone.
  virtual bool edit_session_options(session_record& record, int lock_mask) = 0;
  // After Session Options: the host manager's host with the same uuid becomes a copy of
  // `record` and the host tree is marked modified. Nothing when no host has that uuid.
  virtual void update_host(const session_record& record) = 0;
  // Set once the user confirmed closing every session (`app_closing`).
  virtual bool app_closing() const = 0;
  // The screen's vertical DPI (`screen_dpi_y`), 96 when unknown.
  virtual int screen_dpi_y() const = 0;
};
