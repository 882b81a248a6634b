// Byte streams in, screen out: one table per family of sequences, on a 5 x 10 screen.
#include "terminal/escape_parser.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tests/terminal/screen_probe.h"

namespace {

using namespace std::string_view_literals;
using test_support::screen_probe;

struct screen_case {
  const char* name;
  std::string_view input;
  // The screen rows joined with '|', trailing blanks and empty rows cut.
  const char* screen;
  int row;
  int col;
  const char* replies = "";
};

// Runs every case through the block path and again byte by byte: the run fast paths must leave
// exactly what the state machine leaves.
void run_cases(const std::vector<screen_case>& cases, int rows = 5, int cols = 10) {
  for (const screen_case& c : cases) {
    for (bool bytewise : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (bytewise ? " (byte by byte)" : ""));
      screen_probe probe(rows, cols);
      probe.core().set_console_type("xterm");
      if (bytewise) {
        probe.feed_bytewise(c.input);
      } else {
        probe.feed(c.input);
      }
      EXPECT_EQ(probe.screen_text(), c.screen);
      EXPECT_EQ(probe.cursor(), std::make_pair(c.row, c.col));
      EXPECT_EQ(probe.replies(), c.replies);
    }
  }
}

TEST(escape_parser, prints_wraps_and_obeys_control_bytes) {
  run_cases({
      {"plain text", "abc", "abc", 0, 3},
      {"a full line leaves the cursor on the last column", "0123456789", "0123456789", 0, 9},
      {"the 11th character wraps", "0123456789A", "0123456789|A", 1, 1},
      {"autowrap off overwrites the last column", "\x1b[?7l0123456789AB", "012345678B", 0, 9},
      {"autowrap back on", "\x1b[?7l\x1b[?7h0123456789A", "0123456789|A", 1, 1},
      {"CR LF", "ab\r\ncd", "ab|cd", 1, 2},
      {"LF keeps the column", "ab\ncd", "ab|  cd", 1, 4},
      {"BS", "abc\bX", "abX", 0, 3},
      {"BS at column 0 stays", "\bX", "X", 0, 1},
      {"HT goes to the next multiple of 8", "a\tb", "a       b", 0, 9},
      {"HT past the last stop goes to the last column", "\t\tX", "         X", 0, 9},
      {"NUL, BEL, SO and SI are ignored", "a\x07\0\x0e\x0f" "b"sv, "ab", 0, 2},
      {"other C0 codes show as themselves", "a\x01\x0b" "b", "a\x01\x0b" "b", 0, 4},
      {"CR clears a pending wrap", "0123456789\rX", "X123456789", 0, 1},
      {"LF at the bottom scrolls", "1\r\n2\r\n3\r\n4\r\n5\r\n6", "2|3|4|5|6", 4, 1},
      {"a wrap at the bottom scrolls", "\x1b[5;1H0123456789ab", "|||0123456789|ab", 4, 2},
  });
}

