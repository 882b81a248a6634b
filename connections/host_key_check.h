#pragma once
// Checks an SSH2 server's host key before any password is sent, so that a machine in the
// middle cannot pose as the server: the key must match what ~/.ssh/known_hosts or Tessary's own
// known_hosts file (in the configuration folder) holds for the host. A host neither file knows
// is accepted and its key added to Tessary's file; a host whose key changed is refused.
#include <cstdint>
#include <string>

typedef struct _LIBSSH2_SESSION LIBSSH2_SESSION;

enum class host_key_verdict {
  known,    // a stored key matches
  added,    // no key was stored for the host: accepted and remembered
  changed,  // a key of the same type is stored for the host and differs: refuse
  failed,   // the session has no host key, or it cannot be checked: refuse
};

// Checks the key of the handshaken `session` for `host`:`port`. When the verdict refuses, a
// line saying why is written to the standard error stream.
host_key_verdict check_host_key(LIBSSH2_SESSION* session, const std::string& host, uint16_t port);

// The two files consulted: the user's OpenSSH file, and Tessary's own file (the one written).
std::string user_known_hosts_path();
std::string tessary_known_hosts_path();
