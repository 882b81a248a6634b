// Colour plans and schemes: the built-in tables, the "AnsiColor" and "ColorScheme" sections, and
// the lookups that resolve a session's colours.
#include <gtest/gtest.h>

#include "config/ansi_color_param.h"
#include "config/color_scheme_param.h"
#include "config/color_text.h"
#include "config/session_appearance.h"
#include "tests/config/node_text.h"

namespace {

using test_support::load_from_text;
using test_support::saved_text;

std::u16string plan_element(std::u16string_view name, std::u16string_view colors) {
  return u"<Plan Name=\"" + std::u16string(name) + u"\">" + std::u16string(colors) + u"</Plan>";
}

std::u16string section(std::u16string_view name, std::u16string_view content) {
  return u"<" + std::u16string(name) + u">" + std::u16string(content) + u"</" +
         std::u16string(name) + u">";
}

std::array<color_ref, 16> numbered_colors(color_ref first) {
  std::array<color_ref, 16> colors{};
  for (size_t i = 0; i < colors.size(); ++i) colors[i] = first + static_cast<color_ref>(i);
  return colors;
}

TEST(BuiltinColors, TablesHoldTheNamedPlansAndSchemesAsColorrefs) {
  ASSERT_EQ(builtin_ansi_color_plans[0].name, u"VGA");
  EXPECT_EQ(builtin_ansi_color_plans[0].colors[1], 0x0000AAu);   // red AA0000
  EXPECT_EQ(builtin_ansi_color_plans[0].colors[3], 0x0055AAu);   // yellow AA5500
  EXPECT_EQ(builtin_ansi_color_plans[2].name, u"Terminal.app");
  EXPECT_EQ(builtin_ansi_color_plans[2].colors[4], 0xE12E49u);   // blue 492EE1
  EXPECT_EQ(builtin_ansi_color_plans[5].name, u"xterm");
  EXPECT_EQ(builtin_ansi_color_plans[5].colors[12], 0xFF5C5Cu);  // bright blue 5C5CFF
  EXPECT_EQ(builtin_color_schemes[0].name, u"Monochrome");
  EXPECT_EQ(builtin_color_schemes[0].foreground, 0x0A0A0Au);
  EXPECT_FALSE(builtin_color_schemes[1].ansi_color_mode);
  EXPECT_TRUE(builtin_color_schemes[2].ansi_color_mode);
  EXPECT_EQ(find_builtin_color_scheme(u"Standard"), &builtin_color_schemes[2]);
  EXPECT_EQ(find_builtin_color_scheme(u"standard"), nullptr);
  EXPECT_TRUE(is_builtin_ansi_color_plan(u"mIRC"));
  EXPECT_FALSE(is_builtin_ansi_color_plan(u"MIRC"));
}

TEST(ColorText, PlanTextIsSixteenEightDigitColoursJoinedByCommas) {
  const std::u16string text = plan_colors_text(builtin_ansi_color_plans[0].colors);
  EXPECT_EQ(text.size(), 159u);
  EXPECT_EQ(text.substr(0, 20), u"#00000000,#000000AA,");
  EXPECT_EQ(color_text(0xABCDEF), u"#00ABCDEF");
}

TEST(ColorText, ColoursScanAsPercentXDoes) {
  struct scan_case {
    std::u16string text;
    bool scans;
    color_ref value;
  } cases[] = {
      {u"#00ABCDEF", true, 0xABCDEF}, {u"#abcdef", true, 0xABCDEF}, {u"#1", true, 1},
      {u"# 0x1F", true, 0x1F},        {u"#0x", true, 0},            {u"#FFFFFFFFFF", true, 0xFFFFFFFF},
      {u"00ABCDEF", false, 0},        {u"#", false, 0},             {u"#g1", false, 0},
  };
  for (const scan_case& c : cases) {
    color_ref value = 0;
    EXPECT_EQ(scan_color_text(c.text, value), c.scans) << std::string(c.text.begin(), c.text.end());
    if (c.scans) {
      EXPECT_EQ(value, c.value);
    }
  }
}

TEST(AnsiColorParam, FreshNodeRoundTripsAndCustomPlansKeepTheirOrder) {
  ansi_color_param written;
  written.plans.push_back({u"zeta", numbered_colors(0x100)});
  written.plans.push_back({u"alpha", numbered_colors(0x200)});
  ansi_color_param read;
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(load_from_text(read, saved_text(written)));
    written = read;
  }
  ASSERT_EQ(read.plans.size(), 8u);
  EXPECT_EQ(read.plans[6], (ansi_color_plan{u"zeta", numbered_colors(0x100)}));
  EXPECT_EQ(read.plans[7], (ansi_color_plan{u"alpha", numbered_colors(0x200)}));
  for (size_t i = 0; i < builtin_ansi_color_plans.size(); ++i)
    EXPECT_EQ(read.plans[i], builtin_ansi_color_plans[i]);
}

