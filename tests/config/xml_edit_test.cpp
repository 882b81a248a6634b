// Editing sequences -> the exact text, with the index always matching a fresh parse.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "config/xml_document.h"
#include "tests/config/xml_tree_text.h"

using test_support::expect_index_matches_text;
using test_support::utf8;

namespace {

struct edit_case {
  const char* title;
  const char16_t* start;
  std::function<void(xml_document&)> edits;
  const char16_t* text;
};

void find_path(xml_document& doc, std::initializer_list<const char16_t*> names) {
  doc.reset_main_position();
  while (doc.out_of_element()) {
  }
  doc.reset_main_position();
  bool first = true;
  for (const char16_t* name : names) {
    if (!first) {
      ASSERT_TRUE(doc.into_element());
    }
    first = false;
    ASSERT_TRUE(doc.find_element(name)) << utf8(name);
  }
}

class xml_edit_table : public ::testing::TestWithParam<edit_case> {};

TEST_P(xml_edit_table, gives_exact_text) {
  const edit_case& c = GetParam();
  xml_document doc;
  doc.set_document(c.start);
  c.edits(doc);
  EXPECT_EQ(utf8(doc.get_document()), utf8(c.text));
  expect_index_matches_text(doc);
}

std::string case_name(const ::testing::TestParamInfo<edit_case>& info) { return info.param.title; }

INSTANTIATE_TEST_SUITE_P(
    sequences, xml_edit_table,
    ::testing::Values(
        edit_case{"build_from_empty", u"",
                  [](xml_document& d) {
                    EXPECT_TRUE(d.add_element(u"a"));
                    EXPECT_TRUE(d.into_element());
                    EXPECT_TRUE(d.add_element(u"b", u"1"));
                    EXPECT_TRUE(d.add_element(u"c"));
                    EXPECT_TRUE(d.out_of_element());
                  },
                  u"<a>\r\n<b>1</b>\r\n<c/>\r\n</a>\r\n"},
        edit_case{"attribute_escaping", u"<a>\r\n<c/>\r\n</a>\r\n",
                  [](xml_document& d) {
                    find_path(d, {u"a", u"c"});
                    EXPECT_TRUE(d.set_attribute(d.current_position(), u"x", u"p\"q&"));
                    EXPECT_EQ(d.get_attribute(d.current_position(), u"x"), u"p\"q&");
                  },
                  u"<a>\r\n<c x=\"p&quot;q&amp;\"/>\r\n</a>\r\n"},
        edit_case{"value_escaping", u"<a/>",
                  [](xml_document& d) {
                    find_path(d, {u"a"});
                    d.into_element();
                    EXPECT_TRUE(d.add_element(u"v", u"1 < 2 & \"3\" > '0'"));
                    EXPECT_EQ(d.get_data(d.current_position()), u"1 < 2 & \"3\" > '0'");
                  },
                  u"<a>\r\n<v>1 &lt; 2 &amp; \"3\" &gt; '0'</v>\r\n</a>"},
        edit_case{"add_before_reverses", u"<a/>\r\n",
                  [](xml_document& d) {
                    find_path(d, {u"a"});
                    d.into_element();
                    EXPECT_TRUE(d.add_element(u"first", {}, xml_add_before));
                    EXPECT_TRUE(d.add_element(u"second", {}, xml_add_before));
                  },
                  u"<a>\r\n<second/>\r\n<first/>\r\n</a>\r\n"},
        edit_case{"host_group_name", u"",
                  [](xml_document& d) {
                    d.add_element(u"HostGroup");
                    EXPECT_TRUE(d.set_attribute(d.current_position(), u"Name", u"All Hosts"));
                  },
                  u"<HostGroup Name=\"All Hosts\"/>\r\n"},
        edit_case{"open_start_end_pair", u"<a></a>",
                  [](xml_document& d) {
                    find_path(d, {u"a"});
                    d.into_element();
                    d.add_element(u"b");
                  },
                  u"<a>\r\n<b/>\r\n</a>"},
        edit_case{"empty_parent_with_attributes", u"<r>\r\n<a x='1' />\r\n<z/>\r\n</r>",
                  [](xml_document& d) {
                    find_path(d, {u"r", u"a"});
                    d.into_element();
                    d.add_element(u"b", u"2");
                  },
                  u"<r>\r\n<a x='1' >\r\n<b>2</b>\r\n</a>\r\n<z/>\r\n</r>"},
        edit_case{"insert_in_the_middle", u"<a>\r\n<b/>\r\n<d/>\r\n</a>\r\n",
                  [](xml_document& d) {
                    find_path(d, {u"a", u"b"});
                    d.add_element(u"c");
                    EXPECT_TRUE(d.find_element(u"d"));
                  },
                  u"<a>\r\n<b/>\r\n<c/>\r\n<d/>\r\n</a>\r\n"},
        edit_case{"before_the_current_element", u"<a>\r\n<b/>\r\n<d/>\r\n</a>\r\n",
                  [](xml_document& d) {
                    find_path(d, {u"a", u"d"});
                    d.add_element(u"c", {}, xml_add_before);
                    find_path(d, {u"a", u"b"});
                    d.add_element(u"a0", {}, xml_add_before);
                  },
                  u"<a>\r\n<a0/>\r\n<b/>\r\n<c/>\r\n<d/>\r\n</a>\r\n"},
        edit_case{"first_child_of_a_full_parent", u"<a>\r\n<b/>\r\n</a>",
                  [](xml_document& d) {
                    find_path(d, {u"a"});
                    d.into_element();
                    d.add_element(u"z", {}, xml_add_before);
                    d.add_element(u"y");  // after z, the new current element
                  },
                  u"<a>\r\n<z/>\r\n<y/>\r\n<b/>\r\n</a>"},
        edit_case{"as_child", u"<a>\r\n<b/>\r\n</a>",
                  [](xml_document& d) {
                    find_path(d, {u"a"});
                    EXPECT_TRUE(d.add_element(u"c", {}, xml_add_child));
                    EXPECT_EQ(d.get_tag_name(d.current_position()), u"a");
                    EXPECT_EQ(d.get_tag_name(d.child_position()), u"c");
                    EXPECT_TRUE(d.add_element(u"bb", {}, xml_add_child | xml_add_before));
                  },
                  u"<a>\r\n<b/>\r\n<bb/>\r\n<c/>\r\n</a>"},
        edit_case{"top_level_after_and_before", u"<a/>\r\n",
                  [](xml_document& d) {
                    find_path(d, {u"a"});
                    d.add_element(u"b");
                    d.reset_main_position();
                    d.add_element(u"z", {}, xml_add_before);
                  },
                  u"<z/>\r\n<a/>\r\n<b/>\r\n"},
        edit_case{"attributes_replaced_and_added", u"<a x='1' y=2 z/>",
                  [](xml_document& d) {
                    EXPECT_TRUE(d.set_attribute(1, u"x", u"3"));
                    EXPECT_TRUE(d.set_attribute(1, u"y", u"4"));
                    EXPECT_TRUE(d.set_attribute(1, u"z", u"5"));
                    EXPECT_TRUE(d.set_attribute(1, u"w", u"it's"));
                  },
                  u"<a x=\"3\" y=\"4\" z=\"5\" w=\"it&apos;s\"/>"},
        edit_case{"attribute_on_a_parent_moves_its_children", u"<a>\r\n<b>t</b>\r\n</a>\r\n<c/>",
                  [](xml_document& d) {
                    EXPECT_TRUE(d.set_attribute(1, u"long", u"value"));
                    find_path(d, {u"a", u"b"});
                    EXPECT_EQ(d.get_data(d.current_position()), u"t");
                    EXPECT_TRUE(d.set_attribute(1, u"long", u"v"));
                  },
                  u"<a long=\"v\">\r\n<b>t</b>\r\n</a>\r\n<c/>"},
        edit_case{"attribute_before_spacing", u"<a   >\r\n</a>",
                  [](xml_document& d) { d.set_attribute(1, u"k", u""); }, u"<a k=\"\"   >\r\n</a>"},
        edit_case{"refused_edits_change_nothing", u"<a/>",
                  [](xml_document& d) {
                    EXPECT_FALSE(d.add_element(u"x", {}, xml_add_child));  // nothing current
                    EXPECT_FALSE(d.add_element(u""));
                    EXPECT_FALSE(d.add_element(u"a b"));
                    EXPECT_FALSE(d.add_element(u"1a"));
                    EXPECT_FALSE(d.set_attribute(0, u"x", u"1"));
                    EXPECT_FALSE(d.set_attribute(7, u"x", u"1"));
                    EXPECT_FALSE(d.set_attribute(1, u"", u"1"));
                    EXPECT_FALSE(d.add_subdocument(u""));
                    EXPECT_FALSE(d.add_subdocument(u"<p><q></p>"));
                    EXPECT_FALSE(d.add_subdocument(u"<p/><q/>"));
                  },
                  u"<a/>"},
        edit_case{"unended_elements_take_no_children", u"<r><a>\r\n</r>",
                  [](xml_document& d) {
                    find_path(d, {u"r", u"a"});
                    EXPECT_FALSE(d.add_element(u"x", {}, xml_add_child));
                    d.into_element();
                    EXPECT_FALSE(d.add_element(u"x"));
                    d.out_of_element();
                    EXPECT_TRUE(d.add_element(u"b"));  // beside it is fine
                  },
                  u"<r><a>\r\n<b/>\r\n</r>"},
        edit_case{
            "kept_subdocument", u"<Tessary>\r\n<TinyServer/>\r\n</Tessary>\r\n",
            [](xml_document& d) {
              find_path(d, {u"Tessary", u"TinyServer"});
              d.into_element();
              EXPECT_TRUE(d.add_subdocument(
                  u"\r\n<Tftpd Port='69'>\r\n<!-- kept -->\r\n<Home>/srv</Home>\r\n</Tftpd>\r\n"));
              EXPECT_TRUE(d.into_element());
              EXPECT_TRUE(d.find_element(u"Home"));
              EXPECT_EQ(d.get_data(d.current_position()), u"/srv");
              d.out_of_element();
              EXPECT_TRUE(d.add_element(u"Dhcpd"));
            },
            u"<Tessary>\r\n<TinyServer>\r\n<Tftpd Port='69'>\r\n<!-- kept -->\r\n"
            u"<Home>/srv</Home>\r\n</Tftpd>\r\n<Dhcpd/>\r\n</TinyServer>\r\n</Tessary>\r\n"}),
    case_name);

TEST(xml_edit, subdocument_round_trip) {
  const std::u16string element =
      u"<Httpd>\r\n<Enable>true</Enable>\r\n<x a=\"&amp;\"/>\r\n</Httpd>";
  xml_document source;
  source.set_document(u"<r>\r\n" + element + u"\r\n</r>");
  source.find_element();
  source.into_element();
  source.find_element(u"Httpd");
  EXPECT_EQ(source.get_subdocument(source.current_position()), element);

  xml_document target;
  target.add_element(u"r");
  target.into_element();
  EXPECT_TRUE(target.add_subdocument(source.get_subdocument(source.current_position())));
  EXPECT_EQ(target.get_document(), u"<r>\r\n" + element + u"\r\n</r>\r\n");
  expect_index_matches_text(target);
}

TEST(xml_edit, positions_stay_valid_across_edits) {
  xml_document doc;
  doc.set_document(u"<r>\r\n<a>1</a>\r\n<b>2</b>\r\n<c>3</c>\r\n</r>");
  doc.find_element();
  doc.into_element();
  doc.find_element(u"c");
  uint32_t c = doc.current_position();
  doc.reset_main_position();
  doc.find_element(u"a");
  doc.set_attribute(doc.current_position(), u"name", u"a longer attribute value");
  doc.add_element(u"a2", u"x");
  EXPECT_EQ(doc.get_data(c), u"3");
  EXPECT_EQ(doc.get_tag_name(c), u"c");
  expect_index_matches_text(doc);
}

// A random well-formed document of `size` elements, built through add_element.
void random_document(xml_document& doc, std::mt19937& random, int size) {
  doc.set_document();
  doc.add_element(u"root");
  for (int i = 0; i < size; ++i) {
    const char16_t* names[] = {u"a", u"b", u"c"};
    std::u16string value = random() % 2 ? u"" : u"v&<" + std::u16string(random() % 3, u'x');
    uint32_t flags = random() % 3 == 0 ? xml_add_before : 0;
    switch (random() % 4) {
      case 0:
        doc.into_element();
        break;
      case 1:
        doc.out_of_element();
        break;
      case 2:
        doc.find_element();
        break;
      default:
        break;
    }
    if (doc.parent_position() == 0) doc.into_element();  // keep one top element
    if (doc.parent_position() == 0) continue;
    doc.add_element(names[random() % 3], value, flags);
    if (random() % 3 == 0 && doc.current_position() != 0) {
      doc.set_attribute(doc.current_position(), names[random() % 3],
                        std::u16string(random() % 5, u'"'));
    }
  }
}

TEST(xml_edit, random_edit_sequences_keep_the_index_exact) {
  std::mt19937 random(20261210);
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    xml_document doc;
    random_document(doc, random, 1 + round % 40);
    EXPECT_TRUE(xml_document().set_document(doc.get_document()));
    expect_index_matches_text(doc);
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << utf8(doc.get_document());
      break;
    }
  }
}

}  // namespace
