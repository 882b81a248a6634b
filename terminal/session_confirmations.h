#pragma once
// Whether closing, disconnecting and reconnecting a session ask the user first (the switches
// "CloseConfirm", "DisconnectConfirm" and "ReconnectConfirm" of the "CommonOptions" settings).
struct session_confirmations {
  bool close = true;
  bool disconnect = true;
  bool reconnect = true;

  // The switches as the settings hold them now.
  static session_confirmations current();
};
