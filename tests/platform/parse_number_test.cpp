#include "platform/parse_number.h"

#include <gtest/gtest.h>

namespace {

struct number_case {
  std::u16string text;
  uint32_t value;
  size_t used;
};

TEST(parse_u32, reads_like_the_stored_files_expect) {
  const number_case cases[] = {
      {u"0", 0, 1},
      {u"22", 22, 2},
      {u"  \t42abc", 42, 5},
      {u"+7", 7, 2},
      {u"-1", 0xFFFFFFFFu, 2},
      {u"-5", 0xFFFFFFFBu, 2},
      {u"4294967295", 0xFFFFFFFFu, 10},
      {u"4294967296", 0xFFFFFFFFu, 10},
      {u"99999999999999999999999", 0xFFFFFFFFu, 23},
      {u"", 0, 0},
      {u"abc", 0, 0},
      {u"-", 0, 0},
      {u" - 3", 0, 0},
  };
  for (const auto& c : cases) {
    size_t used = 99;
    EXPECT_EQ(platform::parse_u32(c.text, &used), c.value) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(used, c.used) << std::string(c.text.begin(), c.text.end());
  }
  EXPECT_EQ(platform::parse_u32(std::string_view(" 65536")), 65536u);
}

TEST(is_digits, accepts_only_plain_digits) {
  EXPECT_TRUE(platform::is_digits(u"9600"));
  EXPECT_FALSE(platform::is_digits(u""));
  EXPECT_FALSE(platform::is_digits(u"-9600"));
  EXPECT_FALSE(platform::is_digits(u"1 "));
}

}  // namespace
