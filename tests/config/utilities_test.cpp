#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>
#include <set>
#include <string>

#include "config/base64.h"
#include "config/choose_folder.h"
#include "config/clipboard_access.h"
#include "config/paths.h"
#include "config/shell_icon.h"
#include "config/text_convert.h"
#include "config/thousands_text.h"
#include "config/time_text.h"
#include "config/uuid_text.h"
#include "platform/qt_text.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(text_convert, all_four_are_the_lossless_codec_up_to_the_first_nul) {
  const std::string narrow = "caf\xC3\xA9 \xFF\xE9";
  const std::u16string wide = u"caf\u00E9 \xDCFF\xDCE9";
  EXPECT_EQ(mbs_to_wstring(narrow), wide);
  EXPECT_EQ(ansi_to_wstring(narrow), wide);
  EXPECT_EQ(wcs_to_string(wide), narrow);
  EXPECT_EQ(wstring_to_ansi(wide), narrow);
  EXPECT_EQ(mbs_to_wstring(std::string("ab\0cd", 5)), u"ab");
  EXPECT_EQ(wcs_to_string(std::u16string(u"ab\0cd", 5)), "ab");
  // A character above U+00FF has a narrow form too: nothing is lost or refused.
  EXPECT_EQ(wstring_to_ansi(u"\u4E2D\U0001F600"), "\xE4\xB8\xAD\xF0\x9F\x98\x80");
}

TEST(text_convert, lower_ascii_touches_only_a_to_z) {
  EXPECT_EQ(lower_ascii(u"AbZ@[`{ \u00C9\u0130\xDCC1"), u"abz@[`{ \u00C9\u0130\xDCC1");
}

// Runs with TZ set to `zone`, restoring the previous zone afterwards.
class time_zone {
 public:
  explicit time_zone(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
  }
  ~time_zone() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
  }

 private:
  bool had_;
  std::string old_;
};

TEST(time_text, prints_local_time_in_utc_and_in_a_zone_with_summer_time) {
  struct {
    const char* zone;
    int64_t seconds;
    const char* text;
  } cases[] = {
      {"UTC0", 0, "1970-01-01 00:00:00"},
      {"UTC0", 1640876709, "2021-12-30 15:05:09"},
      {"UTC0", 2147483648, "2038-01-19 03:14:08"},  // one second past the 32-bit end
      {"UTC0", 4102444800, "2100-01-01 00:00:00"},
      {"UTC0", -1, "1969-12-31 23:59:59"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 0, "1970-01-01 01:00:00"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1640876709, "2021-12-30 16:05:09"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1625140800, "2021-07-01 14:00:00"},
      {"CET-1CEST,M3.5.0,M10.5.0/3", 2225491200, "2040-07-10 02:00:00"},
  };
  for (const auto& c : cases) {
    time_zone zone(c.zone);
    EXPECT_EQ(time_text(c.seconds), c.text) << c.zone << " " << c.seconds;
  }
}

TEST(time_text, now_has_the_fixed_shape) {
  const std::string now = now_text();
  ASSERT_EQ(now.size(), 19u) << now;
  EXPECT_EQ(now[4], '-');
  EXPECT_EQ(now[10], ' ');
  EXPECT_EQ(now[16], ':');
}

TEST(paths, normalize_path) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},         {"/", "/"},          {"\\", "/"},   {"C:\\", "C:"},
      {"a\\\\b//c/", "a/b/c"}, {"\\\\server\\share\\", "/server/share"},
      {"a//b", "a/b"},  {"x/", "x"},         {"a/\\/b", "a/b"}, {"name", "name"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(normalize_path(in), out) << in;
}

TEST(paths, split_path) {
  const struct {
    const char *path, *folder, *file;
  } cases[] = {
      {"name", ".", "name"}, {"/name", "/", "name"}, {"a/b/c", "a/b", "c"},
      {"a\\b\\", "a", "b"},  {"", ".", ""},          {"/", "/", ""},
  };
  for (const auto& c : cases) {
    std::string folder, file;
    EXPECT_TRUE(split_path(c.path, &folder, &file));
    EXPECT_EQ(folder, c.folder) << c.path;
    EXPECT_EQ(file, c.file) << c.path;
  }
  std::string file;
  EXPECT_TRUE(split_path("a/b", nullptr, &file));
  EXPECT_EQ(file, "b");
}

// Only the marker a copy got from this function counts up; a number of the name's own, in
// parentheses anywhere, is part of the name.
TEST(paths, next_copy_name) {
  const struct {
    const char* name;
    bool backslash;
    const char* next;
  } cases[] = {
      {"file.txt", false, "file.txt (1)"},
      {"file.txt (1)", false, "file.txt (2)"},
      {"file.txt (9)", false, "file.txt (10)"},
      {"file.txt (1) (1)", false, "file.txt (1) (2)"},
      {"invoice(2023).pdf", false, "invoice(2023).pdf (1)"},
      {"report (2).txt", false, "report (2).txt (1)"},
      {"a (9) b", false, "a (9) b (1)"},
      {"a(b)c", false, "a(b)c (1)"},
      {"take(2)", false, "take(2) (1)"},
      {"a (-1)", false, "a (-1) (1)"},
      {"a ( 4)", false, "a ( 4) (1)"},
      {"a (5x) y", false, "a (5x) y (1)"},
      {"a (0)", false, "a (0) (1)"},
      {"a (07)", false, "a (07) (1)"},
      {"a ()", false, "a () (1)"},
      {"a (3", false, "a (3 (1)"},
      {" (1)", false, " (2)"},
      {"x (99999999999999999999)", false, "x (100000000000000000000)"},
      {"dir/", false, "dir (1)/"},
      {"dir (1)/", false, "dir (2)/"},
      {"logs\\", true, "logs (1)\\"},
      {"logs (4)\\", true, "logs (5)\\"},
      {"logs\\", false, "logs\\ (1)"},
      {"dir//", false, "dir (1)//"},
      {"", false, " (1)"},
      {"///", false, " (1)///"},
      {"(2147483647)", false, "(2147483647) (1)"},
  };
  for (const auto& c : cases) EXPECT_EQ(next_copy_name(c.name, c.backslash), c.next) << c.name;
}

