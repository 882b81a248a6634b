#pragma once
// The "CommonOptions" settings node: whether closing, disconnecting and reconnecting a session
// ask the user first. Its child is "DefaultSession".
#include "config/parameter.h"

class common_options_param : public parameter {
 public:
  common_options_param() : parameter(u"CommonOptions") {}

  // "CloseConfirm", "DisconnectConfirm", "ReconnectConfirm", in this order, before the child.
  bool save(xml_document& doc) override;
  // Each switch is looked up from the start of the section; a missing one keeps its value.
  bool load(xml_document& doc) override;

  bool close_confirm = true;       // "Show confirm dialog when close a session"
  bool disconnect_confirm = true;  // "Show confirm dialog when disconnect from host"
  bool reconnect_confirm = true;   // "Show confirm dialog when reconnect to host"
};
