#pragma once
// The two colour records of a terminal and their built-in tables: an ANSI colour plan (16
// colours that the ANSI colour codes select) and a colour scheme (foreground, background, and
// either the colours of a named plan or the foreground everywhere).
//
// Colours are COLORREF values: red in the lowest byte, then green, then blue, top byte 0.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using color_ref = uint32_t;

// A colour written as the six hexadecimal digits RRGGBB, as people write them.
constexpr color_ref rgb_color(uint32_t rrggbb) {
  return ((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16);
}

struct ansi_color_plan {
  std::u16string name;
  // 0 black, 1 red, 2 green, 3 yellow, 4 blue, 5 magenta, 6 cyan, 7 white; 8-15 the bright forms.
  std::array<color_ref, 16> colors{};

  bool operator==(const ansi_color_plan&) const = default;
};

struct color_scheme {
  std::u16string name;
  color_ref foreground = 0;
  color_ref background = 0;
  bool ansi_color_mode = false;     // true: the palette is the plan's; false: all foreground
  std::u16string ansi_color_plan;  // a name that matches no plan stands for the first plan

  bool operator==(const color_scheme&) const = default;
};

// "VGA", "CMD", "Terminal.app", "PuTTY", "mIRC", "xterm", in this order.
extern const std::array<ansi_color_plan, 6> builtin_ansi_color_plans;
// "Monochrome", "Monochrome-Dark", "Standard", in this order.
extern const std::array<color_scheme, 3> builtin_color_schemes;

// The built-in scheme of exactly this name, or null.
const color_scheme* find_builtin_color_scheme(std::u16string_view name);

// Whether a plan of this name is one of the six built-in plans (exact comparison).
bool is_builtin_ansi_color_plan(std::u16string_view name);

// The colour lists are looked up and merged by exact name.

// The first entry of exactly this name, else the first entry, else `fallback` (empty list).
template <typename Entry>
const Entry& find_named(const std::vector<Entry>& list, std::u16string_view name,
                        const Entry& fallback) {
  if (list.empty()) return fallback;
  for (const Entry& entry : list)
    if (entry.name == name) return entry;
  return list.front();
}

// Replaces the entry of the same name in place, or appends the entry when none has its name.
template <typename Entry>
void merge_named(std::vector<Entry>& list, Entry entry) {
  for (Entry& known : list)
    if (known.name == entry.name) {
      known = std::move(entry);
      return;
    }
  list.push_back(std::move(entry));
}
