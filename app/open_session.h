#pragma once
// Every session opens through open_session: a document, a child frame and a view for a copy of
// the record, a started connection, and the keyboard focus once the window is up.
struct session_record;

// True when the session's window exists and its connection was started (not that it
// connected: the tab icon shows that later). False when no template serves the record's view;
// a record whose protocol no connection serves still gets its tab, without a connection and
// with the disconnected icon, and false.
bool open_session(const session_record& record);

// Resolves the colours of every open session again and applies the terminal settings to each
// terminal view, after the global options changed. Saves nothing.
void reapply_terminal_settings();

// After a saved host's settings were edited: every open session of that host (same uuid) takes
// a copy of the record and resolves its colours again; then every session's view applies the
// terminal settings. Saves nothing.
void update_open_sessions(const session_record& record);
