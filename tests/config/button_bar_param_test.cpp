// The "ButtonBar" section: its stored form, how stored categories are merged into the built-in
// "Default", which category is shown, children in any order, and lossless round trips.
#include <gtest/gtest.h>

#include <QWidget>

#include "config/button_bar_param.h"
#include "tests/config/node_text.h"

namespace {

using test_support::load_from_text;
using test_support::saved_text;

// The categories as one line: name[label/icon/tooltip/script,...], the shown one marked by '*'.
std::u16string shape(const button_bar_param& bar) {
  std::u16string text;
  for (size_t i = 0; i < bar.categories.size(); ++i) {
    const button_category& category = *bar.categories[i];
    if (i) text += u" ";
    if (static_cast<int32_t>(i) == bar.active_category) text += u"*";
    text += category.name + u"[";
    for (size_t b = 0; b < category.buttons.size(); ++b) {
      const button_item& button = *category.buttons[b];
      if (b) text += u",";
      const std::string icon = std::to_string(button.icon_index);
      text += button.label + u"/" + std::u16string(icon.begin(), icon.end()) + u"/" + button.tooltip + u"/" +
              button.script;
    }
    text += u"]";
  }
  return text;
}

std::u16string loaded_shape(std::u16string_view section) {
  button_bar_param bar;
  EXPECT_TRUE(load_from_text(bar, section));
  return shape(bar);
}

TEST(ButtonBarParam, BuiltInDefaultIsOneEmptyDefaultCategoryShown) {
  button_bar_param bar;
  EXPECT_EQ(shape(bar), u"*Default[]");
  EXPECT_EQ(saved_text(bar), u"<ButtonBar>\r\n<Category name=\"Default\" active=\"true\"/>\r\n</ButtonBar>\r\n");
}

TEST(ButtonBarParam, SavedFormHoldsEveryFieldInOrder) {
  button_bar_param bar;
  ASSERT_TRUE(bar.add_button(u"ls", 2, u"list", u"ls -l\r\n", nullptr));
  bar.categories.push_back(std::make_unique<button_category>());
  bar.categories.back()->name = u"a & b";
  bar.active_category = 1;
  ASSERT_TRUE(bar.add_button(u"x", -1, u"", u"<% nprint(1 < 2) %>", nullptr));
  EXPECT_EQ(saved_text(bar),
            u"<ButtonBar>\r\n"
            u"<Category name=\"Default\">\r\n"
            u"<Button>\r\n<IconIndex>2</IconIndex>\r\n<Label>ls</Label>\r\n<Tooltip>list</Tooltip>\r\n"
            u"<Script>ls -l\r\n</Script>\r\n</Button>\r\n"
            u"</Category>\r\n"
            u"<Category name=\"a &amp; b\" active=\"true\">\r\n"
            u"<Button>\r\n<IconIndex>-1</IconIndex>\r\n<Label>x</Label>\r\n<Tooltip/>\r\n"
            u"<Script>&lt;% nprint(1 &lt; 2) %&gt;</Script>\r\n</Button>\r\n"
            u"</Category>\r\n"
            u"</ButtonBar>\r\n");
}

TEST(ButtonBarParam, NoCategoriesWriteNothing) {
  button_bar_param bar;
  bar.categories.clear();
  EXPECT_EQ(saved_text(bar), u"<ButtonBar/>\r\n");
}

struct load_case {
  const char* name;
  std::u16string section;
  std::u16string shape;
};

class ButtonBarLoad : public ::testing::TestWithParam<load_case> {};

TEST_P(ButtonBarLoad, GivesTheCategories) { EXPECT_EQ(loaded_shape(GetParam().section), GetParam().shape); }

INSTANTIATE_TEST_SUITE_P(
    Config, ButtonBarLoad,
    ::testing::Values(
        load_case{"DefaultTwiceMergesIntoCategoryZero",
                  u"<ButtonBar><Category name=\"Default\" active=\"true\"><Button><Label>a</Label></Button></Category>"
                  u"<Category name=\"net\"><Button><Label>b</Label></Button></Category>"
                  u"<Category name=\"Default\"><Button><Label>c</Label></Button></Category></ButtonBar>",
                  u"*Default[a/0//,c/0//] net[b/0//]"},
        load_case{"NamelessCategoryIsUndefined", u"<ButtonBar><Category/><Category name=\"\"/></ButtonBar>",
                  u"*Default[] undefined[] undefined[]"},
        load_case{"OnlyExactlyTrueMakesActive",
                  u"<ButtonBar><Category name=\"a\" active=\"True\"/><Category name=\"b\" active=\"1\"/></ButtonBar>",
                  u"*Default[] a[] b[]"},
        load_case{"LastActiveWins",
                  u"<ButtonBar><Category name=\"a\" active=\"true\"/><Category name=\"b\" active=\"true\"/>"
                  u"</ButtonBar>",
                  u"Default[] a[] *b[]"},
        load_case{"ActiveDefaultAfterAnotherCategory",
                  u"<ButtonBar><Category name=\"a\" active=\"true\"/><Category name=\"Default\" active=\"true\"/>"
                  u"</ButtonBar>",
                  u"*Default[] a[]"},
        load_case{"LowerCaseDefaultIsACategoryOfItsOwn", u"<ButtonBar><Category name=\"default\"/></ButtonBar>",
                  u"*Default[] default[]"},
        load_case{"ChildrenInAnyOrderAndMissingOnes",
                  u"<ButtonBar><Category name=\"Default\"><Button><Script>s</Script><Label>l</Label></Button>"
                  u"<Button><Tooltip>t</Tooltip><IconIndex>3</IconIndex></Button></Category></ButtonBar>",
                  u"*Default[l/0//s,/3/t/]"},
        load_case{"IconIndexKeepsItsBits",
                  u"<ButtonBar><Category name=\"Default\"><Button><IconIndex>4294967295</IconIndex>"
                  u"<Label>a</Label></Button><Button><IconIndex>7</IconIndex><Label>b</Label></Button>"
                  u"<Button><IconIndex>x</IconIndex><Label>c</Label></Button></Category></ButtonBar>",
                  u"*Default[a/-1//,b/7//,c/0//]"},
        load_case{"RepeatedNamesStaySeparate",
                  u"<ButtonBar><Category name=\"x\"/><Category name=\"x\"/></ButtonBar>", u"*Default[] x[] x[]"},
        load_case{"OtherElementsIgnored",
                  u"<ButtonBar><Note>hi</Note><Category name=\"x\"><Other/><Button><Label>b</Label></Button>"
                  u"</Category></ButtonBar>",
                  u"*Default[] x[b/0//]"}),
    [](const ::testing::TestParamInfo<load_case>& info) { return std::string(info.param.name); });

TEST(ButtonBarParam, SaveAndLoadAgainGiveTheSameBar) {
  button_bar_param bar;
  bar.add_button(u" spaced ", 3, u"tip \"quoted\"", u"<% for i=1,3 do\r\n print(i)\r\nend %>\r\n\ttabbed", nullptr);
  bar.add_button(u"\u00e4\u20ac", 9, u"", u"", nullptr);
  for (const char16_t* name : {u"net", u"Default ", u"x"}) {
    bar.categories.push_back(std::make_unique<button_category>());
    bar.categories.back()->name = name;
  }
  bar.active_category = 2;
  bar.add_button(u"in net", 1, u"t", u"s", nullptr);
  const std::u16string text = saved_text(bar);
  button_bar_param again;
  ASSERT_TRUE(load_from_text(again, text));
  EXPECT_EQ(shape(again), shape(bar));
  EXPECT_EQ(saved_text(again), text);
}

TEST(ButtonBarParam, AddButtonNeedsALabelAndOwnsItsControl) {
  button_bar_param bar;
  EXPECT_FALSE(bar.add_button(u"", 0, u"t", u"s", nullptr));
  EXPECT_TRUE(bar.categories[0]->buttons.empty());
  bar.active_category = 5;
  EXPECT_FALSE(bar.add_button(u"a", 0, u"", u"", nullptr));
  bar.active_category = 0;

  QWidget parent;
  QPointer<QWidget> control = new QWidget(&parent);
  ASSERT_TRUE(bar.add_button(u"a", 1, u"", u"", control));
  EXPECT_EQ(bar.categories[0]->buttons[0]->control, control);
  bar.categories[0]->buttons.clear();
  EXPECT_TRUE(control.isNull());

  // A control that went with its window first leaves nothing to free.
  ASSERT_TRUE(bar.add_button(u"b", 1, u"", u"", new QWidget(&parent)));
  QWidget* child = bar.categories[0]->buttons[0]->control;
  delete child;
  EXPECT_TRUE(bar.categories[0]->buttons[0]->control.isNull());
}

}  // namespace
