#pragma once
// Reading an HTTP request head and turning its target into a path inside the served folder.
// Plain functions, so every rule can be tested without a socket.
#include <cstdint>
#include <string>
#include <string_view>

enum http_method : int32_t {
  HTTP_GET = 0,
  HTTP_POST = 1,
  HTTP_PUT = 2,
  HTTP_PATCH = 3,
  HTTP_DELETE = 4,
  HTTP_HEAD = 5,
  HTTP_OPTIONS = 6,
  HTTP_NONE = 7,
};

// The longest request head (request line and header lines, up to the blank line) a client may
// send; a longer one fails its session as a refused head does.
constexpr size_t http_head_limit = 8192;

// The request line: a method word (case-sensitive), the target and the version, each pair parted
// by one blank. False when the line does not split so into three words: no method word, an empty
// target or version (two blanks in a row, a blank at the end), no version, or more words after it.
bool parse_request_line(std::string_view head, http_method& method, std::string& target);

struct request_path {
  // Always begins with '/'; dot segments resolved, separators ('/' and '\') as '/', a trailing
  // '/' kept (the request names a folder). A query ("?...") stays part of the path.
  std::string path;
  // A '%' that was not followed by two hex digits was kept as it is.
  bool bad_escape = false;
  // The path would leave the served folder, or holds a NUL or another control character: the
  // request is answered 404, and `path` holds the decoded text only for the log.
  bool refused = false;
};

// Percent-decodes the target (exactly two hex digits per '%'), puts a '/' in front when it lacks
// one, and confines it to the served folder.
request_path decode_request_path(std::string_view target);

