#pragma once
// Where Tessary keeps its files.
#include <string>

namespace platform {

// The configuration folder: $APPDATA when set, else $XDG_CONFIG_HOME/Tessary, else
// ~/.config/Tessary. Created with mode 0700 when missing (it holds scrambled passwords).
// The result has no trailing '/'.
std::string configuration_folder();

// The full path of the running program (/proc/self/exe), empty when it cannot be read.
std::string program_path();

}  // namespace platform
