#pragma once
// Checks an SSH2 server's host key before any password is sent, so that a machine in the
// middle cannot pose as the server: the key must match what ~/.ssh/known_hosts or Tessary's own
// known_hosts file (in the configuration folder) holds for the host. A host neither file knows
// is accepted and its key added to Tessary's file; a host whose key changed is refused, and so
// is a host that offers a key of a type neither file holds for it while they hold others (an
// impostor only has to offer another type). The session first asks for the known types, so a
// real server with several keys answers with one that is known.
#include <cstdint>
#include <string>

typedef struct _LIBSSH2_SESSION LIBSSH2_SESSION;

enum class host_key_verdict {
  known,         // a stored key matches
  added,         // no key was stored for the host: accepted and remembered
  unremembered,  // no key was stored for the host, and this one could not be remembered
  changed,       // keys are stored for the host and this one is none of them: refuse
  failed,        // the session has no host key, or it cannot be checked: refuse
};

// Before the handshake of `session` with `host`:`port`: the host-key methods of the key types
// stored for the host come first among those the session offers, so a server with several keys
// answers with a known one. A host with no stored key negotiates as libssh2 does by default.
void prefer_known_host_keys(LIBSSH2_SESSION* session, const std::string& host, uint16_t port);

// Checks the key of the handshaken `session` for `host`:`port`. `reason` gets a line saying
// why the key is refused, or why a new key could not be remembered; it is emptied otherwise.
// The terminal and explorer connections and the HTTP server's SFTP storage share this check, so
// all of them trust and refuse the same keys.
host_key_verdict check_host_key(LIBSSH2_SESSION* session, const std::string& host, uint16_t port,
                                std::string& reason);

// True for the verdicts that let the log-in go on. A session the user watches (`attended`) goes
// on with a new key that could not be remembered, as OpenSSH does, once the user was told; an
// unattended one (the HTTP server's storage), whose key no one would ever see, does not.
inline bool host_key_trusted(host_key_verdict verdict, bool attended) {
  return verdict == host_key_verdict::known || verdict == host_key_verdict::added ||
         (attended && verdict == host_key_verdict::unremembered);
}

// The two files consulted: the user's OpenSSH file, and Tessary's own file (the one written).
std::string user_known_hosts_path();
std::string tessary_known_hosts_path();