TEST(escape_parser, moves_the_cursor) {
  run_cases({
      {"CSI H homes", "abc\x1b[Hx", "xbc", 0, 1},
      {"CSI 0;0 H homes", "abc\x1b[0;0Hx", "xbc", 0, 1},
      {"CSI 1;1 H homes", "abc\x1b[1;1Hx", "xbc", 0, 1},
      {"CUP row and column", "\x1b[3;5HX", "||    X", 2, 5},
      {"CUP f", "\x1b[2;2fX", "| X", 1, 2},
      {"CUP clamps to the screen", "\x1b[99;99HX", "||||         X", 4, 9},
      {"CUU clamps at the top", "\x1b[3;3H\x1b[10AX", "  X", 0, 3},
      {"CUD moves into rows not stored yet", "\x1b[2BX", "||X", 2, 1},
      {"CUD e", "\x1b[2eX", "||X", 2, 1},
      {"CUD clamps at the bottom", "\x1b[9BX", "||||X", 4, 1},
      {"CUF and CUB", "\x1b[5CX\x1b[3DY", "   Y X", 0, 4},
      {"CUF a", "\x1b[2aX", "  X", 0, 3},
      {"CUF clamps", "\x1b[99CX", "         X", 0, 9},
      {"CUB clamps", "ab\x1b[9DX", "Xb", 0, 1},
      {"CNL and CPL", "ab\x1b[2Ecd\x1b[Fef", "ab|ef|cd", 1, 2},
      {"CHA", "abcdef\x1b[3GX", "abXdef", 0, 3},
      {"CHA without a parameter", "abc\x1b[GX", "Xbc", 0, 1},
      {"HPA backtick", "abcdef\x1b[2`X", "aXcdef", 0, 2},
      {"VPA keeps the column", "abc\x1b[3dX", "abc||   X", 2, 4},
      {"CHT", "\x1b[2IX", "         X", 0, 9},
      {"CBT", "\x1b[9G\x1b[2ZX", "X", 0, 1},
      {"CBT from a stop", "\x1b[9G\x1b[ZX", "X", 0, 1},
      {"ESC 7 and ESC 8", "ab\x1b" "7\x1b[3;3Hcd\x1b" "8X", "abX||  cd", 0, 3},
      {"CSI s and CSI u", "ab\x1b[s\x1b[3;3Hcd\x1b[uX", "abX||  cd", 0, 3},
  });
}

TEST(escape_parser, erases_inserts_and_deletes_characters) {
  run_cases({
      {"EL 0", "abcdef\x1b[3G\x1b[K", "ab", 0, 2},
      {"EL 1 includes the cursor cell", "abcdef\x1b[3G\x1b[1K", "   def", 0, 2},
      {"EL 2", "abcdef\x1b[2K", "", 0, 6},
      {"ED 0", "aaa\r\nbbb\r\nccc\x1b[2;2H\x1b[J", "aaa|b", 1, 1},
      {"ED 1 includes the cursor cell", "aaa\r\nbbb\r\nccc\x1b[2;2H\x1b[1J", "|  b|ccc", 1, 1},
      {"ED 2 keeps the cursor", "aaa\r\nbbb\x1b[2J", "", 1, 3},
      {"ED 3 changes nothing", "aaa\x1b[3J", "aaa", 0, 3},
      {"ECH", "abcdef\x1b[2G\x1b[3X", "a   ef", 0, 1},
      {"ICH at column 2", "abcdef\x1b[3G\x1b[3@", "ab   cdef", 0, 2},
      {"ICH keeps cells pushed past the width", "abcdefgh\x1b[1G\x1b[4@", "    abcdefgh", 0, 0},
      {"DCH", "abcdef\x1b[2G\x1b[2P", "adef", 0, 1},
      {"DCH past the end cuts at the cursor", "abcdef\x1b[3G\x1b[9P", "ab", 0, 2},
      {"deleted cells stay blank when text goes past them", "abcdef\x1b[2G\x1b[3P\x1b[8GX",
       "aef    X", 0, 8},
      {"erasing the line drops cells pushed past the width",
       "abcdefghij\x1b[1G\x1b[5@\x1b[K\x1b[5P", "", 0, 0},
      {"insert mode", "abc\x1b[1G\x1b[4hXY", "XYabc", 0, 2},
      {"insert mode off", "abc\x1b[1G\x1b[4h\x1b[4lXY", "XYc", 0, 2},
  });
}

