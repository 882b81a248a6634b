#include "connections/host_key_check.h"

#include <libssh2.h>
#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/folders.h"

namespace {

using known_hosts = std::unique_ptr<LIBSSH2_KNOWNHOSTS, decltype(&libssh2_knownhost_free)>;

int key_type_mask(int hostkey_type) {
  switch (hostkey_type) {
    case LIBSSH2_HOSTKEY_TYPE_RSA: return LIBSSH2_KNOWNHOST_KEY_SSHRSA;
    case LIBSSH2_HOSTKEY_TYPE_DSS: return LIBSSH2_KNOWNHOST_KEY_SSHDSS;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_256: return LIBSSH2_KNOWNHOST_KEY_ECDSA_256;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_384: return LIBSSH2_KNOWNHOST_KEY_ECDSA_384;
    case LIBSSH2_HOSTKEY_TYPE_ECDSA_521: return LIBSSH2_KNOWNHOST_KEY_ECDSA_521;
    case LIBSSH2_HOSTKEY_TYPE_ED25519: return LIBSSH2_KNOWNHOST_KEY_ED25519;
    default: return LIBSSH2_KNOWNHOST_KEY_UNKNOWN;
  }
}

// Reads the file line by line, so that one entry the library cannot parse (a key type it does
// not know) does not hide the entries after it. A missing file is an empty one.
void read_known_hosts(LIBSSH2_KNOWNHOSTS* hosts, const std::string& path, std::string* text = nullptr) {
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
  if (text) *text = std::move(data);
}

// The host as known_hosts names it: "[host]:port" unless the port is the standard one.
std::string entry_name(const std::string& host, uint16_t port) {
  return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

bool remember_key(LIBSSH2_SESSION* session, const std::string& host, uint16_t port,
                  const char* key, size_t key_length, int type_mask) {
  known_hosts own(libssh2_knownhost_init(session), &libssh2_knownhost_free);
  if (!own) return false;
  // Connections and the HTTP server's storage check keys on their own threads: one reads and
  // rewrites the file at a time, so that no new key is lost to another's rewrite.
  static std::mutex file_lock;
  const std::lock_guard hold(file_lock);
  std::string path = tessary_known_hosts_path();
  std::string text;
  platform::read_file(path, text);
  libssh2_knownhost* added = nullptr;
  if (libssh2_knownhost_addc(own.get(), entry_name(host, port).c_str(), nullptr, key, key_length,
                             nullptr, 0, type_mask, &added) != 0)
    return false;
  std::array<char, 8192> line{};
  size_t length = 0;
  if (libssh2_knownhost_writeline(own.get(), added, line.data(), line.size(), &length,
                                  LIBSSH2_KNOWNHOST_FILE_OPENSSH) != 0)
    return false;
  // Appending keeps every line the file held, also those the library could not read.
  if (!text.empty() && text.back() != '\n') text += '\n';
  text.append(line.data(), length);
  return platform::write_file_atomically(path, text, 0600);
}

host_key_verdict cannot_check(const std::string& host, std::string& reason) {
  reason = "The host key of " + host + " cannot be checked; refusing to connect";
  return host_key_verdict::failed;
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

host_key_verdict check_host_key(LIBSSH2_SESSION* session, const std::string& host, uint16_t port,
                                std::string& reason) {
  reason.clear();
  size_t key_length = 0;
  int key_type = 0;
  const char* key = libssh2_session_hostkey(session, &key_length, &key_type);
  int type_mask = key_type_mask(key_type);
  if (!key || type_mask == LIBSSH2_KNOWNHOST_KEY_UNKNOWN) return cannot_check(host, reason);
  known_hosts stored(libssh2_knownhost_init(session), &libssh2_knownhost_free);
  if (!stored) return cannot_check(host, reason);
  read_known_hosts(stored.get(), user_known_hosts_path());
  read_known_hosts(stored.get(), tessary_known_hosts_path());
  int mask = LIBSSH2_KNOWNHOST_TYPE_PLAIN | LIBSSH2_KNOWNHOST_KEYENC_RAW | type_mask;
  switch (libssh2_knownhost_checkp(stored.get(), host.c_str(), port, key, key_length, mask, nullptr)) {
    case LIBSSH2_KNOWNHOST_CHECK_MATCH:
      return host_key_verdict::known;
    case LIBSSH2_KNOWNHOST_CHECK_NOTFOUND:
      if (!remember_key(session, host, port, key, key_length, mask))
        reason = "The host key of " + host + " could not be added to " + tessary_known_hosts_path();
      return host_key_verdict::added;
    case LIBSSH2_KNOWNHOST_CHECK_MISMATCH:
      reason = "The host key of " + entry_name(host, port) +
               " has changed; refusing to connect (someone may be listening in; remove the old key from " +
               user_known_hosts_path() + " or " + tessary_known_hosts_path() + " to accept the new one)";
      return host_key_verdict::changed;
    default:
      return cannot_check(host, reason);
  }
}
