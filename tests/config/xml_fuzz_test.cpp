// Seeded random input: the parser, the reads and the file loader end and never crash on any
// bytes, and the index they build always lies inside the text.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "config/xml_document.h"
#include "platform/text_codec.h"
#include "tests/support/temp_folder.h"

namespace {

// Pieces that make the parser's every path likely.
const char16_t* const pieces[] = {u"<",
                                  u">",
                                  u"/",
                                  u"</",
                                  u"/>",
                                  u"<a",
                                  u"<b>",
                                  u"</a>",
                                  u"</b>",
                                  u"<a/>",
                                  u"<!--",
                                  u"-->",
                                  u"<![CDATA[",
                                  u"]]>",
                                  u"<!DOCTYPE x [",
                                  u"]",
                                  u"<?xml encoding='utf-16'?>",
                                  u"<?",
                                  u"?>",
                                  u"\"",
                                  u"'",
                                  u"=",
                                  u" x=",
                                  u"&",
                                  u"&#",
                                  u"&#x",
                                  u";",
                                  u"&amp;",
                                  u"&#1114112;",
                                  u"\r\n",
                                  u" ",
                                  u"text",
                                  u"\u00e9",
                                  u"\xd800",
                                  u"<!",
                                  u"<![",
                                  u"<!-",
                                  u"<!E",
                                  u"<html><head><meta http-equiv="};

std::u16string random_text(std::mt19937& random) {
  std::u16string text;
  size_t count = random() % 60;
  for (size_t i = 0; i < count; ++i) {
    if (random() % 4 == 0) {
      text += char16_t(random() % 0x80);
    } else {
      text += pieces[random() % std::size(pieces)];
    }
  }
  return text;
}

void check_index(const xml_document& doc) {
  const auto& elements = doc.elements();
  const size_t size = doc.get_document().size();
  ASSERT_EQ(elements[0].length, size);
  for (uint32_t e = 1; e < elements.size(); ++e) {
    const auto& r = elements[e];
    ASSERT_LE(size_t(r.start) + r.length, size);
    ASSERT_LE(size_t(r.start_tag_length) + r.end_tag_length, r.length);
    ASSERT_LT(r.parent, elements.size());
    if (r.parent != 0) {
      const auto& p = elements[r.parent];
      ASSERT_GE(r.start, p.start);
      ASSERT_LE(r.start + r.length, p.start + p.length);
    }
  }
}

void exercise_reads(xml_document& doc) {
  for (uint32_t e = 0; e <= doc.elements().size(); ++e) {
    doc.get_data(e);
    doc.get_attribute(e, u"x");
    doc.get_tag_name(e);
  }
  doc.reset_main_position();
  for (int steps = 0; steps < 200; ++steps) {
    if (!doc.find_element() && !doc.into_element() && !doc.out_of_element()) break;
    doc.find_child_element(u"a");
    doc.into_element();
  }
}

TEST(xml_fuzz, random_texts_parse_and_read) {
  std::mt19937 random(1210);
  for (int round = 0; round < 20000; ++round) {
    xml_document doc;
    std::u16string text = random_text(random);
    doc.set_document(text);
    SCOPED_TRACE(platform::utf16_to_utf8(text));
    check_index(doc);
    exercise_reads(doc);
    if (doc.elements().size() > 1) {
      doc.reset_main_position();
      doc.find_element();
      doc.set_attribute(doc.current_position(), u"x", u"1");
      doc.add_element(u"n", u"v");
      check_index(doc);
    }
    if (::testing::Test::HasFatalFailure()) return;
  }
}

TEST(xml_fuzz, random_bytes_load) {
  test_support::temp_folder folder;
  std::mt19937 random(2026);
  const std::string path = folder.file("random.conf");
  const char* const heads[] = {"",
                               "\xEF\xBB\xBF",
                               "\xFF\xFE",
                               "\xFE\xFF",
                               "<?xml encoding='shift_jis'?>",
                               "<?xml encoding='utf-7'?>",
                               "<?xml encoding='UTF-32'?>",
                               "<?xml encoding='iso-2022-jp'?>",
                               "<?xml encoding='utf-16'?>"};
  for (int round = 0; round < 600; ++round) {
    std::string bytes = heads[random() % std::size(heads)];
    size_t count = random() % 300;
    for (size_t i = 0; i < count; ++i) bytes += char(random() % 256);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    xml_document doc;
    doc.load_file(path);
    check_index(doc);
    exercise_reads(doc);
    uint32_t flags = doc.document_flags();
    xml_document::write_file(doc.get_document(), doc.result_log(), folder.file("out.conf"), flags);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

}  // namespace
