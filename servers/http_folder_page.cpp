#include "servers/http_folder_page.h"

#include "config/thousands_text.h"
#include "config/time_text.h"
#include "version.h"

const char* const tessary_home_page = TESSARY_HOME_PAGE;

std::string html_escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string url_encoded(std::string_view path) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                       byte == '~' || byte == '/';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += digits[byte >> 4];
      out += digits[byte & 15];
    }
  }
  return out;
}

std::string build_directory_page(std::string_view title, std::string_view request_path,
                                 const std::vector<quarro::entry>& entries) {
  static constexpr std::string_view cell = "<td style=\"padding-left:20px;padding-right:20px;\">";
  static constexpr std::string_view size_cell =
      "<td style=\"padding-left:20px;padding-right:20px;text-align:right;\">";
  std::string page;
  page.reserve(512 + entries.size() * 256);
  page += "<!DOCTYPE html>\n<html>\n<head>\n<title>";
  page += html_escaped(title);
  page += "</title>\n</head>\n<body>\n<h1>Tessary Http File Server</h1>\n<h3>Current Path: ";
  page += html_escaped(request_path);
  page += "</h3><hr />\n<table>\n";
  for (const quarro::entry& item : entries) {
    std::string target(request_path);
    target += item.name;
    if (item.folder) target += '/';
    page += "<tr>\n";
    page += cell;
    page += "<a href=\"";
    page += html_escaped(url_encoded(target));
    page += "\">";
    page += html_escaped(item.name);
    page += "</a></td>";
    page += cell;
    page += time_text(item.mtime);
    page += "</td>";
    page += size_cell;
    page += thousands_text(item.size > 0 ? static_cast<uint64_t>(item.size) : 0);
    page += "</td>";
    page += "</tr>\n";
  }
  page += "</table>\n<hr />\n<div style=\"text-align:center;\"><a href=\"";
  page += tessary_home_page;
  page += "\">Welcome to Tessary HomePage</a></div>\n</body>\n</html>\n";
  return page;
}