TEST(AnsiColorParam, SavedPlanIsOneLineWithItsNameAttribute) {
  ansi_color_param node;
  node.plans.resize(1);
  const std::u16string expected = u"<AnsiColor>\r\n<Plan Name=\"VGA\">" +
                                  plan_colors_text(builtin_ansi_color_plans[0].colors) +
                                  u"</Plan>\r\n</AnsiColor>\r\n";
  EXPECT_EQ(saved_text(node), expected);
}

TEST(AnsiColorParam, LoadMergesPlansAndSkipsBadOnes) {
  const std::u16string fifteen = plan_colors_text(numbered_colors(0x300)).substr(0, 149);
  const std::u16string lower = u"#abcdef,#1,#2,#3,#4,#5,#6,#7,#8,#9,#a,#b,#c,#d,#e,#f,trailing";
  ansi_color_param node;
  ASSERT_TRUE(load_from_text(
      node, section(u"AnsiColor",
                    plan_element(u"VGA", plan_colors_text(numbered_colors(0x500))) +
                        plan_element(u"short", fifteen) + u"<Plan>" +
                        plan_colors_text(numbered_colors(0x600)) + u"</Plan>" +
                        plan_element(u"twice", plan_colors_text(numbered_colors(0x700))) +
                        plan_element(u"twice", plan_colors_text(numbered_colors(0x800))) +
                        plan_element(u"lower", lower))));
  ASSERT_EQ(node.plans.size(), 8u);
  EXPECT_EQ(node.plans[0], (ansi_color_plan{u"VGA", numbered_colors(0x500)}));
  EXPECT_EQ(node.plans[1], builtin_ansi_color_plans[1]);
  EXPECT_EQ(node.plans[6], (ansi_color_plan{u"twice", numbered_colors(0x800)}));
  EXPECT_EQ(node.plans[7].name, u"lower");
  EXPECT_EQ(node.plans[7].colors[0], 0xABCDEFu);
  EXPECT_EQ(node.plans[7].colors[15], 0xFu);
}

TEST(AnsiColorParam, FindPlanFallsBackToTheFirstPlan) {
  ansi_color_param node;
  EXPECT_EQ(&node.find_plan(u"PuTTY"), &node.plans[3]);
  EXPECT_EQ(&node.find_plan(u"putty"), &node.plans[0]);
  node.plans.clear();
  EXPECT_EQ(node.find_plan(u"PuTTY"), builtin_ansi_color_plans[0]);
}

TEST(ColorSchemeParam, SavedSchemeHoldsItsFourChildrenInOrder) {
  color_scheme_param node;
  node.schemes = {{u"a&b", 0x123456, 0xABCDEF, true, u"xterm"}};
  EXPECT_EQ(saved_text(node),
            u"<ColorScheme>\r\n<Scheme Name=\"a&amp;b\">\r\n<Foreground>#00123456</Foreground>\r\n"
            u"<Background>#00ABCDEF</Background>\r\n<AnsiColorMode>true</AnsiColorMode>\r\n"
            u"<AnsiColorPlan>xterm</AnsiColorPlan>\r\n</Scheme>\r\n</ColorScheme>\r\n");
}

