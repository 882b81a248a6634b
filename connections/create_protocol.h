#pragma once
// The connection factory: a new connection for a session record, by its protocol.
#include <memory>

#include "connections/protocol.h"

struct session_record;

// SSH2, Telnet or serial with a copy of the record's block for that protocol, the record's uuid,
// view (terminal or explorer) and terminal type; null for any other protocol value. The caller
// sets the owner (and, for a terminal, the terminal link) and starts it.
std::shared_ptr<protocol> create_protocol(const session_record& record);
