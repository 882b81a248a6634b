#pragma once
// The four button icons (blue, purple, green and red dots, 16 x 16 px) by a button's icon index.
#include <QIcon>

#include <cstdint>

inline constexpr int button_icon_count = 4;
inline constexpr int button_icon_size = 16;

// The icon resource of `icon_index`; an index outside 0 to 3 (a hand-edited file may hold one)
// gets the first icon.
int button_icon_resource(int32_t icon_index);

// The icon itself.
QIcon button_icon(int32_t icon_index);
