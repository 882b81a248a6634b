#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <random>

using platform::utf16_to_utf8;
using platform::utf8_to_utf16;

namespace {

struct codec_case {
  const char* label;
  std::string narrow;
  std::u16string wide;
};

class codec_table : public ::testing::TestWithParam<codec_case> {};

TEST_P(codec_table, widens_and_narrows_back) {
  const auto& c = GetParam();
  EXPECT_EQ(utf8_to_utf16(c.narrow), c.wide);
  EXPECT_EQ(utf16_to_utf8(c.wide), c.narrow);
}

INSTANTIATE_TEST_SUITE_P(
    inputs, codec_table,
    ::testing::Values(
        codec_case{"empty", "", u""},
        codec_case{"ascii", "host-1.example", u"host-1.example"},
        codec_case{"nul_inside", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        codec_case{"two_byte", "caf\xC3\xA9", u"caf\u00E9"},
        codec_case{"three_byte", "\xE2\x82\xAC", u"\u20AC"},
        codec_case{"four_byte_pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
        codec_case{"latin1_byte", "\xE9t\xE9", u"\xDCE9t\xDCE9"},
        codec_case{"lone_continuation", "\x80", u"\xDC80"},
        codec_case{"truncated_sequence", "\xE2\x82", u"\xDCE2\xDC82"},
        codec_case{"overlong_slash", "\xC0\xAF", u"\xDCC0\xDCAF"},
        codec_case{"encoded_surrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
        codec_case{"above_max", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
        codec_case{"byte_ff", "\xFF", u"\xDCFF"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(codec, lone_surrogates_without_a_byte_form_become_replacement_characters) {
  EXPECT_EQ(utf16_to_utf8(u"\xD800x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(utf16_to_utf8(u"\xDC00"), "\xEF\xBF\xBD");
  EXPECT_EQ(utf16_to_utf8(u"a\xDBFF"), "a\xEF\xBF\xBD");
}

TEST(codec, any_bytes_round_trip) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(rng() % 40, '\0');
    for (auto& b : bytes) b = static_cast<char>(rng() % 256);
    ASSERT_EQ(utf16_to_utf8(utf8_to_utf16(bytes)), bytes);
  }
}

}  // namespace
