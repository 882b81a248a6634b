// Files -> text: byte-order marks, declared encodings, the UTF-8 test, the ANSI code page;
// text -> files: the encoding chosen, marks, unmappable characters, failures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "config/xml_document.h"
#include "config/xml_encoding_names.h"
#include "platform/atomic_file.h"
#include "tests/config/xml_tree_text.h"
#include "tests/support/temp_folder.h"

using test_support::utf8;

namespace {

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string read_bytes(const std::string& path) {
  std::string bytes;
  EXPECT_TRUE(platform::read_file(path, bytes)) << path;
  return bytes;
}

// The bytes of `utf8_text` in `charset`, converted by iconv(1).
std::string iconv_bytes(const test_support::temp_folder& folder, const std::string& utf8_text,
                        const std::string& charset) {
  write_bytes(folder.file("iconv-in"), utf8_text);
  std::string command = "iconv -f UTF-8 -t " + charset + " " + folder.file("iconv-in") + " > " +
                        folder.file("iconv-out");
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return read_bytes(folder.file("iconv-out"));
}

// Loads the bytes and returns the data of the top element ("" when not loaded).
struct loaded {
  bool ok;
  std::string data;
  uint32_t flags;
};

loaded load(const test_support::temp_folder& folder, const std::string& bytes) {
  write_bytes(folder.file("doc.xml"), bytes);
  xml_document doc;
  bool ok = doc.load_file(folder.file("doc.xml"));
  doc.find_element();
  return {ok, utf8(doc.get_data(doc.current_position())), doc.document_flags()};
}

struct encoded_case {
  const char* title;
  std::string bytes;  // the file
  std::string data;   // the top element's data, UTF-8
  uint32_t flags;     // the mark flag load_file sets
};

class xml_file_encodings : public ::testing::TestWithParam<encoded_case> {};

TEST_P(xml_file_encodings, read_to_the_same_text) {
  test_support::temp_folder folder;
  const encoded_case& c = GetParam();
  loaded result = load(folder, c.bytes);
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(result.data, c.data);
  EXPECT_EQ(result.flags, c.flags);
}

std::string with_nul_bytes_inside() { return std::string("<a>x\0y</a>", 10); }

INSTANTIATE_TEST_SUITE_P(
    files, xml_file_encodings,
    ::testing::Values(
        encoded_case{"utf8_mark", "\xEF\xBB\xBF<a>caf\xC3\xA9</a>", "caf\xC3\xA9",
                     xml_utf8_preamble},
        encoded_case{"utf8_declared",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>caf\xC3\xA9</a>", "caf\xC3\xA9",
                     0},
        encoded_case{"utf8_plain", "<a>caf\xC3\xA9</a>", "caf\xC3\xA9", 0},
        encoded_case{"utf8_after_blank_line", "\r\n<a>caf\xC3\xA9</a>", "caf\xC3\xA9", 0},
        encoded_case{"ansi_when_not_utf8", "\r\n<a>caf\xE9</a>", "caf\xC3\xA9", 0},
        encoded_case{"ansi_euro_sign", " <a>\x80 5</a>", "\xE2\x82\xAC 5", 0},
        encoded_case{"latin1_declared", "<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE9</a>",
                     "\xC3\xA9", 0},
        encoded_case{"declared_name_any_case", "<?xml encoding=\"wInDoWs-1251\"?><a>\xC4\xE0</a>",
                     "\xD0\x94\xD0\xB0", 0},
        encoded_case{"unknown_name_is_ansi", "<?xml encoding=\"no-such-thing\"?><a>\xE9</a>",
                     "\xC3\xA9", 0},
        encoded_case{"html_meta_charset",
                     "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                     "charset=koi8-r\"></meta></head><body/></html>",
                     "", 0},
        encoded_case{"utf16le_mark", std::string("\xFF\xFE<\0a\0>\0\xE9\0<\0/\0a\0>\0", 18),
                     "\xC3\xA9", xml_utf16le_file},
        encoded_case{"utf16be_mark", std::string("\xFE\xFF\0<\0a\0>\0\xE9\0<\0/\0a\0>", 18),
                     "\xC3\xA9", xml_utf16be_file},
        encoded_case{"nul_bytes_removed", with_nul_bytes_inside(), "xy", 0}),
    [](const auto& info) { return std::string(info.param.title); });

TEST(xml_file, html_meta_decides_the_encoding) {
  test_support::temp_folder folder;
  write_bytes(
      folder.file("page.html"),
      "<html><head><meta http-equiv=\"content-type\" content=\"text/html; charset=koi8-r\"/>"
      "<title>\xF0\xD2\xC9\xD7\xC5\xD4</title></head></html>");
  xml_document doc;
  EXPECT_TRUE(doc.load_file(folder.file("page.html")));
  doc.find_element(u"html");
  doc.into_element();
  doc.find_element(u"head");
  doc.into_element();
  doc.find_element(u"title");
  EXPECT_EQ(utf8(doc.get_data(doc.current_position())),
            "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
}

TEST(xml_file, utf16_files_made_by_iconv_read_and_write_back_unchanged) {
  test_support::temp_folder folder;
  const std::string text =
      "<Tessary>\r\n<Name>\xE2\x82\xAC \xF0\x9F\x98\x80 \xC3\xA9</Name>\r\n</Tessary>\r\n";
  for (const char* charset : {"UTF-16LE", "UTF-16BE"}) {
    SCOPED_TRACE(charset);
    std::string mark = std::string(charset) == "UTF-16LE" ? "\xFF\xFE" : "\xFE\xFF";
    std::string bytes = mark + iconv_bytes(folder, text, charset);
    write_bytes(folder.file("in.conf"), bytes);
    xml_document doc;
    ASSERT_TRUE(doc.load_file(folder.file("in.conf")));
    EXPECT_EQ(utf8(doc.get_document()), text);
    ASSERT_TRUE(xml_document::write_file(doc.get_document(), doc.result_log(),
                                         folder.file("out.conf"), doc.document_flags()));
    EXPECT_EQ(read_bytes(folder.file("out.conf")), bytes);
  }
}

TEST(xml_file, declared_code_pages_go_both_ways) {
  test_support::temp_folder folder;
  struct row {
    const char* declared;
    const char* charset;  // iconv(1) name of the same encoding
  };
  const std::string body = "<a>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E kana \xE3\x81\x82</a>\r\n";
  for (row r : {row{"Shift_JIS", "CP932"}, row{"euc-jp", "EUC-JP"},
                row{"iso-2022-jp", "ISO-2022-JP"}, row{"gb18030", "GB18030"}}) {
    SCOPED_TRACE(r.declared);
    std::string text =
        std::string("<?xml version=\"1.0\" encoding=\"") + r.declared + "\"?>\r\n" + body;
    std::string bytes = iconv_bytes(folder, text, r.charset);
    write_bytes(folder.file("in.xml"), bytes);
    xml_document doc;
    ASSERT_TRUE(doc.load_file(folder.file("in.xml"))) << utf8(doc.result_log());
    EXPECT_EQ(utf8(doc.get_document()), text);
    uint32_t flags = 0;
    std::u16string log;
    ASSERT_TRUE(xml_document::write_file(doc.get_document(), log, folder.file("out.xml"), flags));
    EXPECT_EQ(read_bytes(folder.file("out.xml")), bytes);
  }
}

TEST(xml_file, writing_chooses_the_encoding) {
  test_support::temp_folder folder;
  const std::string path = folder.file("w.conf");
  std::u16string log;
  uint32_t flags = 0;

  ASSERT_TRUE(xml_document::write_file(u"<a>\u00e9</a>\r\n", log, path, flags));
  EXPECT_EQ(read_bytes(path), "<a>\xC3\xA9</a>\r\n");  // no declaration, flags 0: plain UTF-8
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  flags = xml_utf8_preamble;
  ASSERT_TRUE(xml_document::write_file(u"<a/>", log, path, flags));
  EXPECT_EQ(read_bytes(path), "\xEF\xBB\xBF<a/>");

  flags = 0;
  log.clear();
  ASSERT_TRUE(xml_document::write_file(u"<?xml encoding=\"latin1\"?><a>\u00e9\u20ac</a>", log, path,
                                       flags));
  EXPECT_EQ(read_bytes(path), "<?xml encoding=\"latin1\"?><a>\xE9?</a>");
  EXPECT_NE(utf8(log).find("unmappable_characters"), std::string::npos) << utf8(log);
}

TEST(xml_file, bytes_that_are_not_utf8_survive_a_round_trip) {
  // A file that starts with "<" is read as UTF-8; a stray byte is kept and written back as it was.
  test_support::temp_folder folder;
  const std::string bytes = "<a>caf\xE9 \xFF</a>";
  write_bytes(folder.file("in"), bytes);
  xml_document doc;
  ASSERT_TRUE(doc.load_file(folder.file("in")));
  uint32_t flags = 0;
  ASSERT_TRUE(
      xml_document::write_file(doc.get_document(), doc.result_log(), folder.file("out"), flags));
  EXPECT_EQ(read_bytes(folder.file("out")), bytes);
}

TEST(xml_file, a_hand_written_file_writes_back_byte_for_byte) {
  test_support::temp_folder folder;
  const std::string bytes =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<!-- my settings, edited by hand -->\n"
      "<Tessary>\r\n"
      "  <HostManager>\n"
      "    <HostGroup Name='All Hosts'>\n"
      "      <Host Name=\"r\xC3\xB6uter &amp; co\"><Hostname>10.0.0.1</Hostname></Host>\n"
      "    </HostGroup>\n"
      "  </HostManager>\n"
      "  <Unknown><![CDATA[kept <as> is]]></Unknown>\n"
      "</Tessary>\n";
  write_bytes(folder.file("Tessary.conf"), bytes);
  xml_document doc;
  ASSERT_TRUE(doc.load_file(folder.file("Tessary.conf")));
  uint32_t flags = doc.document_flags();
  ASSERT_TRUE(xml_document::write_file(doc.get_document(), doc.result_log(),
                                       folder.file("again.conf"), flags));
  EXPECT_EQ(read_bytes(folder.file("again.conf")), bytes);
}

TEST(xml_file, failures) {
  test_support::temp_folder folder;
  xml_document doc;
  doc.set_document(u"<old/>");
  EXPECT_FALSE(doc.load_file(folder.file("missing.conf")));
  EXPECT_EQ(doc.get_document(), u"");
  EXPECT_FALSE(doc.find_element());
  EXPECT_NE(utf8(doc.result_log()).find("file_error"), std::string::npos);

  write_bytes(folder.file("empty.conf"), "");
  EXPECT_FALSE(doc.load_file(folder.file("empty.conf")));

  write_bytes(folder.file("bad.conf"), "<Tessary><GlobalOptions></Tessary>");
  EXPECT_FALSE(doc.load_file(folder.file("bad.conf")));
  EXPECT_EQ(doc.get_document(), u"<Tessary><GlobalOptions></Tessary>");  // kept for inspection
  EXPECT_TRUE(doc.find_element(u"Tessary"));

  uint32_t flags = 0;
  std::u16string log;
  EXPECT_FALSE(xml_document::write_file(u"<a/>", log, folder.file("no/such/folder/x.conf"), flags));
  EXPECT_NE(utf8(log).find("file_error"), std::string::npos);
}

TEST(xml_encoding_names, telling_rows) {
  struct row {
    const char16_t* name;
    uint32_t code_page;
  };
  for (row r : {row{u"utf-8", 65001},
                row{u"UTF8", 65001},
                row{u"utf-16", 1200},
                row{u"Unicode", 1200},
                row{u"ucs-2", 1200},
                row{u"utf-16BE", 1201},
                row{u"unicodeFFFE", 1201},
                row{u"utf-32", 12000},
                row{u"UTF-32", 12000},
                row{u"utf-32be", 12001},
                row{u"utf-7", 65000},
                row{u"us-ascii", 20127},
                row{u"ASCII", 20127},
                row{u"iso-8859-1", 28591},
                row{u"latin1", 28591},
                row{u"iso-8859-15", 28605},
                row{u"windows-1252", 1252},
                row{u"cp1252", 1252},
                row{u"windows-1251", 1251},
                row{u"koi8-r", 20866},
                row{u"shift_jis", 932},
                row{u"SJIS", 932},
                row{u"windows-31j", 932},
                row{u"euc-jp", 20932},
                row{u"iso-2022-jp", 50220},
                row{u"gb2312", 936},
                row{u"GBK", 936},
                row{u"cp936", 936},
                row{u"gb18030", 54936},
                row{u"big5", 950},
                row{u"ks_c_5601-1987", 949},
                row{u"euc-kr", 51949},
                row{u"ibm437", 437},
                row{u"cp437", 437},
                row{u"macintosh", 10000},
                row{u"", xml_code_page_ansi},
                row{u"no-such", xml_code_page_ansi},
                row{u"utf-8 ", xml_code_page_ansi},
                row{u"\u00fctf-8", xml_code_page_ansi}}) {
    EXPECT_EQ(xml_code_page(r.name), r.code_page) << utf8(r.name);
  }
  EXPECT_EQ(xml_code_page(std::u16string(99, u'a')), xml_code_page_ansi);
  EXPECT_EQ(xml_code_page(u"utf-8" + std::u16string(95, u' ')), xml_code_page_ansi);  // 100 long
}

}  // namespace
