// The explorer list's rules without a window: the order of the rows for each column and
// direction, the cell texts, row paths and mode bits.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "config/time_text.h"
#include "explorer/explorer_list.h"

namespace {

std::unique_ptr<file_entry> row(const std::string& name, const std::string& mode, uint64_t size = 0,
                                const std::string& owner = "u", uint32_t mtime = 0) {
  auto entry = std::make_unique<file_entry>();
  entry->name = name;
  entry->mode = mode;
  entry->size = size;
  entry->owner = owner;
  entry->group = "g";
  entry->mtime = mtime;
  return entry;
}

// The names in order after sorting the server's listing by `column`.
std::vector<std::string> sorted_names(int column, bool ascending) {
  std::vector<std::unique_ptr<file_entry>> rows;
  // In the server's order.
  rows.push_back(row("beta.txt", "-rw-r--r--", 1024, "zed", 300));
  rows.push_back(row("Zeta", "drwxr-xr-x", 4096, "amy", 100));
  rows.push_back(row("..", "drwxr-xr-x", 4096, "root", 50));
  rows.push_back(row("Alpha.txt", "-rw-------", uint64_t{5} << 30, "amy", 200));
  rows.push_back(row("alpha", "drwx------", 4096, "zed", 400));
  rows.push_back(row("gamma", "lrwxrwxrwx", 7, "amy", 100));
  sort_entries(rows, column, ascending);
  std::vector<std::string> names;
  for (const auto& entry : rows) names.push_back(entry->name);
  return names;
}

TEST(explorer_sort, orders_rows_by_each_column_keeping_equal_rows_in_the_servers_order) {
  struct order {
    const char* what;
    int column;
    bool ascending;
    std::vector<std::string> names;
  };
  const order orders[] = {
      // ".." and folders first, each group case-insensitively by name.
      {"name up", column_name, true, {"..", "alpha", "Zeta", "Alpha.txt", "beta.txt", "gamma"}},
      // The whole order reversed: plain entries first.
      {"name down", column_name, false, {"gamma", "beta.txt", "Alpha.txt", "Zeta", "alpha", ".."}},
      // Bytes: '-' < 'd' < 'l'; the two equal drwxr-xr-x keep the server's order both ways.
      {"right up", column_right, true, {"Alpha.txt", "beta.txt", "alpha", "Zeta", "..", "gamma"}},
      {"right down", column_right, false, {"gamma", "Zeta", "..", "alpha", "beta.txt", "Alpha.txt"}},
      {"owner up", column_owner, true, {"Zeta", "Alpha.txt", "gamma", "..", "beta.txt", "alpha"}},
      {"owner down", column_owner, false, {"beta.txt", "alpha", "..", "Zeta", "Alpha.txt", "gamma"}},
      // 5 GiB after 1 KiB.
      {"size up", column_size, true, {"gamma", "beta.txt", "Zeta", "..", "alpha", "Alpha.txt"}},
      {"time up", column_modify_time, true, {"..", "Zeta", "gamma", "Alpha.txt", "beta.txt", "alpha"}},
  };
  for (const order& o : orders) EXPECT_EQ(sorted_names(o.column, o.ascending), o.names) << o.what;
}

TEST(explorer_sort, folds_only_ascii_letters_and_compares_bytes_unsigned) {
  file_entry upper, lower, high;
  upper.name = "ABC";
  lower.name = "abd";
  high.name = "\xc3\x84";  // "Ä": a byte above every ASCII one, not folded
  EXPECT_LT(compare_entries(upper, lower, column_name), 0);
  EXPECT_GT(compare_entries(high, lower, column_name), 0);
  upper.mode = "-rw";
  high.mode = "\xff";
  EXPECT_LT(compare_entries(upper, high, column_right), 0);
}

TEST(explorer_list, cell_texts_paths_and_mode_bits) {
  auto entry = row("notes.txt", "-rw-r-----", 5368709120, "alice", 1600000000);
  EXPECT_EQ(cell_text(*entry, column_name), "notes.txt");
  EXPECT_EQ(cell_text(*entry, column_right), "-rw-r-----");
  EXPECT_EQ(cell_text(*entry, column_owner), "alice");
  EXPECT_EQ(cell_text(*entry, column_group), "g");
  EXPECT_EQ(cell_text(*entry, column_size), "5368709120");
  EXPECT_EQ(cell_text(*entry, column_modify_time), time_text(1600000000));
  EXPECT_EQ(entry_path("/home/u", *entry), "/home/u/notes.txt");
  EXPECT_EQ(entry_path("/", *row("etc", "drwxr-xr-x")), "//etc/");

  struct bits {
    const char* mode;
    int value;
  };
  const bits table[] = {{"drwxr-xr-x", 0755}, {"-rw-r--r--", 0644}, {"-rwsr-sr-t", 0755},
                        {"-rwSr--r-T", 0745}, {"----------", 0},   {"rwx", 07},
                        {"", 0}};
  for (const bits& b : table) EXPECT_EQ(mode_bits(b.mode), b.value) << b.mode;
}

TEST(explorer_list, six_columns_with_their_titles_and_widths) {
  const char* titles[] = {"Name", "Right", "Owner", "Group", "Size", "Modify Time"};
  const int widths[] = {200, 120, 80, 80, 100, 200};
  for (int column = 0; column < column_count; ++column) {
    EXPECT_STREQ(column_title(column), titles[column]);
    EXPECT_EQ(column_width(column), widths[column]);
  }
}

}  // namespace