TEST(paths, module_folder_is_the_programs_folder) {
  EXPECT_EQ(module_folder(), platform::to_u16string(QCoreApplication::applicationDirPath()));
}

TEST(thousands_text, groups_by_three) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, ""},           {7, "7"},           {999, "999"},
      {1000, "1,000"},   {1001, "1,001"},    {1234567, "1,234,567"},
      {1000000, "1,000,000"}, {18446744073709551615ull, "18,446,744,073,709,551,615"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(thousands_text(value), text) << value;
}

TEST(base64, matches_openssl_base64_on_one_line) {
  // Expected texts from `printf ... | openssl base64 -A`.
  const std::pair<std::string, const char*> cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string(1, '\0'), "AA=="},
      {"\xFF", "/w=="},
      {std::string("\0\xFF\0", 3), "AP8A"},
      {"\xFF\xFE\xFD\xFC", "//79/A=="},
      {std::string("p\0ss\xFF\xFE", 6), "cABzc//+"},
      {std::string(100, 'a'),
       "YWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFh"
       "YWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYQ=="},
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(base64_text(bytes.data(), bytes.size()), text);
    EXPECT_EQ(base64_bytes(text), bytes) << text;
  }
}

TEST(base64, every_byte_value_round_trips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (size_t n = 0; n <= all.size(); n += 37)
    EXPECT_EQ(base64_bytes(base64_text(all.data(), n)), all.substr(0, n)) << n;
}

TEST(base64, text_that_is_not_base64_decodes_without_failing) {
  for (const char* text : {"!!!!", "Zg", "Zm9v\n", "Zm9v====", "\xFF\xFE", "Z", "===="}) {
    const std::string bytes = base64_bytes(text);
    EXPECT_LE(bytes.size(), std::string(text).size()) << text;
  }
}

TEST(uuid_text, is_32_upper_hex_digits_of_a_version_4_guid) {
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    const std::string id = uuid_text();
    ASSERT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("0123456789ABCDEF"), std::string::npos) << id;
    EXPECT_EQ(id[12], '4') << id;
    EXPECT_NE(std::string("89AB").find(id[16]), std::string::npos) << id;
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 100u);
}

TEST(shell_icon, gives_one_index_per_icon) {
  int folder = -1, parent = -1, text_a = -1, text_b = -1;
  EXPECT_FALSE(shell_icon(u"src", true, &folder).isNull());
  EXPECT_FALSE(shell_icon(u"..", true, &parent).isNull());
  EXPECT_FALSE(shell_icon(u"a.txt", false, &text_a).isNull());
  EXPECT_FALSE(shell_icon(u"b.TXT", false, &text_b).isNull());
  EXPECT_FALSE(shell_icon(u"no-extension", false, nullptr).isNull());
  EXPECT_GE(folder, 0);
  EXPECT_EQ(parent, folder);
  EXPECT_EQ(text_a, text_b);
  EXPECT_NE(text_a, folder);
}

TEST(choose_folder, returns_the_picked_folder_or_false_on_cancel) {
  test_support::scripted_ui script;
  script.expect_folder(QStringLiteral("/srv/tftp"));
  script.expect_folder(std::nullopt);
  std::u16string folder = u"unchanged";
  const std::u16string initial = u"/opt/tessary";
  EXPECT_TRUE(choose_folder(folder, u"Select Download Path", &initial));
  EXPECT_EQ(folder, u"/srv/tftp");
  folder = u"unchanged";
  EXPECT_FALSE(choose_folder(folder, u"Select Http Root", nullptr));
  EXPECT_EQ(folder, u"unchanged");
  ASSERT_EQ(script.interactions().size(), 2u);
  EXPECT_EQ(script.interactions()[0].caption, "Select Download Path");
  EXPECT_EQ(script.interactions()[0].text, "/opt/tessary");
  EXPECT_EQ(script.interactions()[1].text, "");
}

TEST(clipboard_access, follows_the_clipboard_and_puts_text_on_it) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard_access access;
  QCoreApplication::processEvents();
  EXPECT_FALSE(access.text_available());
  const std::u16string text = u"ls -l \u00E9\U0001F600";
  EXPECT_TRUE(access.put_text(text));
  QCoreApplication::processEvents();
  EXPECT_TRUE(access.text_available());
  EXPECT_EQ(access.text(), text);
  EXPECT_EQ(platform::to_u16string(clipboard->text()), text);
  clipboard->clear();
  QCoreApplication::processEvents();
  EXPECT_FALSE(access.text_available());
}

}  // namespace