// Only the used cells of a line are drawn, copied, searched and logged.
TEST(escape_parser, delete_chars_ends_the_line_at_the_cursor_when_it_reaches_the_end) {
  struct length_case {
    const char* name;
    std::string_view input;
    int length;
  };
  const length_case cases[] = {
      {"inside the line", "abcdef\x1b[2G\x1b[2P", 4},
      {"the rest of the line", "abcdef\x1b[3G\x1b[9P", 2},
      {"at the end of the line", "abc\x1b[P", 3},
      {"past the end of the line", "abc\x1b[7G\x1b[P", 6},
      {"on an empty line", "\x1b[5G\x1b[3P", 4},
  };
  for (const length_case& c : cases) {
    SCOPED_TRACE(c.name);
    screen_probe probe(5, 10);
    probe.feed(c.input);
    std::lock_guard lock(probe.screen().mutex);
    EXPECT_EQ(probe.screen().cursor_line().length, c.length);
  }
  // A line made before the screen grew wider takes cells it did not have yet.
  screen_probe probe(5, 10);
  probe.feed("ab");
  probe.core().resize(5, 200);
  probe.feed("\x1b[150G\x1b[P");
  std::lock_guard lock(probe.screen().mutex);
  const screen_line& line = probe.screen().cursor_line();
  EXPECT_EQ(line.length, 149);
  EXPECT_GE(line.capacity(), 149);
  EXPECT_EQ(line.chars[148], u' ');
}

TEST(escape_parser, inserts_deletes_and_scrolls_lines) {
  run_cases({
      {"IL", "a\r\nb\r\nc\x1b[2;1H\x1b[L", "a||b|c", 1, 0},
      {"DL", "a\r\nb\r\nc\x1b[1;1H\x1b[M", "b|c", 0, 0},
      {"DL of more lines than there are", "a\r\nb\r\nc\x1b[2;1H\x1b[9M", "a", 1, 0},
      {"IL keeps the column", "a\r\nbcd\x1b[2;3H\x1b[LX", "a|  X|bcd", 1, 3},
      {"LF on the region bottom rotates the region",
       "1\r\n2\r\n3\r\n4\r\n5\x1b[2;4r\x1b[4;1H\nX", "1|3|4|X|5", 3, 1},
      {"a region while fewer lines than rows are stored",
       "\x1b[2;4ra\r\nb\r\nc\r\nd\r\ne", "a|c|d|e", 3, 1},
      {"LF below the region on the bottom row stays",
       "\x1b[1;3r\x1b[5;1Hab\nc", "||||abc", 4, 3},
      {"r with top equal to bottom sets a one-row region",
       "1\r\n2\r\n3\r\n4\r\n5\x1b[3;3r\x1b[3;1H\nX\x1b[5;1H\nY", "1|2|X|4|Y", 4, 1},
      {"r with top below bottom sets a region that holds no row",
       "1\r\n2\r\n3\r\n4\r\n5\x1b[4;2r\x1b[2;1H\nX\x1b[5;1H\nY\x1b[1;1H\x1bMZ", "Z|2|X|4|Y", 0, 1},
      {"r past the screen is ignored", "\x1b[2;9r1\r\n2\r\n3\r\n4\r\n5\r\n6", "2|3|4|5|6", 4, 1},
      {"r without a bottom runs to the last row", "1\r\n2\r\n3\r\n4\r\n5\x1b[3r\x1b[5;1H\nX",
       "1|2|4|5|X", 4, 1},
      {"IL outside the region does nothing", "a\r\nb\x1b[3;4r\x1b[1;1H\x1b[L", "a|b", 0, 0},
      {"RI on the region top scrolls the region down",
       "1\r\n2\r\n3\x1b[2;3r\x1b[2;1H\x1bMX", "1|X|2", 1, 1},
      {"RI below the region top moves up", "1\r\n2\x1bMX", "1X|2", 0, 2},
      {"RI on the top row inserts a line", "1\r\n2\x1b[H\x1bMX", "X|1|2", 0, 1},
      {"ESC D", "ab\x1b" "Dc", "ab|  c", 1, 3},
      {"ESC E", "ab\x1b" "Ec", "ab|c", 1, 1},
  });
}

