#pragma once
// Where Tessary keeps its files.
#include <string>

namespace platform {

// The configuration folder: $APPDATA when set, else $XDG_CONFIG_HOME/Tessary, else
// ~/.config/Tessary. Created with mode 0700 when missing (it holds scrambled passwords).
// The result has no trailing '/'.
std::string configuration_folder();

// Creates the file at `path` empty with mode 0600 when it is missing, and makes an existing one
// 0600. A writer that keeps the mode of the file it replaces (QSettings) then writes a private
// file, as every file in the configuration folder is.
void make_private_file(const std::string& path);

// The full path of the running program (/proc/self/exe), empty when it cannot be read.
std::string program_path();

}  // namespace platform
