#include "config/paths.h"

#include "config/text_convert.h"
#include "platform/folders.h"

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

// Whether the name ends in the marker next_copy_name adds: a blank, then a number from 1 up
// without leading zeros in parentheses. `digits` receives the number's length.
bool copy_number_digits(std::string_view name, size_t& digits) {
  if (name.size() < 4 || name.back() != ')') return false;
  size_t first = name.size() - 1;
  while (first > 0 && name[first - 1] >= '0' && name[first - 1] <= '9') --first;
  digits = name.size() - 1 - first;
  return digits > 0 && name[first] != '0' && first >= 2 && name[first - 1] == '(' && name[first - 2] == ' ';
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
  const char separator = backslash ? '\\' : '/';
  size_t end = name.size();
  while (end > 0 && name[end - 1] == separator) --end;
  const std::string_view stem = name.substr(0, end);
  std::string out;
  size_t digits = 0;
  if (copy_number_digits(stem, digits)) {
    // Counts up in the digits themselves, so no number is too long.
    std::string number(stem.substr(stem.size() - 1 - digits, digits));
    size_t at = number.size();
    while (at > 0 && number[at - 1] == '9') number[--at] = '0';
    if (at == 0) number.insert(number.begin(), '1');
    else ++number[at - 1];
    out = stem.substr(0, stem.size() - digits - 3);
    out += " (" + number + ")";
  } else {
    out = stem;
    out += " (1)";
  }
  out += name.substr(end);
  return out;
}

std::u16string module_folder() {
  const std::string path = platform::program_path();
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return mbs_to_wstring(slash == 0 ? std::string_view("/") : std::string_view(path).substr(0, slash));
}