TEST(escape_parser, answers_device_requests) {
  run_cases({
      {"primary device attributes", "\x1b[c", "", 0, 0, "\x1b[?6c"},
      {"primary device attributes with a parameter", "\x1b[0c", "", 0, 0, "\x1b[?6c"},
      {"secondary device attributes for xterm", "\x1b[>c", "", 0, 0, "\x1b[>0;276;0c"},
      {"secondary device attributes with digits", "\x1b[>1c", "", 0, 0, "\x1b[>0;276;0c"},
      {"no answer with the prefix ?", "\x1b[?c", "", 0, 0, ""},
      {"status", "\x1b[5n", "", 0, 0, "\x1b[0n"},
      {"cursor position", "\x1b[3;11H\x1b[6n", "", 2, 9, "\x1b[3;10R"},
      {"cursor position third row eleventh column", "\x1b[3;9Hab\x1b[6n", "||        ab", 2, 9,
       "\x1b[3;10R"},
      {"an unknown status request", "\x1b[7n", "", 0, 0},
      {"the 8-bit CSI", "\x9b" "5n", "", 0, 0, "\x1b[0n"},
  });
}

TEST(escape_parser, answers_the_cursor_position_from_the_screen_top) {
  screen_probe probe(5, 20);
  probe.feed("\x1b[3;11H\x1b[6n");
  EXPECT_EQ(probe.replies(), "\x1b[3;11R");
  probe.feed("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\x1b[6n");
  EXPECT_EQ(probe.replies(), "\x1b[5;2R");
}

TEST(escape_parser, answers_secondary_attributes_only_for_xterm) {
  for (const char* type : {"linux", "vt100", "Xterm", "xterm-256color"}) {
    SCOPED_TRACE(type);
    screen_probe probe;
    probe.core().set_console_type(type);
    probe.feed("\x1b[>c\x1b[c");
    EXPECT_EQ(probe.replies(), "\x1b[?6c");
  }
}

// Sequences that are well formed but not supported, and the cancelling controls: each is read to
// its end and dropped, so the text around it joins up with the attribute it had.
TEST(escape_parser, leaves_the_screen_unchanged_for_what_it_does_not_support) {
  struct dropped_case {
    const char* name;
    std::string_view sequence;
  };
  const std::vector<dropped_case> cases = {
      {"CAN", "\x18"},
      {"SUB", "\x1a"},
      {"DEL", "\x7f"},
      {"an unknown escape final", "\x1bz"},
      {"a full reset", "\x1b" "c"},
      {"a lone string terminator", "\x1b\\"},
      {"an escape with an intermediate", "\x1b*0"},
      {"an escape with two intermediates", "\x1b $@"},
      {"ESC # swallows one byte", "\x1b#8"},
      {"ESC % swallows one byte", "\x1b%G"},
      {"ESC ) swallows one byte", "\x1b)0"},
      {"an unknown CSI final", "\x1b[5y"},
      {"a window operation", "\x1b[22;0;0t"},
      {"a cursor style", "\x1b[2 q"},
      {"a soft reset", "\x1b[!p"},
      {"a mode request", "\x1b[?2004$p"},
      {"tertiary device attributes", "\x1b[=c"},
      {"colon sub-parameters", "\x1b[38:2:1:2:3m"},
      {"a '<' parameter byte", "\x1b[<1;2;3M"},
      {"an unsupported private mode", "\x1b[?1004h"},
      {"mouse reporting", "\x1b[?1000h\x1b[?1006h"},
      {"an unsupported ANSI mode", "\x1b[5h"},
      {"several unsupported modes", "\x1b[?1004;1000;2004l"},
      {"modes accepted and ignored", "\x1b[?12h\x1b[?1034h\x1b[?2004h\x1b[?2004l\x1b[?12l"},
      {"an unknown status request", "\x1b[7n"},
      {"an OSC number other than 0, 1 and 2", "\x1b]52;c;eA==\x07"},
      {"a colour query ended by ESC backslash", "\x1b]10;?\x1b\\"},
      {"an OSC without text", "\x1b]104\x07"},
      {"an OSC without text ended by ESC backslash", "\x1b]112\x1b\\"},
      {"a DCS longer than 32 bytes", "\x1bP+q536d756c78;6b637575;6b637564;6b636c66\x1b\\"},
      {"an APC string", "\x1b_Gf=100;AAAA\x1b\\"},
      {"a PM string", "\x1b^private\x1b\\"},
      {"CAN cancels a CSI", "\x1b[31\x18"},
      {"SUB cancels a CSI with an intermediate", "\x1b[2 \x1a"},
      {"CAN cancels an escape", "\x1b\x18"},
      {"CAN cancels an OSC", "\x1b]0;title\x18"},
      {"SUB cancels a DCS", "\x1bPq#0\x1a"},
      {"DEL inside a CSI", "\x1b[3\x7f" "1;0m"},
      {"ESC inside a CSI starts a new sequence", "\x1b[12\x1b[0m"},
      {"a keyboard protocol query", "\x1b[?u"},
      {"a keyboard protocol push", "\x1b[>1u"},
      {"a modifier-key query", "\x1b[?4m"},
      {"a version query", "\x1b[>0q"},
  };
  for (const dropped_case& c : cases) {
    for (bool bytewise : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (bytewise ? " (byte by byte)" : ""));
      screen_probe probe;
      probe.core().set_console_type("xterm");
      std::string input = "a" + std::string(c.sequence) + "b";
      bytewise ? probe.feed_bytewise(input) : probe.feed(input);
      EXPECT_EQ(probe.screen_text(), "ab");
      EXPECT_EQ(probe.cursor(), std::make_pair(0, 2));
      EXPECT_EQ(probe.attr_at(0, 1), 0u);
      EXPECT_EQ(probe.replies(), "");
    }
  }
}

