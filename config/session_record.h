#pragma once
// One session or host definition: identity, display name, how to connect, whether it opens as a
// terminal or a file explorer, and how its terminal looks. Records are plain values: every
// holder (host tree, documents, dialogs, default-session lists) keeps its own copy, and a copy
// keeps the uuid.
#include <cstdint>
#include <string>

#include "config/connection_params.h"
#include "config/session_appearance.h"

// Values of session_record::view; also the key of the document-template map.
enum session_view : int32_t {
  session_view_terminal = 0,
  session_view_explorer = 1,  // an SFTP file explorer over the SSH2 block
};

struct session_record {
  // A new uuid (empty when none can be made), empty name, default connection, terminal view and
  // the appearance defaults of the configuration.
  session_record();

  // The default file name of a session log: the name (with '/' turned into '_', so the name
  // cannot reach into another folder), "_", and the local time as YYYYMMDD_hhmmss. No extension.
  std::u16string default_log_name() const;

  std::string uuid;  // 32 upper-case hexadecimal digits; compared exactly
  std::u16string name;
  connection_params connection;
  int32_t view = session_view_terminal;
  session_appearance appearance;
};
