#pragma once
// The page that lists a served folder: the title, the request path and one table row per entry
// (link, modification time, size). Every text from the folder, the request or the settings is
// HTML-escaped and every link target percent-encoded, so a file name cannot inject markup.
#include <string>
#include <string_view>
#include <vector>

#include "servers/storage/entry.h"

// The product's web site, behind the page's footer link.
extern const char* const tessary_home_page;

// The page as UTF-8. `request_path` is the decoded path of the folder, ending in '/'.
std::string build_directory_page(std::string_view title, std::string_view request_path,
                                 const std::vector<quarro::entry>& entries);

// '&', '<', '>', '"' and '\'' as character references.
std::string html_escaped(std::string_view text);
// Every byte other than letters, digits, "-._~" and '/' as %XX.
std::string url_encoded(std::string_view path);
