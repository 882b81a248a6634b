#pragma once
// The rules of the explorer's list, without a window: the six columns, the order of the rows
// for each sort column, the text of each cell, the remote path of a row and the mode bits of a
// permission text.
#include <memory>
#include <string>
#include <vector>

#include "connections/file_entry.h"

// The list's columns; the index is also the sort key.
enum explorer_column : int {
  column_name = 0,
  column_right = 1,
  column_owner = 2,
  column_group = 3,
  column_size = 4,
  column_modify_time = 5,
  column_count = 6,
};

// The header text and width in pixels of a column.
const char* column_title(int column);
int column_width(int column);

// Negative when `a` goes before `b` in ascending order by `column`: Name puts folders first,
// then compares the names with ASCII letters folded; Right, Owner and Group compare bytes;
// Size and Modify Time compare numbers.
int compare_entries(const file_entry& a, const file_entry& b, int column);

// Orders the rows once: ascending or descending by `column`; rows that compare equal keep the
// server's order in both directions (so a descending name sort puts files before folders).
void sort_entries(std::vector<std::unique_ptr<file_entry>>& rows, int column, bool ascending);

// The text of a cell: the name, the mode text, the owner, the group, the size in decimal, the
// modification time as "YYYY-MM-DD hh:mm:ss". Bytes as the server sent them.
std::string cell_text(const file_entry& entry, int column);

// A mode text starting with 'd'.
bool is_folder(const file_entry& entry);

// The row's remote path in `folder`: folder + "/" + name, with "/" after a folder's name.
std::string entry_path(const std::string& folder, const file_entry& entry);

// The permission bits of a mode text, from its last nine characters: each that is not '-' sets
// its bit (rwxr-xr-x gives 0755; s, t, S and T count as set).
int mode_bits(const std::string& mode_text);
