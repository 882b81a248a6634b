#include "connections/file_entry.h"

#include "platform/parse_number.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// The next token at or after `at`, which moves past it; empty at the end.
std::string_view next_token(std::string_view text, size_t& at) {
  while (at < text.size() && is_blank(text[at])) ++at;
  size_t start = at;
  while (at < text.size() && !is_blank(text[at])) ++at;
  return text.substr(start, at - start);
}

}  // namespace

void read_long_entry(std::string_view long_entry, file_entry& entry) {
  size_t at = 0;
  std::string_view token = next_token(long_entry, at);
  if (token.empty()) return;
  entry.mode = token;
  token = next_token(long_entry, at);
  if (token.empty()) return;
  entry.links = static_cast<int32_t>(platform::parse_u32(token));
  token = next_token(long_entry, at);
  if (token.empty()) return;
  entry.owner = token;
  token = next_token(long_entry, at);
  if (!token.empty()) entry.group = token;
}
