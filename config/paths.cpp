#include "config/paths.h"

#include <cctype>
#include <cstdint>
#include <limits>

#include "config/text_convert.h"
#include "platform/folders.h"

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

// Reads a decimal number the way "%d" does: blanks, an optional sign, digits (saturating at the
// int range). False when no digit follows.
bool read_int(std::string_view s, int64_t& value) {
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const size_t first = i;
  int64_t v = 0;
  constexpr int64_t limit = int64_t{std::numeric_limits<int>::max()} + 1;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    if (v < limit) v = v * 10 + (s[i] - '0');
  if (i == first) return false;
  if (negative) v = -v;
  if (v > std::numeric_limits<int>::max()) v = std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) v = std::numeric_limits<int>::min();
  value = v;
  return true;
}

}  // namespace

std::string normalize_path(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  bool previous_separator = false;
  for (char c : path) {
    const bool separator = is_separator(c);
    if (!separator)
      out += c;
    else if (!previous_separator)
      out += '/';
    previous_separator = separator;
  }
  if (out.size() >= 2 && out.back() == '/') out.pop_back();
  return out;
}

bool split_path(std::string_view path, std::string* folder, std::string* file) {
  const std::string normal = normalize_path(path);
  const auto slash = normal.rfind('/');
  std::string folder_part, file_part;
  if (slash == std::string::npos) {
    folder_part = ".";
    file_part = normal;
  } else if (slash == 0) {
    folder_part = "/";
    file_part = normal.substr(1);
  } else {
    folder_part = normal.substr(0, slash);
    file_part = normal.substr(slash + 1);
  }
  if (folder) *folder = std::move(folder_part);
  if (file) *file = std::move(file_part);
  return true;
}

std::string next_copy_name(std::string_view name, bool backslash) {
  const auto open = name.find('(');
  if (open != name.npos) {
    const auto close = name.find(')', open + 1);
    int64_t n;
    if (close != name.npos && read_int(name.substr(open + 1), n) && n != -1) {
      std::string out(name.substr(0, open));
      out += '(';
      out += std::to_string(static_cast<uint32_t>(n + 1));
      out += ')';
      out += name.substr(close + 1);
      return out;
    }
  }
  const char separator = backslash ? '\\' : '/';
  size_t end = name.size();
  while (end > 0 && name[end - 1] == separator) --end;
  std::string out(name.substr(0, end));
  out += " (1)";
  out += name.substr(end);
  return out;
}

std::u16string module_folder() {
  const std::string path = platform::program_path();
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return mbs_to_wstring(slash == 0 ? std::string_view("/") : std::string_view(path).substr(0, slash));
}
