// The "TerminalOptions" and "TerminalAppearance" sections: exact saved text, bounds on load,
// flags that are only "true", and values that stay when their element is missing.
#include <gtest/gtest.h>

#include "config/terminal_appearance_param.h"
#include "config/terminal_opt_param.h"
#include "tests/config/node_text.h"

namespace {

using test_support::load_from_text;
using test_support::saved_text;

TEST(TerminalOptParam, DefaultsSaveInTheirOrderBeforeTheAppearanceSection) {
  terminal_opt_param options;
  terminal_appearance_param appearance;
  options.children.push_back(&appearance);
  const std::u16string text = saved_text(options);
  EXPECT_EQ(text.substr(0, text.find(u"<TerminalAppearance>")),
            u"<TerminalOptions>\r\n<PromptMlinePaste Lines=\"5\">true</PromptMlinePaste>\r\n"
            u"<ExpandSelect>true</ExpandSelect>\r\n<WholeSelect>true</WholeSelect>\r\n"
            u"<HideOnType>true</HideOnType>\r\n<RightPaste>true</RightPaste>\r\n"
            u"<SelectCopy>true</SelectCopy>\r\n");
}

TEST(TerminalOptParam, LinesComeWithTheirElementOnly) {
  terminal_opt_param node;
  node.lines = 9;
  ASSERT_TRUE(load_from_text(node, u"<TerminalOptions><SelectCopy>false</SelectCopy></TerminalOptions>"));
  EXPECT_TRUE(node.prompt_mline_paste);
  EXPECT_EQ(node.lines, 9u);
  EXPECT_FALSE(node.select_copy);
  ASSERT_TRUE(load_from_text(
      node, u"<TerminalOptions><PromptMlinePaste>true</PromptMlinePaste></TerminalOptions>"));
  EXPECT_EQ(node.lines, 0u);
}

TEST(TerminalOptParam, RoundTripOfEveryValue) {
  terminal_opt_param written;
  written.prompt_mline_paste = false;
  written.lines = 4000000000u;
  written.select_copy = false;
  written.hide_on_type = false;
  written.expand_select = false;
  terminal_opt_param read;
  ASSERT_TRUE(load_from_text(read, saved_text(written)));
  EXPECT_EQ(read.prompt_mline_paste, false);
  EXPECT_EQ(read.lines, 4000000000u);
  EXPECT_EQ(read.select_copy, false);
  EXPECT_EQ(read.right_paste, true);
  EXPECT_EQ(read.hide_on_type, false);
  EXPECT_EQ(read.whole_select, true);
  EXPECT_EQ(read.expand_select, false);
}

TEST(TerminalAppearanceParam, LoadBoundsItsNumbers) {
  struct bound_case {
    const char16_t* element;
    const char16_t* text;
    uint32_t terminal_appearance_param::*field;
    uint32_t expected;
  } cases[] = {
      {u"Margin", u"500", &terminal_appearance_param::margin, 100},
      {u"Margin", u"100", &terminal_appearance_param::margin, 100},
      {u"Margin", u"-1", &terminal_appearance_param::margin, 100},
      {u"MaxColumn", u"5", &terminal_appearance_param::max_column, 20},
      {u"MaxColumn", u"junk", &terminal_appearance_param::max_column, 20},
      {u"MaxColumn", u"300", &terminal_appearance_param::max_column, 300},
      {u"LineSpacing", u"80", &terminal_appearance_param::line_spacing, 50},
      {u"CursorInterval", u"10", &terminal_appearance_param::cursor_interval, 100},
      {u"CursorInterval", u"750", &terminal_appearance_param::cursor_interval, 750},
  };
  for (const bound_case& c : cases) {
    terminal_appearance_param node;
    const std::u16string element = c.element;
    ASSERT_TRUE(load_from_text(node, u"<TerminalAppearance><" + element + u">" + c.text + u"</" +
                                         element + u"></TerminalAppearance>"));
    EXPECT_EQ(node.*c.field, c.expected)
        << std::string(element.begin(), element.end()) << " " << c.expected;
  }
}

TEST(TerminalAppearanceParam, CursorTypeAboveTwoIsBlockAndANegativeOneIsIgnored) {
  terminal_appearance_param node;
  ASSERT_TRUE(load_from_text(node, u"<TerminalAppearance><CursorType>7</CursorType></TerminalAppearance>"));
  EXPECT_EQ(node.cursor_type, 2);
  ASSERT_TRUE(load_from_text(node, u"<TerminalAppearance><CursorType>1</CursorType></TerminalAppearance>"));
  EXPECT_EQ(node.cursor_type, 1);
  ASSERT_TRUE(load_from_text(node, u"<TerminalAppearance><CursorType>-3</CursorType></TerminalAppearance>"));
  EXPECT_EQ(node.cursor_type, 1);
}

TEST(TerminalAppearanceParam, OnlyExactTrueIsTrueAndMissingValuesStay) {
  terminal_appearance_param node;
  ASSERT_TRUE(load_from_text(node,
                             u"<TerminalAppearance><DefaultConsoleType>vt100</DefaultConsoleType>"
                             u"<IndicateSize>True</IndicateSize></TerminalAppearance>"));
  EXPECT_FALSE(node.indicate_size);
  EXPECT_EQ(node.default_console_type, u"vt100");
  EXPECT_EQ(node.default_color_scheme, u"Standard");
  EXPECT_EQ(node.margin, 3u);
}

TEST(TerminalAppearanceParam, RoundTripOfEveryValue) {
  terminal_appearance_param written;
  written.indicate_size = false;
  written.margin = 7;
  written.line_spacing = 2;
  written.max_column = 132;
  written.cursor_type = 0;
  written.cursor_interval = 250;
  written.default_color_scheme = u"Mono <chrome> & co";
  written.default_console_type = u"vt220";
  terminal_appearance_param read;
  ASSERT_TRUE(load_from_text(read, saved_text(written)));
  EXPECT_EQ(read.indicate_size, false);
  EXPECT_EQ(read.margin, 7u);
  EXPECT_EQ(read.line_spacing, 2u);
  EXPECT_EQ(read.max_column, 132u);
  EXPECT_EQ(read.cursor_type, 0);
  EXPECT_EQ(read.cursor_interval, 250u);
  EXPECT_EQ(read.default_color_scheme, u"Mono <chrome> & co");
  EXPECT_EQ(read.default_console_type, u"vt220");
}

}  // namespace
