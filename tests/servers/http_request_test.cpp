// The request line, the target's decoding and confinement to the served folder, and the folder
// page's escaping, as tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "servers/http_folder_page.h"
#include "servers/http_request.h"

namespace {

TEST(parse_request_line, reads_the_method_and_the_target) {
  const struct {
    const char* head;
    bool ok;
    http_method method;
    const char* target;
  } cases[] = {
      {"GET / HTTP/1.1", true, HTTP_GET, "/"},
      {"GET /a%20b.txt HTTP/1.1\r\nHost: x", true, HTTP_GET, "/a%20b.txt"},
      {"POST /x HTTP/1.0", true, HTTP_POST, "/x"},
      {"PUT /x HTTP/1.1", true, HTTP_PUT, "/x"},
      {"PATCH /x HTTP/1.1", true, HTTP_PATCH, "/x"},
      {"DELETE /x HTTP/1.1", true, HTTP_DELETE, "/x"},
      {"HEAD /x HTTP/1.1", true, HTTP_HEAD, "/x"},
      {"OPTIONS * HTTP/1.1", true, HTTP_OPTIONS, "*"},
      {"GET a.txt HTTP/1.1", true, HTTP_GET, "a.txt"},
      // Exactly three words parted by single blanks: an empty word is no target or version.
      {"GET  HTTP/1.1", false, HTTP_NONE, ""},
      {"GET  /x HTTP/1.1", false, HTTP_NONE, ""},
      {"GET /x  HTTP/1.1", false, HTTP_NONE, ""},
      {"GET /x HTTP/1.1 ", false, HTTP_NONE, ""},
      {"GET /x ", false, HTTP_NONE, ""},
      {"GET /x HTTP/1.1 more", false, HTTP_NONE, ""},
      {"GET /x HTTP/1.1\r\nHost: a b", true, HTTP_GET, "/x"},
      {"get / HTTP/1.1", false, HTTP_NONE, ""},
      {"GET /", false, HTTP_NONE, ""},
      // The target ends with its line: a header's blank cannot stretch it.
      {"GET /\r\nHost: x", false, HTTP_NONE, ""},
      {"GETX / HTTP/1.1", false, HTTP_NONE, ""},
      {"BREW / HTTP/1.1", false, HTTP_NONE, ""},
      {"", false, HTTP_NONE, ""},
  };
  for (const auto& c : cases) {
    http_method method = HTTP_NONE;
    std::string target;
    EXPECT_EQ(parse_request_line(c.head, method, target), c.ok) << c.head;
    if (!c.ok) continue;
    EXPECT_EQ(method, c.method) << c.head;
    EXPECT_EQ(target, c.target) << c.head;
  }
}

TEST(decode_request_path, decodes_and_resolves_inside_the_folder) {
  const struct {
    const char* target;
    const char* path;
    bool bad_escape;
  } cases[] = {
      {"/", "/", false},
      {"", "/", false},
      {"a.txt", "/a.txt", false},
      {"/a%20b.txt", "/a b.txt", false},
      {"/a+b", "/a+b", false},
      {"/%E4%B8%AD.txt", "/\xE4\xB8\xAD.txt", false},
      {"/a%zz", "/a%zz", true},
      {"/a%4", "/a%4", true},
      {"/a%", "/a%", true},
      {"/%4g", "/%4g", true},
      {"/dir/?x=1", "/dir/?x=1", false},
      {"/sub/", "/sub/", false},
      {"//sub//x", "/sub/x", false},
      {"/sub/./x", "/sub/x", false},
      {"/sub/.", "/sub/", false},
      {"/sub/../x", "/x", false},
      {"/sub/..", "/", false},
      {"/a/b/../../c/", "/c/", false},
      {"/sub%2f..%2fx", "/x", false},
      {"/sub\\..\\x", "/x", false},
      {"/..a/b..", "/..a/b..", false},
      {"/...", "/...", false},
  };
  for (const auto& c : cases) {
    const request_path result = decode_request_path(c.target);
    EXPECT_FALSE(result.refused) << c.target;
    EXPECT_EQ(result.path, c.path) << c.target;
    EXPECT_EQ(result.bad_escape, c.bad_escape) << c.target;
  }
}

TEST(decode_request_path, refuses_what_leaves_the_folder_or_holds_controls) {
  const char* const cases[] = {
      "/..",          "/../etc/passwd", "..",         "/%2e%2e/etc/passwd", "/%2E%2E",  "/..%2fetc",
      "/sub/../..",   "/a/%2e%2e/..",   "/..\\etc",   "\\..\\x",            "/%00",     "/a%00.txt",
      "/a%0d%0aX: y", "/a%09b",         "/a%7fb",     "/a%1b[31m",          "/a\x01" "b",
  };
  for (const char* target : cases) EXPECT_TRUE(decode_request_path(target).refused) << target;
}

TEST(folder_page, escapes_names_and_encodes_links) {
  std::vector<quarro::entry> entries(3);
  entries[0].name = "..";
  entries[0].folder = true;
  entries[1].name = "<img src=x onerror=alert(1)>&\"'.txt";
  entries[1].size = 1234567;
  entries[2].name = "a b?#%.bin";
  const std::string page = build_directory_page("<Home & \"Co\">", "/s p/", entries);

  EXPECT_NE(page.find("<title>&lt;Home &amp; &quot;Co&quot;&gt;</title>"), std::string::npos);
  EXPECT_NE(page.find("<h3>Current Path: /s p/</h3>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"/s%20p/../\">..</a>"), std::string::npos);
  EXPECT_NE(page.find("&lt;img src=x onerror=alert(1)&gt;&amp;&quot;&#39;.txt</a>"), std::string::npos);
  EXPECT_NE(page.find("href=\"/s%20p/%3Cimg%20src%3Dx%20onerror%3Dalert%281%29%3E%26%22%27.txt\""),
            std::string::npos);
  EXPECT_NE(page.find("href=\"/s%20p/a%20b%3F%23%25.bin\""), std::string::npos);
  EXPECT_NE(page.find(">1,234,567</td>"), std::string::npos);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n<html>\n<head>\n<title>"));
  EXPECT_TRUE(page.ends_with("\">Welcome to Tessary HomePage</a></div>\n</body>\n</html>\n"));
}

TEST(folder_page, an_empty_size_cell_for_zero_and_a_row_per_entry) {
  std::vector<quarro::entry> entries(2);
  entries[0].name = "a";
  entries[1].name = "b";
  entries[1].folder = true;
  const std::string page = build_directory_page("t", "/", entries);
  EXPECT_NE(page.find("<a href=\"/a\">a</a>"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"/b/\">b</a>"), std::string::npos);
  EXPECT_NE(page.find("text-align:right;\"></td>"), std::string::npos);
  size_t rows = 0;
  for (size_t at = page.find("<tr>"); at != std::string::npos; at = page.find("<tr>", at + 1)) ++rows;
  EXPECT_EQ(rows, 2u);
}

}  // namespace
