#include "config/color_plans.h"

#include <algorithm>

namespace {

constexpr std::array<color_ref, 16> plan_colors(const std::array<uint32_t, 16>& rrggbb) {
  std::array<color_ref, 16> colors{};
  for (size_t i = 0; i < colors.size(); ++i) colors[i] = rgb_color(rrggbb[i]);
  return colors;
}

}  // namespace

const std::array<ansi_color_plan, 6> builtin_ansi_color_plans = {{
    {u"VGA", plan_colors({0x000000, 0xAA0000, 0x00AA00, 0xAA5500, 0x0000AA, 0xAA00AA, 0x00AAAA,
                          0xAAAAAA, 0x555555, 0xFF5555, 0x55FF55, 0xFFFF55, 0x5555FF, 0xFF55FF,
                          0x55FFFF, 0xFFFFFF})},
    {u"CMD", plan_colors({0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080,
                          0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF,
                          0x00FFFF, 0xFFFFFF})},
    {u"Terminal.app",
     plan_colors({0x000000, 0xC23621, 0x25BC24, 0xADAD27, 0x492EE1, 0xD338D3, 0x33BBC8, 0xCBCCCD,
                  0x818383, 0xFC391F, 0x31E722, 0xEAEC23, 0x5833FF, 0xF935F8, 0x14F0F0,
                  0xE9EBEB})},
    {u"PuTTY", plan_colors({0x000000, 0xBB0000, 0x00BB00, 0xBBBB00, 0x0000BB, 0xBB00BB, 0x00BBBB,
                            0xBBBBBB, 0x555555, 0xFF5555, 0x55FF55, 0xFFFF55, 0x5555FF, 0xFF55FF,
                            0x55FFFF, 0xFFFFFF})},
    {u"mIRC", plan_colors({0x000000, 0x7F0000, 0x009300, 0xFC7F00, 0x00007F, 0x9C009C, 0x009393,
                           0xD2D2D2, 0x7F7F7F, 0xFF0000, 0x00FC00, 0xFFFF00, 0x0000FC, 0xFF00FF,
                           0x00FFFF, 0xFFFFFF})},
    {u"xterm", plan_colors({0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD, 0x00CDCD,
                            0xE5E5E5, 0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00, 0x5C5CFF, 0xFF00FF,
                            0x00FFFF, 0xFFFFFF})},
}};

const std::array<color_scheme, 3> builtin_color_schemes = {{
    {u"Monochrome", rgb_color(0x0A0A0A), rgb_color(0xFAFAFA), false, u"VGA"},
    {u"Monochrome-Dark", rgb_color(0xFAFAFA), rgb_color(0x0A0A0A), false, u"VGA"},
    {u"Standard", rgb_color(0xFAFAFA), rgb_color(0x0A0A0A), true, u"VGA"},
}};

const color_scheme* find_builtin_color_scheme(std::u16string_view name) {
  for (const color_scheme& scheme : builtin_color_schemes)
    if (scheme.name == name) return &scheme;
  return nullptr;
}

bool is_builtin_ansi_color_plan(std::u16string_view name) {
  return std::any_of(builtin_ansi_color_plans.begin(), builtin_ansi_color_plans.end(),
                     [&](const ansi_color_plan& plan) { return plan.name == name; });
}