TEST(escape_parser, acts_on_controls_inside_a_sequence_and_leaves_it_at_other_bytes) {
  run_cases({
      {"BS inside a CSI acts and the CSI goes on", "abc\x1b[2\bDX", "Xbc", 0, 1},
      {"CR inside an escape acts and the escape goes on", "ab\x1b\r" "DX", "ab|X", 1, 1},
      {"a C0 code that would print is ignored inside a CSI", "\x1b[2\x01" "CX", "  X", 0, 3},
      {"a byte above 0x7F ends a CSI and is read as text", "\x1b[1\xc3\xa9", "\xc3\xa9", 0, 1},
      {"a byte above 0x7F ends an escape", "\x1b\xc3\xa9", "\xc3\xa9", 0, 1},
      {"the 8-bit CSI inside a CSI starts a new one", "\x1b[5\x9b" "2CX", "  X", 0, 3},
      {"ESC ( 0 still selects DEC graphics", "\x1b(0q\x1b(Bq", "\xe2\x94\x80q", 0, 2},
  });
}

TEST(escape_parser, skips_strings) {
  run_cases({
      {"OSC 0 ended by BEL", "\x1b]0;title\x07" "ab", "ab", 0, 2},
      {"OSC 2 ended by ESC backslash", "\x1b]2;title\x1b\\ab", "ab", 0, 2},
      {"OSC 1", "\x1b]1;icon\x07" "ab", "ab", 0, 2},
      {"OSC 52 is read to its end", "\x1b]52;x\x07", "", 0, 0},
      {"OSC without a semicolon ends", "\x1b]0xab", "ab", 0, 2},
      {"ESC inside OSC text", "\x1b]0;a\x1bz\x07" "b", "b", 0, 1},
      {"DCS ended by ESC backslash", "\x1bPq#0;abc\x1b\\X", "X", 0, 1},
      {"a DCS runs to its terminator", "\x1bPaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaabcd\x1b\\X", "X", 0, 1},
  });
}

