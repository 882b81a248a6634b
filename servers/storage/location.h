#pragma once
// Where the HTTP server's home path lives: a local folder, or a location of the form
// scheme://host[:port]/path?username=...&password=... on an FTP, TFTP or SFTP server.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quarro {

enum scheme : int32_t {
  SCHEME_LOCAL = 0,    // "file", or no "://" in the text
  SCHEME_FTP = 1,      // "ftp", port 21 by default
  SCHEME_TFTP = 2,     // "tftp", port 69 by default
  SCHEME_SFTP = 3,     // "sftp", port 22 by default
  SCHEME_INVALID = 4,  // any other word
};

struct location {
  quarro::scheme scheme = SCHEME_INVALID;
  std::string host;               // empty for local paths
  uint16_t default_port = 1;      // 1 while the text gave no port
  uint16_t port = 0;              // 0 until given or defaulted
  std::string path;               // local: the folder as written; network: from the first '/' on
  // Local: the home folder as written. The local back end serves and lists only what resolves
  // (links followed) to a place inside it; an empty home holds nothing.
  std::string home;
  std::string username;           // the "username" query value, undecoded
  std::string password;           // the "password" query value, undecoded
};

// The port a back end puts in when the text named none; 0 for local and invalid schemes.
uint16_t default_port_of(quarro::scheme kind);

// Parses a home path. Null only when the word before "://" agrees with none of "file", "ftp",
// "tftp" and "sftp" (compared without case over the word's own length, so a shortened word
// selects the first scheme it begins).
std::unique_ptr<location> parse_location(std::string_view text);

}  // namespace quarro