TEST(ColorSchemeParam, RoundTripKeepsBuiltinsFirstAndCustomOrder) {
  color_scheme_param written;
  written.schemes[1].foreground = 0x010203;
  written.schemes.push_back({u"night", 0x111111, 0x222222, true, u""});
  written.schemes.push_back({u"day", 0x333333, 0x444444, false, u"CMD"});
  color_scheme_param read;
  ASSERT_TRUE(load_from_text(read, saved_text(written)));
  EXPECT_EQ(read.schemes, written.schemes);
}

TEST(ColorSchemeParam, LoadSkipsIncompleteOrMisorderedSchemes) {
  const std::u16string text = section(
      u"ColorScheme",
      u"<Scheme Name=\"no plan\"><Foreground>#1</Foreground><Background>#2</Background>"
      u"<AnsiColorMode>true</AnsiColorMode></Scheme>"
      u"<Scheme Name=\"swapped\"><Background>#2</Background><Foreground>#1</Foreground>"
      u"<AnsiColorMode>true</AnsiColorMode><AnsiColorPlan>VGA</AnsiColorPlan></Scheme>"
      u"<Scheme Name=\"bad colour\"><Foreground>1</Foreground><Background>#2</Background>"
      u"<AnsiColorMode>true</AnsiColorMode><AnsiColorPlan>VGA</AnsiColorPlan></Scheme>"
      u"<Scheme><Foreground>#1</Foreground><Background>#2</Background>"
      u"<AnsiColorMode>true</AnsiColorMode><AnsiColorPlan>VGA</AnsiColorPlan></Scheme>"
      u"<Scheme Name=\"caps\"><Foreground>#1</Foreground><Other/><Background>#2</Background>"
      u"<AnsiColorMode>TRUE</AnsiColorMode><AnsiColorPlan></AnsiColorPlan></Scheme>"
      u"<Scheme Name=\"Standard\"><Foreground>#5</Foreground><Background>#6</Background>"
      u"<AnsiColorMode>false</AnsiColorMode><AnsiColorPlan>CMD</AnsiColorPlan></Scheme>");
  color_scheme_param node;
  ASSERT_TRUE(load_from_text(node, text));
  ASSERT_EQ(node.schemes.size(), 4u);
  EXPECT_EQ(node.schemes[2], (color_scheme{u"Standard", 5, 6, false, u"CMD"}));
  EXPECT_EQ(node.schemes[3], (color_scheme{u"caps", 1, 2, false, u""}));
}

TEST(ColorResolve, SessionColoursComeFromItsSchemeAndPlan) {
  color_scheme_param schemes;
  schemes.schemes.push_back({u"missing plan", 0x10, 0x20, true, u"nope"});
  schemes.schemes.push_back({u"xterm scheme", 0x30, 0x40, true, u"xterm"});
  ansi_color_param plans;
  session_appearance look;
  struct resolve_case {
    std::u16string scheme;
    color_ref foreground, background;
    int32_t mode;
    std::array<color_ref, 16> palette;
  } cases[] = {
      {u"Standard", 0xFAFAFA, 0x0A0A0A, 1, builtin_ansi_color_plans[0].colors},
      {u"no such scheme", 0x0A0A0A, 0xFAFAFA, 0, {}},
      {u"missing plan", 0x10, 0x20, 1, builtin_ansi_color_plans[0].colors},
      {u"xterm scheme", 0x30, 0x40, 1, builtin_ansi_color_plans[5].colors},
  };
  cases[1].palette.fill(0x0A0A0A);
  for (const resolve_case& c : cases) {
    look.color_scheme = c.scheme;
    look.resolve_colors(schemes, plans);
    EXPECT_EQ(look.foreground, c.foreground);
    EXPECT_EQ(look.background, c.background);
    EXPECT_EQ(look.ansi_color_mode, c.mode);
    EXPECT_EQ(look.palette, c.palette);
  }
}

TEST(ColorResolve, EmptyListsResolveToTheFirstBuiltins) {
  color_scheme_param schemes;
  schemes.schemes.clear();
  ansi_color_param plans;
  plans.plans.clear();
  session_appearance look;
  look.color_scheme = u"Standard";
  look.resolve_colors(schemes, plans);
  EXPECT_EQ(look.foreground, builtin_color_schemes[0].foreground);
  EXPECT_EQ(look.ansi_color_mode, 0);
}

}  // namespace
