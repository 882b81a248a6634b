#pragma once
// The commands that the session views carry (the session menu, the edit menu, the session tab
// menu and the toolbar), with their command ids, and the state a menu entry is shown in.
// The main frame routes these ids to the active session's view.
enum session_command : int {
  ID_SESSION_DISCONNECT = 32781,  // "&Disconnect"
  ID_SESSION_RECONNECT = 32803,   // "&Reconnect"
  ID_CLONE_TERMINAL = 32793,      // "Clone Terminal"
  ID_CLONE_EXPLORER = 32794,      // "Clone Explorer"
  ID_SESSION_OPTIONS = 32847,     // "&Session Options..."
  ID_EDIT_COPY = 57634,           // "&Copy\tCtrl+Insert"
  ID_EDIT_PASTE = 57637,          // "&Paste\tShift+Insert"
  ID_EDIT_FIND = 57636,           // "&Find\tCtrl+F"
  ID_EDIT_SELECT_ALL = 32836,     // "&Select All"
  ID_CLEAR_SCROLLBACK = 32837,    // "Clear Scrollback"
  ID_SESSION_LOG = 32835,         // "&Log..."
};

// How a command shows: a command that a view does not carry is neither handled nor enabled.
struct command_state {
  bool handled = false;
  bool enabled = false;
  bool checked = false;
};
