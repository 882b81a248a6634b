#pragma once
// Views of an xml_document for tests: its element tree as a short line of text, and a check that
// the index it keeps after edits is the one a fresh parse of its text gives.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "config/xml_document.h"
#include "platform/text_codec.h"

namespace test_support {

inline std::string utf8(std::u16string_view text) { return platform::utf16_to_utf8(text); }

// "a*(b~ c)": each element's name, "~" for one without end tag, "*" for one whose end tag closed
// unended elements, its children in brackets, siblings separated by blanks.
inline std::string tree_text(const xml_document& doc, uint32_t parent = 0) {
  std::string out;
  const auto& elements = doc.elements();
  for (uint32_t e = elements[parent].first_child; e != 0; e = elements[e].next_sibling) {
    if (!out.empty()) out += ' ';
    out += utf8(doc.get_tag_name(e));
    if (elements[e].flags & xml_document::element_unended) out += '~';
    if (elements[e].flags & xml_document::element_ill_closed) out += '*';
    if (elements[e].first_child != 0) out += "(" + tree_text(doc, e) + ")";
  }
  return out;
}

// Walks both trees in step and compares every record's place in the text and its links.
inline void expect_same_index(const xml_document& edited, const xml_document& parsed,
                              uint32_t a = 0, uint32_t b = 0) {
  const auto& x = edited.elements();
  const auto& y = parsed.elements();
  uint32_t ca = x[a].first_child, cb = y[b].first_child;
  while (ca != 0 && cb != 0) {
    SCOPED_TRACE("element at " + std::to_string(y[cb].start));
    EXPECT_EQ(x[ca].start, y[cb].start);
    EXPECT_EQ(x[ca].length, y[cb].length);
    EXPECT_EQ(x[ca].start_tag_length, y[cb].start_tag_length);
    EXPECT_EQ(x[ca].end_tag_length, y[cb].end_tag_length);
    EXPECT_EQ(x[ca].parent, a);
    if (x[ca].next_sibling != 0) {
      EXPECT_EQ(x[x[ca].next_sibling].previous_sibling, ca);
    }
    EXPECT_EQ(x[ca].flags & xml_document::element_first_child,
              y[cb].flags & xml_document::element_first_child);
    expect_same_index(edited, parsed, ca, cb);
    ca = x[ca].next_sibling;
    cb = y[cb].next_sibling;
  }
  EXPECT_EQ(ca, 0u) << "the edited index has more elements";
  EXPECT_EQ(cb, 0u) << "the edited index has fewer elements";
  if (x[a].first_child != 0) {
    // The first child's previous link names the last child.
    uint32_t last = x[a].first_child;
    while (x[last].next_sibling != 0) last = x[last].next_sibling;
    EXPECT_EQ(x[x[a].first_child].previous_sibling, last);
  }
  EXPECT_EQ(x[0].length, edited.get_document().size());
}

inline void expect_index_matches_text(const xml_document& edited) {
  xml_document parsed;
  parsed.set_document(edited.get_document());
  expect_same_index(edited, parsed);
}

}  // namespace test_support
