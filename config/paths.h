#pragma once
// Path clean-up and splitting, free names for copies, and the program's own folder.
#include <string>
#include <string_view>

// Each run of '/' and '\' becomes one '/'; a trailing '/' is dropped unless it is the whole
// path. "a\\b//c/" -> "a/b/c", "/" -> "/", "" -> "".
std::string normalize_path(std::string_view path);

// Splits the normalised path at its last '/': no '/' gives the folder "."; a '/' at the start
// gives the folder "/". Either output may be null. Always true.
bool split_path(std::string_view path, std::string* folder, std::string* file);

// The next name to try when a copy's target exists. The marker " (n)" goes at the very end of
// the name, before its trailing separators: "report.txt" -> "report.txt (1)", "logs\" (backslash
// flag set) -> "logs (1)\". Only that marker counts up ("report.txt (1)" -> "report.txt (2)");
// parentheses of the name's own stay as they are ("invoice(2023).pdf" -> "invoice(2023).pdf (1)").
// The flag chooses which trailing separators the marker goes before: '\' when set, '/' when
// clear.
std::string next_copy_name(std::string_view name, bool backslash);

// The folder of the running program (/proc/self/exe cut before its last '/'); empty when the
// path cannot be read.
std::u16string module_folder();
