#pragma once
// A history combo box of folders (or locations) and the served entry, as the TFTP and HTTP
// settings keep them: the paths in list order and the index of the one served, -1 for none.
// Paths are compared exactly: on Linux two paths that differ only in letter case are two
// folders.
#include <cstdint>
#include <string>
#include <vector>

class CMyComboBox;
class CMyPage;
class QString;

// Lists every path (the list keeps itself sorted) and shows the one `index` names in `paths`;
// with -1, or an index outside the list, the text stays empty.
void load_history(CMyComboBox& combo, const std::vector<std::string>& paths, int32_t index);

// Takes the text, with white space trimmed at both ends, into the list when no entry equals it,
// and shows it as the current entry. `paths` becomes the entries in list order and `index` the
// position of the text among them (-1 for an empty text).
void store_history(CMyComboBox& combo, std::vector<std::string>& paths, int32_t& index);

// The folder picker for a history, starting at its text (or the program's folder when empty).
// A chosen folder becomes the text, not yet an entry of the list, and the page is modified.
void browse_history_folder(CMyPage& page, CMyComboBox& combo, const QString& title);
