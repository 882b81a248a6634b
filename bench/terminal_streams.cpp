#include "bench/terminal_streams.h"

#include <algorithm>
#include <random>
#include <string_view>

namespace bench {
namespace {

constexpr unsigned seed = 20261210;

std::string word(std::mt19937& random, int max_length) {
  std::uniform_int_distribution<int> length(1, std::max(1, max_length));
  std::uniform_int_distribution<int> letter('!', '~');
  std::string w(length(random), ' ');
  for (char& c : w) c = static_cast<char>(letter(random));
  return w;
}

// Appends lines of words until `bytes` are written; `before_word` may add bytes before each.
template <class Prefix>
std::string lines_of_words(size_t bytes, int cols, Prefix before_word) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> line_length(0, cols - 1);
  std::string out;
  out.reserve(bytes + 256);
  while (out.size() < bytes) {
    int room = line_length(random);
    int used = 0;
    while (used + 2 <= room) {
      std::string w = word(random, std::min(12, room - used - 1));
      before_word(random, out);
      out += w;
      out += ' ';
      used += static_cast<int>(w.size()) + 1;
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace

std::string plain_scrolling_text(size_t bytes, int cols) {
  return lines_of_words(bytes, cols, [](std::mt19937&, std::string&) {});
}

std::string dense_colour_runs(size_t bytes, int cols) {
  return lines_of_words(bytes, cols, [](std::mt19937& random, std::string& out) {
    std::uniform_int_distribution<int> kind(0, 5);
    std::uniform_int_distribution<int> colour(0, 7);
    switch (kind(random)) {
      case 0:
        out += "\x1b[0m";
        break;
      case 1:
        out += "\x1b[3" + std::to_string(colour(random)) + "m";
        break;
      case 2:
        out += "\x1b[4" + std::to_string(colour(random)) + "m";
        break;
      case 3:
        out += "\x1b[1;3" + std::to_string(colour(random)) + ";4" +
               std::to_string(colour(random)) + "m";
        break;
      case 4:
        out += "\x1b[7m";
        break;
      default:
        out += "\x1b[27;39;49m";
        break;
    }
  });
}

std::string random_cursor_writes(size_t bytes, int rows, int cols) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> row(1, rows);
  std::uniform_int_distribution<int> col(1, cols);
  std::uniform_int_distribution<int> colour(0, 7);
  std::string out;
  out.reserve(bytes + 256);
  while (out.size() < bytes) {
    out += "\x1b[" + std::to_string(row(random)) + ";" + std::to_string(col(random)) + "H";
    out += "\x1b[3" + std::to_string(colour(random)) + ";4" + std::to_string(colour(random)) + "m";
    out += word(random, 10);
  }
  return out;
}

std::string utf8_multibyte_text(size_t bytes, int cols) {
  // Two-byte Latin, Greek and Cyrillic letters and three-byte box drawing and symbols.
  static constexpr std::string_view characters[] = {
      "é", "ü", "ñ", "ß", "α", "β", "γ", "λ", "Ω", "ж", "щ", "я", "Д",
      "─", "│", "┼", "═", "╬", "█", "░", "€", "→", "≤", "∞",
  };
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> line_length(0, cols - 1);
  std::uniform_int_distribution<size_t> pick(0, std::size(characters) - 1);
  std::uniform_int_distribution<int> space(0, 7);
  std::string out;
  out.reserve(bytes + 256);
  while (out.size() < bytes) {
    for (int n = line_length(random); n > 0; --n) {
      if (space(random) == 0) {
        out += ' ';
      } else {
        out += characters[pick(random)];
      }
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace bench
