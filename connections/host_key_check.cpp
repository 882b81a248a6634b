#include "connections/host_key_check.h"

#include <libssh2.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/folders.h"

namespace {

using known_hosts = std::unique_ptr<LIBSSH2_KNOWNHOSTS, decltype(&libssh2_knownhost_free)>;

// One type of host key, with the names libssh2 and known_hosts give it.
struct key_kind {
  int hostkey_type;  // what libssh2_session_hostkey reports
  int known_type;    // the type of its known_hosts entries
  const char* name;  // its name in known_hosts
  // libssh2's host-key methods that bring a key of this type (the first ones with stronger
  // signatures, where this libssh2 has them).
  std::array<std::string_view, 3> methods;
};

constexpr key_kind key_kinds[] = {
    {LIBSSH2_HOSTKEY_TYPE_ED25519, LIBSSH2_KNOWNHOST_KEY_ED25519, "ssh-ed25519", {"ssh-ed25519"}},
    {LIBSSH2_HOSTKEY_TYPE_ECDSA_256, LIBSSH2_KNOWNHOST_KEY_ECDSA_256, "ecdsa-sha2-nistp256", {"ecdsa-sha2-nistp256"}},
    {LIBSSH2_HOSTKEY_TYPE_ECDSA_384, LIBSSH2_KNOWNHOST_KEY_ECDSA_384, "ecdsa-sha2-nistp384", {"ecdsa-sha2-nistp384"}},
    {LIBSSH2_HOSTKEY_TYPE_ECDSA_521, LIBSSH2_KNOWNHOST_KEY_ECDSA_521, "ecdsa-sha2-nistp521", {"ecdsa-sha2-nistp521"}},
    {LIBSSH2_HOSTKEY_TYPE_RSA, LIBSSH2_KNOWNHOST_KEY_SSHRSA, "ssh-rsa", {"rsa-sha2-512", "rsa-sha2-256", "ssh-rsa"}},
    {LIBSSH2_HOSTKEY_TYPE_DSS, LIBSSH2_KNOWNHOST_KEY_SSHDSS, "ssh-dss", {"ssh-dss"}},
};

const key_kind* kind_of_hostkey(int hostkey_type) {
  for (const key_kind& kind : key_kinds)
    if (kind.hostkey_type == hostkey_type) return &kind;
  return nullptr;
}

// Reads the file line by line, so that one entry the library cannot parse (a key type it does
// not know) does not hide the entries after it. A missing file is an empty one.
void read_known_hosts(LIBSSH2_KNOWNHOSTS* hosts, const std::string& path) {
  std::string data;
  if (!platform::read_file(path, data)) return;
  std::string_view rest(data);
  while (!rest.empty()) {
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    // The library takes a line as a file read gives it: NUL-terminated, with its line feed.
    std::string whole(line);
    whole += '\n';
    libssh2_knownhost_readline(hosts, whole.c_str(), whole.size(), LIBSSH2_KNOWNHOST_FILE_OPENSSH);
  }
}

// The keys of both files; null when the library has no memory for them.
known_hosts stored_keys(LIBSSH2_SESSION* session) {
  known_hosts stored(libssh2_knownhost_init(session), &libssh2_knownhost_free);
  if (stored) {
    read_known_hosts(stored.get(), user_known_hosts_path());
    read_known_hosts(stored.get(), tessary_known_hosts_path());
  }
  return stored;
}

int check_key(LIBSSH2_KNOWNHOSTS* stored, const std::string& host, uint16_t port, const char* key,
              size_t key_length, int known_type) {
  return libssh2_knownhost_checkp(stored, host.c_str(), port, key, key_length,
                                  LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | known_type, nullptr);
}

// The types of the keys stored for the host. A key that no entry holds is checked with each
// type: an entry of that type for the host shows as a mismatch. The library matches the name
// as it does for a real key (hashed names, and "[host]:port" before the bare host).
std::vector<const key_kind*> stored_kinds(LIBSSH2_KNOWNHOSTS* stored, const std::string& host, uint16_t port) {
  static constexpr char probe[] = "";
  std::vector<const key_kind*> kinds;
  for (const key_kind& kind : key_kinds) {
    int found = check_key(stored, host, port, probe, sizeof probe, kind.known_type);
    if (found == LIBSSH2_KNOWNHOST_CHECK_MATCH || found == LIBSSH2_KNOWNHOST_CHECK_MISMATCH) kinds.push_back(&kind);
  }
  return kinds;
}

// The host as known_hosts names it: "[host]:port" unless the port is the standard one.
std::string entry_name(const std::string& host, uint16_t port) {
  return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

// Appends the key to Tessary's file; empty when it is there, else why it is not.
std::string remember_key(LIBSSH2_SESSION* session, const std::string& host, uint16_t port, const char* key,
                         size_t key_length, int known_type) {
  known_hosts own(libssh2_knownhost_init(session), &libssh2_knownhost_free);
  if (!own) return "out of memory";
  // Connections and the HTTP server's storage check keys on their own threads: one reads and
  // rewrites the file at a time, so that no new key is lost to another's rewrite.
  static std::mutex file_lock;
  const std::lock_guard hold(file_lock);
  std::string path = tessary_known_hosts_path();
  std::string text;
  // A file that is there but cannot be read is not replaced by one that holds only this key.
  if (!platform::read_file(path, text) && errno != ENOENT)
    return std::string("the file cannot be read (") + std::strerror(errno) + ")";
  libssh2_knownhost* added = nullptr;
  std::array<char, 8192> line{};
  size_t length = 0;
  if (libssh2_knownhost_addc(own.get(), entry_name(host, port).c_str(), nullptr, key, key_length, nullptr, 0,
                             LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | known_type, &added) != 0 ||
      libssh2_knownhost_writeline(own.get(), added, line.data(), line.size(), &length,
                                  LIBSSH2_KNOWNHOST_FILE_OPENSSH) != 0)
    return "libssh2 cannot write the entry";
  // Appending keeps every line the file held, also those the library could not read.
  if (!text.empty() && text.back() != '\n') text += '\n';
  text.append(line.data(), length);
  if (!platform::write_file_atomically(path, text, 0600)) return std::strerror(errno);
  return "";
}

host_key_verdict cannot_check(const std::string& host, std::string& reason) {
  reason = "The host key of " + host + " cannot be checked; refusing to connect";
  return host_key_verdict::failed;
}

// `how` says how it changed, when more than the key itself did.
host_key_verdict changed_key(const std::string& host, uint16_t port, const std::string& how, std::string& reason) {
  reason = "The host key of " + entry_name(host, port) + " has changed" + how +
           "; refusing to connect (someone may be listening in; remove the old key from " + user_known_hosts_path() +
           " or " + tessary_known_hosts_path() + " to accept the new one)";
  return host_key_verdict::changed;
}

std::string names_of(const std::vector<const key_kind*>& kinds) {
  std::string names;
  for (const key_kind* kind : kinds) names += (names.empty() ? "" : ", ") + std::string(kind->name);
  return names;
}

}  // namespace

std::string user_known_hosts_path() {
  const char* home = std::getenv("HOME");
  std::string folder = home ? home : "";
  if (folder.empty()) {
    passwd entry{};
    passwd* found = nullptr;
    std::array<char, 4096> strings{};
    if (getpwuid_r(getuid(), &entry, strings.data(), strings.size(), &found) == 0 && found)
      folder = found->pw_dir;
  }
  return folder + "/.ssh/known_hosts";
}

std::string tessary_known_hosts_path() { return platform::configuration_folder() + "/known_hosts"; }

void prefer_known_host_keys(LIBSSH2_SESSION* session, const std::string& host, uint16_t port) {
  known_hosts stored = stored_keys(session);
  if (!stored) return;
  const std::vector<const key_kind*> kinds = stored_kinds(stored.get(), host, port);
  if (kinds.empty()) return;
  const char** methods = nullptr;
  const int count = libssh2_session_supported_algs(session, LIBSSH2_METHOD_HOSTKEY, &methods);
  if (count <= 0) return;
  // The known ones first, the others after them in libssh2's order: a server that has none of
  // the known types still answers, and its key is refused with the reason.
  std::string known, others;
  for (int i = 0; i < count; ++i) {
    const std::string_view method = methods[i];
    const bool brings_known = std::any_of(kinds.begin(), kinds.end(), [&](const key_kind* kind) {
      return std::find(kind->methods.begin(), kind->methods.end(), method) != kind->methods.end();
    });
    std::string& list = brings_known ? known : others;
    list += (list.empty() ? "" : ",") + std::string(method);
  }
  libssh2_free(session, methods);
  if (known.empty()) return;
  if (!others.empty()) known += "," + others;
  libssh2_session_method_pref(session, LIBSSH2_METHOD_HOSTKEY, known.c_str());
}

host_key_verdict check_host_key(LIBSSH2_SESSION* session, const std::string& host, uint16_t port,
                                std::string& reason) {
  reason.clear();
  size_t key_length = 0;
  int key_type = 0;
  const char* key = libssh2_session_hostkey(session, &key_length, &key_type);
  const key_kind* kind = kind_of_hostkey(key_type);
  if (!key || !kind) return cannot_check(host, reason);
  known_hosts stored = stored_keys(session);
  if (!stored) return cannot_check(host, reason);
  switch (check_key(stored.get(), host, port, key, key_length, kind->known_type)) {
    case LIBSSH2_KNOWNHOST_CHECK_MATCH:
      return host_key_verdict::known;
    case LIBSSH2_KNOWNHOST_CHECK_NOTFOUND: {
      // No key of this type is stored for the host; keys of other types are as good as a
      // different key (a machine in the middle only has to offer another type).
      const std::vector<const key_kind*> kinds = stored_kinds(stored.get(), host, port);
      if (!kinds.empty())
        return changed_key(host, port,
                           std::string(" (it offered a key of type ") + kind->name + ", and only keys of type " +
                               names_of(kinds) + " are known for it)",
                           reason);
      const std::string why = remember_key(session, host, port, key, key_length, kind->known_type);
      if (why.empty()) return host_key_verdict::added;
      reason = "The new host key of " + entry_name(host, port) + " could not be remembered in " +
               tessary_known_hosts_path() + ": " + why;
      return host_key_verdict::unremembered;
    }
    case LIBSSH2_KNOWNHOST_CHECK_MISMATCH:
      return changed_key(host, port, "", reason);
    default:
      return cannot_check(host, reason);
  }
}
