#pragma once
// The four byte streams the terminal throughput is measured on, made from a fixed seed so every
// run feeds the same bytes.
#include <cstddef>
#include <string>

namespace bench {

// Lines of printable ASCII words of 0 to `cols` - 1 characters, each ended by CR LF.
std::string plain_scrolling_text(size_t bytes, int cols);
// The same text with an SGR colour change (foreground, background, bold, reverse, reset)
// before nearly every word.
std::string dense_colour_runs(size_t bytes, int cols);
// Absolute cursor moves to random cells of the screen, each followed by a colour and a short
// text.
std::string random_cursor_writes(size_t bytes, int rows, int cols);
// Lines of two- and three-byte UTF-8 characters (Latin, Greek, Cyrillic, box drawing) with
// ASCII spaces, ended by CR LF.
std::string utf8_multibyte_text(size_t bytes, int cols);

}  // namespace bench
