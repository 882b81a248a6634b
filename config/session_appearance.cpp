#include "config/session_appearance.h"

#include "config/ansi_color_param.h"
#include "config/color_scheme_param.h"
#include "config/configuration.h"
#include "config/terminal_appearance_param.h"
#include "config/text_convert.h"

session_appearance::session_appearance() {
  const configuration& config = configuration::instance();
  const terminal_appearance_param& defaults = *config.terminal_appearance;
  console_type = wcs_to_string(defaults.default_console_type);
  color_scheme = defaults.default_color_scheme;
  cursor_type = defaults.cursor_type;
  cursor_interval = static_cast<int32_t>(defaults.cursor_interval);
  resolve_colors(*config.color_schemes, *config.ansi_colors);
}

void session_appearance::resolve_colors() {
  const configuration& config = configuration::instance();
  resolve_colors(*config.color_schemes, *config.ansi_colors);
}

void session_appearance::resolve_colors(const color_scheme_param& schemes,
                                        const ansi_color_param& plans) {
  const ::color_scheme& scheme = schemes.find_scheme(color_scheme);
  foreground = scheme.foreground;
  background = scheme.background;
  ansi_color_mode = scheme.ansi_color_mode ? 1 : 0;
  if (scheme.ansi_color_mode)
    palette = plans.find_plan(scheme.ansi_color_plan).colors;
  else
    palette.fill(scheme.foreground);
}
