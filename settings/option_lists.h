#pragma once
// The fixed choices the appearance pages offer.
#include <array>

// The terminal types a session's terminal can report, in the order offered.
inline constexpr std::array<const char*, 3> terminal_types = {"vt100", "linux", "xterm"};

// The cursor styles, by their values (0, 1, 2).
inline constexpr std::array<const char*, 3> cursor_styles = {"Vertical", "Horizontal", "Block"};
