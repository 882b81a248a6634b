#pragma once
// The colour-scheme choice of both Appearance pages.
#include <string_view>

class QComboBox;
class color_scheme_param;

// Lists the names of `schemes` in `combo`, in list order, and selects the first named exactly
// `name`, else the first scheme (nothing with an empty list). False when no scheme has that name.
bool list_scheme_names(QComboBox& combo, const color_scheme_param& schemes, std::u16string_view name);
