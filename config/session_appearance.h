#pragma once
// How a session's terminal looks: terminal type, colour scheme, font, cursor and scrollback,
// and the colours resolved from the scheme (never stored; derived again from the scheme name).
#include <array>
#include <cstdint>
#include <string>

#include "config/color_plans.h"

class ansi_color_param;
class color_scheme_param;

struct session_appearance {
  // The most lines of scrollback a session keeps, whatever its record asks for.
  static constexpr int32_t max_scrollback_size = 100000;

  // The defaults of new sessions, from the configuration's "TerminalAppearance", with the
  // colours resolved.
  session_appearance();

  // Looks the scheme up in the configuration's schemes (the first scheme when none has the
  // name) and takes its colours; with ANSI colours on, the palette is its plan's (the first
  // plan when none has the name), else 16 times the foreground.
  void resolve_colors();
  void resolve_colors(const color_scheme_param& schemes, const ansi_color_param& plans);

  std::string console_type;     // terminal type reported to the peer
  std::u16string color_scheme;  // name of the colour scheme
  std::u16string font_name = u"Lucida Console";
  int32_t font_size = 10;  // points
  int32_t cursor_type = 0;
  int32_t cursor_interval = 0;  // ms
  int32_t scrollback_size = 1000;  // lines

  int32_t ansi_color_mode = 0;  // 0 or 1
  color_ref foreground = 0;
  color_ref background = 0;
  std::array<color_ref, 16> palette{};
};
