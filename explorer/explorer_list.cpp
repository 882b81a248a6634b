#include "explorer/explorer_list.h"

#include <algorithm>

#include "config/time_text.h"

namespace {

struct column_info {
  const char* title;
  int width;
};

constexpr column_info columns[column_count] = {
    {"Name", 200}, {"Right", 120}, {"Owner", 80}, {"Group", 80}, {"Size", 100}, {"Modify Time", 200},
};

int compare_bytes(const std::string& a, const std::string& b) {
  // std::string compares as unsigned characters.
  int result = a.compare(b);
  return result < 0 ? -1 : result > 0 ? 1 : 0;
}

unsigned char fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

int compare_folded(const std::string& a, const std::string& b) {
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    int difference = fold(static_cast<unsigned char>(a[i])) - fold(static_cast<unsigned char>(b[i]));
    if (difference != 0) return difference < 0 ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

template <typename Number>
int compare_numbers(Number a, Number b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

const char* column_title(int column) { return column >= 0 && column < column_count ? columns[column].title : ""; }

int column_width(int column) { return column >= 0 && column < column_count ? columns[column].width : 0; }

bool is_folder(const file_entry& entry) { return !entry.mode.empty() && entry.mode[0] == 'd'; }

int compare_entries(const file_entry& a, const file_entry& b, int column) {
  switch (column) {
    case column_name:
      if (is_folder(a) != is_folder(b)) return is_folder(a) ? -1 : 1;
      return compare_folded(a.name, b.name);
    case column_right: return compare_bytes(a.mode, b.mode);
    case column_owner: return compare_bytes(a.owner, b.owner);
    case column_group: return compare_bytes(a.group, b.group);
    case column_size: return compare_numbers(a.size, b.size);
    case column_modify_time: return compare_numbers(a.mtime, b.mtime);
    default: return 0;
  }
}

void sort_entries(std::vector<std::unique_ptr<file_entry>>& rows, int column, bool ascending) {
  std::stable_sort(rows.begin(), rows.end(), [column, ascending](const auto& a, const auto& b) {
    int order = compare_entries(*a, *b, column);
    return ascending ? order < 0 : order > 0;
  });
}

std::string cell_text(const file_entry& entry, int column) {
  switch (column) {
    case column_name: return entry.name;
    case column_right: return entry.mode;
    case column_owner: return entry.owner;
    case column_group: return entry.group;
    case column_size: return std::to_string(entry.size);
    case column_modify_time: return time_text(entry.mtime);
    default: return {};
  }
}

std::string entry_path(const std::string& folder, const file_entry& entry) {
  std::string path = folder + "/" + entry.name;
  if (is_folder(entry)) path += "/";
  return path;
}

int mode_bits(const std::string& mode_text) {
  int bits = 0;
  size_t length = mode_text.size();
  for (size_t k = 0; k < 9 && k < length; ++k)
    if (mode_text[length - 1 - k] != '-') bits |= 1 << k;
  return bits;
}
