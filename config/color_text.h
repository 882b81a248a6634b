#pragma once
// Colours as the settings file writes them: "#" and the COLORREF in eight upper-case hexadecimal
// digits; a plan's 16 colours joined by ",".
#include <array>
#include <string>
#include <string_view>

#include "config/color_plans.h"

std::u16string color_text(color_ref color);
std::u16string plan_colors_text(const std::array<color_ref, 16>& colors);

// Reads "#" and a hexadecimal number the way "%x" does (blanks, a sign and "0x" allowed, either
// case, any number of digits; too large saturates). False when the text does not start so.
bool scan_color_text(std::u16string_view text, color_ref& color);

// Reads 16 such colours separated by single ","; text after the sixteenth is ignored. False,
// with `colors` untouched, when fewer than 16 scan.
bool scan_plan_colors_text(std::u16string_view text, std::array<color_ref, 16>& colors);
