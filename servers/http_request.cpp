#include "servers/http_request.h"

#include <array>
#include <vector>

namespace {

constexpr std::array<std::string_view, 7> method_words = {"GET",    "POST", "PUT",    "PATCH",
                                                          "DELETE", "HEAD", "OPTIONS"};

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7F; }
bool is_separator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool parse_request_line(std::string_view head, http_method& method, std::string& target) {
  const std::string_view line = head.substr(0, head.find("\r\n"));
  for (size_t i = 0; i < method_words.size(); ++i) {
    const std::string_view word = method_words[i];
    if (line.size() <= word.size() || line.substr(0, word.size()) != word || line[word.size()] != ' ')
      continue;
    const std::string_view rest = line.substr(word.size() + 1);
    const size_t blank = rest.find(' ');
    if (blank == 0 || blank == std::string_view::npos) return false;
    const std::string_view version = rest.substr(blank + 1);
    if (version.empty() || version.find(' ') != std::string_view::npos) return false;
    method = static_cast<http_method>(i);
    target = rest.substr(0, blank);
    return true;
  }
  return false;
}

request_path decode_request_path(std::string_view target) {
  request_path result;
  std::string decoded;
  decoded.reserve(target.size() + 1);
  if (target.empty() || target.front() != '/') decoded += '/';
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%') {
      const int high = i + 1 < target.size() ? hex_value(target[i + 1]) : -1;
      const int low = i + 2 < target.size() ? hex_value(target[i + 2]) : -1;
      if (high >= 0 && low >= 0) {
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
      result.bad_escape = true;
    }
    decoded += target[i];
  }

  // Resolve the segments after decoding, so "%2e%2e", "..%2f" and "..\" are seen as the ".."
  // they become; a ".." with nothing left to climb out of would leave the served folder.
  std::vector<std::string_view> segments;
  const std::string_view text = decoded;
  bool names_folder = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = start;
    while (end < text.size() && !is_separator(text[end])) ++end;
    const std::string_view segment = text.substr(start, end - start);
    const bool last = end >= text.size();
    if (segment == "..") {
      if (segments.empty()) {
        result.refused = true;
        break;
      }
      segments.pop_back();
      names_folder = last;
    } else if (segment.empty() || segment == ".") {
      names_folder = last;
    } else {
      for (char c : segment)
        if (is_control(static_cast<unsigned char>(c))) result.refused = true;
      segments.push_back(segment);
      names_folder = false;
    }
    start = end + 1;
  }
  if (result.refused) {
    result.path = std::move(decoded);
    return result;
  }

  result.path = "/";
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i) result.path += '/';
    result.path += segments[i];
  }
  if (names_folder && !segments.empty()) result.path += '/';
  return result;
}