TEST(escape_parser, decodes_utf8_and_maps_character_sets) {
  run_cases(
      {
          {"DEC graphics q", "\x1b(0q\x1b(Bq", "─q", 0, 2},
          {"the whole DEC graphics table", "\x1b(0`abcdefghijklmnopqrstuvwxyz{|}~",
           "◆▒␉␌␍␊°±␤␋┘┐┌└┼⎺⎻─⎼⎽├┤┴┬│≤≥π≠£·", 0, 31},
          {"DEC graphics leaves other bytes", "\x1b(0AZ_", "AZ_", 0, 3},
          {"UTF-8 three bytes", "\xe2\x94\x80", "─", 0, 1},
          {"UTF-8 two bytes among ASCII", "caf\xc3\xa9!", "café!", 0, 5},
          {"a broken sequence shows its lead through code page 437", "\xe2" "A", "ΓA", 0, 2},
          {"the bytes read again", "\xe2\x94" "A", "ΓöA", 0, 3},
          {"a broken sequence before an escape", "\xc3\x1b[1mX", "├X", 0, 2},
          {"outside the BMP", "\xf0\x9f\x98\x80!", "\xef\xbf\xbd!", 0, 2},
          {"a surrogate", "\xed\xa0\x80", "\xef\xbf\xbd", 0, 1},
          {"an overlong form", "\xc0\x80", "\xef\xbf\xbd", 0, 1},
          {"a six-byte form", "\xfc\x80\x80\x80\x80\x80", "\xef\xbf\xbd", 0, 1},
          {"code page 437", "\x80\xb3\xfe", "Ç│■", 0, 3},
          {"a lone continuation byte", "\x94", "ö", 0, 1},
          {"0xFF", "\xff", "\xc2\xa0", 0, 1},
          {"UTF-8 under DEC graphics", "\x1b(0q\xc3\xa9q", "─é─", 0, 3},
      },
      5, 40);
}

TEST(escape_parser, puts_one_replacement_cell_for_what_one_unit_cannot_hold) {
  for (std::string_view bytes : {"\xf0\x9f\x98\x80"sv, "\xed\xa0\x80"sv, "\xed\xbf\xbf"sv,
                                 "\xc1\xbf"sv, "\xe0\x9f\xbf"sv, "\xf8\x88\x80\x80\x80"sv}) {
    for (bool bytewise : {false, true}) {
      screen_probe probe;
      bytewise ? probe.feed_bytewise(bytes) : probe.feed(bytes);
      EXPECT_EQ(probe.char_at(0, 0), 0xFFFD);
      EXPECT_EQ(probe.cursor(), std::make_pair(0, 1));
    }
  }
}

TEST(escape_parser, keeps_a_utf8_sequence_cut_between_blocks) {
  screen_probe probe;
  probe.feed("a\xe2");
  probe.feed("\x94");
  probe.feed("\x80" "b");
  EXPECT_EQ(probe.screen_text(), "a─b");
}

TEST(escape_parser, sets_the_view_flags) {
  screen_probe probe;
  terminal_modes& modes = probe.core().modes;
  EXPECT_TRUE(modes.cursor_visible);
  EXPECT_FALSE(modes.app_cursor_keys);
  EXPECT_TRUE(modes.app_keypad);
  probe.feed("\x1b[?25l\x1b[?1h\x1b>");
  EXPECT_FALSE(modes.cursor_visible);
  EXPECT_TRUE(modes.app_cursor_keys);
  EXPECT_FALSE(modes.app_keypad);
  probe.feed("\x1b[?25;1h\x1b=");
  EXPECT_TRUE(modes.cursor_visible);
  EXPECT_TRUE(modes.app_cursor_keys);
  EXPECT_TRUE(modes.app_keypad);
  EXPECT_EQ(probe.screen_text(), "");
}

struct attribute_case {
  const char* name;
  std::string_view input;
  int col;
  uint32_t attribute;
};

