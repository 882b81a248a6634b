#pragma once
// The "DefaultSession" settings node (inside "CommonOptions"): which sessions open by
// themselves at start-up. Either none, the sessions that were open when the program was last
// closed, or a list of saved hosts named by uuid.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/parameter.h"
#include "config/session_record.h"

enum default_session_type : int32_t {
  default_session_none = 0,    // "Do not launch default session"
  default_session_last = 1,    // "Remember last sessions"
  default_session_custom = 2,  // "Use custom sessions"
};

class host_param;

class default_session_param : public parameter {
 public:
  // What opens a session at start-up; the application installs it (open_session).
  using session_opener = std::function<bool(const session_record&)>;

  default_session_param() : parameter(u"DefaultSession") {}

  // "DefaultSessionType"; "LastSessions" with one "Host" element per record, only for type 1;
  // "CustomSessions" with one "Host" text element per uuid, always.
  bool save(xml_document& doc) override;
  // Each element is looked up from the start of the section; the lists are appended to.
  bool load(xml_document& doc) override;
  // Opens the last sessions (type 1) or the custom hosts that the host tree still holds
  // (type 2) through the opener, in list order; nothing for any other type. Always true.
  bool apply() override;

  int32_t session_type = default_session_none;
  // Shared, not copied, by copies of the node.
  std::vector<std::shared_ptr<session_record>> last_sessions;
  std::vector<std::string> custom_sessions;

  session_opener opener;
  // The host tree the custom uuids are looked up in; the configuration's when null.
  const host_param* hosts = nullptr;
};
