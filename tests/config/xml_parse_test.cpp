// Texts -> element tree and well-formedness, character references, navigation and reads.
#include <gtest/gtest.h>

#include <string>

#include "config/xml_document.h"
#include "tests/config/xml_tree_text.h"

using test_support::tree_text;
using test_support::utf8;

namespace {

struct parse_case {
  const char16_t* text;
  bool well_formed;
  const char* tree;
};

class xml_parse_table : public ::testing::TestWithParam<parse_case> {};

TEST_P(xml_parse_table, gives_tree_and_answer) {
  const parse_case& c = GetParam();
  xml_document doc;
  EXPECT_EQ(doc.set_document(c.text), c.well_formed) << utf8(doc.result_log());
  EXPECT_EQ(doc.is_well_formed(), c.well_formed);
  EXPECT_EQ(tree_text(doc), c.tree);
  EXPECT_EQ(doc.get_document(), c.text);  // parsing never changes the text
  test_support::expect_index_matches_text(doc);
}

INSTANTIATE_TEST_SUITE_P(
    documents, xml_parse_table,
    ::testing::Values(
        parse_case{u"<a/>", true, "a"}, parse_case{u"<a></a>", true, "a"},
        parse_case{u"<a><b>1</b><b/><c x='1'/></a>", true, "a(b b c)"}, parse_case{u"", false, ""},
        parse_case{u"just text", false, ""}, parse_case{u"<a/><b/>", false, "a b"},
        parse_case{u"<a></b>", false, "a~"}, parse_case{u"<a></A>", false, "a~"},
        parse_case{u"<a><b></a>", false, "a*(b~)"},
        parse_case{u"<a><b><c></c></a>", false, "a*(b~ c)"},
        parse_case{u"<a><b><c><d/></a>", false, "a*(b~ c~ d)"},
        parse_case{u"<a><b><c>", false, "a~ b~ c~"}, parse_case{u"<a><b/></c></a>", false, "a(b)"},
        parse_case{u"<a>\r\n<b>\r\n</a>\r\n</b>", false, "a*(b~)"},
        parse_case{u"<?xml version=\"1.0\"?>\r\n<!-- before -->\r\n"
                   u"<!DOCTYPE a [<!ELEMENT a ANY><!-- in > subset --><?pi x?>]>\r\n"
                   u"<a t='x>y' u=\"p'q\">text<![CDATA[<not/>]]><?pi?></a>\r\n<!-- after -->\r\n",
                   true, "a"},
        parse_case{u"<a>< b</a>", false, "a"}, parse_case{u"<a><1/></a>", false, "a"},
        parse_case{u"<a><!x></a>", false, "a"}, parse_case{u"<a><!-x></a>", false, "a"},
        parse_case{u"<a><![X[y]]></a>", false, "a"},
        parse_case{u"<a><!DOCTYPE [<x>]></a>", false, "a"},
        parse_case{u"<a><!-- no end", false, "a~"}, parse_case{u"<a><b", false, "a~"},
        parse_case{u"<a>\r\n<", false, "a~"}, parse_case{u"<_x/>", true, "_x"},
        parse_case{u"<:x/>", true, ":x"},
        parse_case{u"<\u00e9l\u00e9ment/>", true, "\u00e9l\u00e9ment"},
        parse_case{u"<a\tx=1><b /></a\r\n>", true, "a(b)"}));

TEST(xml_parse, deep_unended_nesting_is_linear_and_flat) {
  // A hostile file: many start tags that never end. Each moves once, all end up at the top.
  std::u16string text;
  for (int i = 0; i < 100000; ++i) text += u"<a>";
  xml_document doc;
  EXPECT_FALSE(doc.set_document(text));
  EXPECT_EQ(doc.elements().size(), 100001u);
  uint32_t count = 0;
  for (uint32_t e = doc.elements()[0].first_child; e != 0; e = doc.elements()[e].next_sibling) {
    ++count;
  }
  EXPECT_EQ(count, 100000u);
}

TEST(xml_parse, deep_nesting_with_stray_end_tags) {
  std::u16string text;
  for (int i = 0; i < 50000; ++i) text += u"<a>";
  for (int i = 0; i < 50000; ++i) text += u"</b>";
  for (int i = 0; i < 50000; ++i) text += u"</a>";
  xml_document doc;
  EXPECT_FALSE(doc.set_document(text));
  EXPECT_EQ(doc.elements()[1].length, text.size());
}

struct reference_case {
  const char16_t* written;
  const char16_t* decoded;
};

class xml_reference_table : public ::testing::TestWithParam<reference_case> {};

TEST_P(xml_reference_table, decodes_in_data_and_attributes) {
  const reference_case& c = GetParam();
  xml_document doc;
  std::u16string text = std::u16string(u"<a v=\"") + c.written + u"\">" + c.written + u"</a>";
  doc.set_document(text);
  EXPECT_EQ(utf8(doc.get_data(1)), utf8(c.decoded));
  EXPECT_EQ(utf8(doc.get_attribute(1, u"v")), utf8(c.decoded));
}

INSTANTIATE_TEST_SUITE_P(
    references, xml_reference_table,
    ::testing::Values(
        reference_case{u"&#65;", u"A"}, reference_case{u"&#x41;", u"A"},
        reference_case{u"&#X41;", u"A"}, reference_case{u"&AMP;", u"&"},
        reference_case{u"&amp;&lt;&gt;&quot;&apos;", u"&<>\"'"},
        reference_case{u"&nosuch;", u"&nosuch;"}, reference_case{u"&amp", u"&amp"},
        reference_case{u"a & b", u"a & b"}, reference_case{u"&#0;", u"&#0;"},
        reference_case{u"&#;", u"&#;"}, reference_case{u"&#x;", u"&#x;"},
        reference_case{u"&#12a;", u"&#12a;"}, reference_case{u"&#x1F600;", u"\U0001F600"},
        reference_case{u"&#1114111;", u"\U0010FFFF"}, reference_case{u"&#x110000;", u"&#x110000;"},
        reference_case{u"&#xD800;", u"&#xD800;"}, reference_case{u"&#57343;", u"&#57343;"},
        reference_case{u"&Oslash;&oslash;&OSLASH;", u"\u00d8\u00f8\u00f8"},
        reference_case{u"&euro;&nbsp;&hearts;", u"\u20ac\u00a0\u2665"},
        reference_case{u"&verylongname;", u"&verylongname;"}, reference_case{u"&&amp;;", u"&&;"},
        reference_case{u"&\u00e9;", u"&\u00e9;"}));

TEST(xml_read, data_of_elements) {
  xml_document doc;
  doc.set_document(
      u"<r><p><c>x</c></p><e/><t> a&lt;b </t><m>1<!-- no -->2<![CDATA[&lt;3]]><?pi?>4</m><u>x < "
      u"y</u></r>");
  ASSERT_TRUE(doc.find_element(u"r"));
  ASSERT_TRUE(doc.into_element());
  auto data_of = [&](const char16_t* name) {
    doc.reset_main_position();
    EXPECT_TRUE(doc.find_element(name));
    return utf8(doc.get_data(doc.current_position()));
  };
  EXPECT_EQ(data_of(u"p"), "");  // has child elements
  EXPECT_EQ(data_of(u"e"), "");
  EXPECT_EQ(data_of(u"t"), " a<b ");  // not trimmed
  EXPECT_EQ(data_of(u"m"), "12&lt;34");
  EXPECT_EQ(data_of(u"u"), "x < y");
  EXPECT_EQ(doc.get_data(0), u"");
  EXPECT_EQ(doc.get_data(999), u"");
  EXPECT_EQ(doc.get_attribute(999, u"x"), u"");
  EXPECT_EQ(doc.get_tag_name(0), u"");
}

TEST(xml_read, attributes_in_every_quoting) {
  xml_document doc;
  doc.set_document(u"<a one=\"1\" two='2' three=3 four five = \"5\" six=\"&lt;6\" seven=\"x/\"/>");
  auto attribute = [&](const char16_t* name) { return utf8(doc.get_attribute(1, name)); };
  EXPECT_EQ(attribute(u"one"), "1");
  EXPECT_EQ(attribute(u"two"), "2");
  EXPECT_EQ(attribute(u"three"), "3");
  EXPECT_EQ(attribute(u"four"), "");
  EXPECT_EQ(attribute(u"five"), "5");
  EXPECT_EQ(attribute(u"six"), "<6");
  EXPECT_EQ(attribute(u"seven"), "x/");
  EXPECT_EQ(attribute(u"ONE"), "");
  EXPECT_EQ(attribute(u"absent"), "");
}

TEST(xml_navigation, find_into_and_out) {
  xml_document doc;
  ASSERT_TRUE(doc.set_document(u"<r><a/><b><x/><y/><x/></b><c/></r>"));
  EXPECT_FALSE(doc.out_of_element());  // top level
  EXPECT_FALSE(doc.into_element());    // nothing current
  ASSERT_TRUE(doc.find_element(u"r"));
  ASSERT_TRUE(doc.into_element());
  EXPECT_EQ(doc.parent_position(), 1u);
  EXPECT_EQ(doc.current_position(), 0u);

  ASSERT_TRUE(doc.find_element(u"b"));
  uint32_t b = doc.current_position();
  EXPECT_FALSE(doc.find_element(u"b"));  // only one b: the first stays current
  EXPECT_EQ(doc.current_position(), b);
  EXPECT_TRUE(doc.find_element(u"c"));
  EXPECT_FALSE(doc.find_element(u"a"));  // searches go forward only
  doc.reset_main_position();
  EXPECT_TRUE(doc.find_element());  // an empty name matches any element
  EXPECT_EQ(doc.get_tag_name(doc.current_position()), u"a");

  ASSERT_TRUE(doc.find_element(u"b"));
  EXPECT_TRUE(doc.find_child_element(u"x"));
  uint32_t first_x = doc.child_position();
  EXPECT_TRUE(doc.find_child_element(u"x"));
  EXPECT_NE(doc.child_position(), first_x);
  EXPECT_FALSE(doc.find_child_element(u"x"));
  doc.reset_child_position();
  EXPECT_TRUE(doc.find_child_element(u"y"));
  uint32_t y = doc.child_position();

  ASSERT_TRUE(doc.into_element());  // into b: y becomes current
  EXPECT_EQ(doc.current_position(), y);
  EXPECT_EQ(doc.parent_position(), b);
  ASSERT_TRUE(doc.out_of_element());
  EXPECT_EQ(doc.current_position(), b);
  EXPECT_EQ(doc.child_position(), y);
  ASSERT_TRUE(doc.out_of_element());
  EXPECT_EQ(doc.current_position(), 1u);
  EXPECT_EQ(doc.parent_position(), 0u);
  EXPECT_FALSE(doc.out_of_element());
}

TEST(xml_navigation, find_child_element_selects_the_first_element_first) {
  xml_document doc;
  doc.set_document(u"<r><a/></r>");
  EXPECT_TRUE(doc.find_child_element(u"a"));
  EXPECT_EQ(doc.current_position(), 1u);
  xml_document empty;
  EXPECT_FALSE(empty.find_child_element(u"a"));
  EXPECT_EQ(empty.current_position(), 0u);
  doc.set_document(u"<r><a/></r>");
  EXPECT_FALSE(doc.find_child_element(u"z"));
  EXPECT_EQ(doc.current_position(), 1u);  // the first step's choice stays
  EXPECT_EQ(doc.child_position(), 0u);
}

TEST(xml_navigation, set_document_resets_positions) {
  xml_document doc;
  doc.set_document(u"<r><a/></r>");
  doc.find_element();
  doc.into_element();
  doc.find_element();
  doc.set_document(u"<s/>");
  EXPECT_EQ(doc.parent_position(), 0u);
  EXPECT_EQ(doc.current_position(), 0u);
  EXPECT_EQ(doc.child_position(), 0u);
  EXPECT_TRUE(doc.find_element(u"s"));
}

}  // namespace