TEST(escape_parser, keeps_the_graphic_rendition) {
  using a = cell_attribute;
  const std::vector<attribute_case> cases = {
      {"red bold", "\x1b[31;1mX", 0, a::foreground(1) | a::bold},
      {"reset", "\x1b[31;1m\x1b[mX", 0, 0},
      {"reset with 0", "\x1b[31;1;0mX", 0, 0},
      {"38;5;196 sets the extended flag only", "\x1b[31m\x1b[38;5;196mX", 0, a::fg_extended},
      {"sub-parameters read as codes", "\x1b[38;5;1mX", 0, a::fg_extended | a::bold},
      {"39 clears colour and extension", "\x1b[34m\x1b[38m\x1b[39mX", 0, 0},
      {"reverse on a green background", "\x1b[7;42mX", 0, a::reverse | a::background(2)},
      {"27 clears reverse", "\x1b[7m\x1b[27mX", 0, 0},
      {"a second colour replaces the first", "\x1b[31;37;40;47mX", 0,
       a::foreground(7) | a::background(7)},
      {"49 clears the background", "\x1b[44;33m\x1b[49mX", 0, a::foreground(3)},
      {"unsupported codes are ignored", "\x1b[1;22;4;5;90;100;48mX", 0, a::bold},
      {"a prefixed m is another sequence", "\x1b[31m\x1b[>4;1mX", 0, a::foreground(1)},
      {"a code of three digits is ignored", "\x1b[1;131mX", 0, a::bold},
      {"an empty parameter is 0", "\x1b[31;;1mX", 0, a::bold},
      {"past sixteen parameters separators are ignored",
       "\x1b[0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;4;2mX", 0, a::background(2)},
      {"erase uses the current attribute", "ab\x1b[41m\x1b[2J", 5, a::background(1)},
      {"inserted blanks are plain", "\x1b[41mab\x1b[1G\x1b[@", 0, 0},
      {"erased characters take the current attribute", "ab\x1b[1G\x1b[45m\x1b[X", 0,
       a::background(5)},
  };
  for (const attribute_case& c : cases) {
    SCOPED_TRACE(c.name);
    // Whole, and cut in two blocks at every byte.
    for (size_t cut = 0; cut < c.input.size(); ++cut) {
      screen_probe probe;
      probe.feed(c.input.substr(0, cut));
      probe.feed(c.input.substr(cut));
      EXPECT_EQ(probe.attr_at(0, c.col), c.attribute) << "cut at " << cut;
    }
  }
}

TEST(escape_parser, saturates_parameters_and_clamps_counts) {
  screen_probe probe(5, 10);
  probe.feed("abc\x1b[1G\x1b[999999999@\x1b[99999999999999999999999P");
  probe.feed("\x1b[999999999;999999999H\x1b[999999999L\x1b[999999999M\x1b[999999999I");
  probe.feed("\x1b[999999999X\x1b[999999999Z\x1b[999999999A\x1b[999999999B");
  screen_buffer& s = probe.screen();
  for (const auto& line : s.lines) {
    if (line) {
      EXPECT_LE(line->capacity(), 64 * 2);
    }
  }
  probe.feed("\x1b[999999999;1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;16;17;18;19;20H");
  EXPECT_EQ(probe.cursor(), std::make_pair(4, 0));
}

TEST(escape_parser, caps_the_osc_text_that_never_ends) {
  screen_probe probe;
  probe.feed("\x1b]0;");
  const std::string chunk(8192, 'x');
  for (int i = 0; i < 256; ++i) probe.feed(chunk);
  EXPECT_LE(probe.parser().osc_text.size(), escape_parser::max_osc_text);
  probe.feed("\x07" "ok");
  EXPECT_EQ(probe.screen_text(), "ok");
  EXPECT_TRUE(probe.parser().osc_text.empty());
}

}  // namespace
