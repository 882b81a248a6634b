#include "servers/storage/location.h"

#include <cstring>

namespace quarro {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `word` agrees with the start of `name`, ignoring case, over the word's own length.
bool agrees(std::string_view word, std::string_view name) {
  if (word.size() > name.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (lower(word[i]) != name[i]) return false;
  return true;
}

// Reads a decimal number the way "%u" does (blanks, an optional sign, digits; the value wraps
// modulo 2^32). False when no digit follows.
bool read_unsigned(std::string_view text, uint32_t& value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t first = i;
  uint64_t v = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + static_cast<unsigned>(text[i] - '0');
    if (v > 0xFFFFFFFFu) saturated = true;
  }
  if (i == first) return false;
  uint32_t result = saturated ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
  value = negative ? 0u - result : result;
  return true;
}

void read_query(std::string_view query, location& where) {
  while (true) {
    const size_t amp = query.find('&');
    const std::string_view piece = query.substr(0, amp);
    const size_t equals = piece.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view key = piece.substr(0, equals);
    const std::string_view value = piece.substr(equals + 1);
    if (agrees(key, "username"))
      where.username = value;
    else if (agrees(key, "password"))
      where.password = value;
    if (amp == std::string_view::npos) return;
    query.remove_prefix(amp + 1);
  }
}

}  // namespace

uint16_t default_port_of(quarro::scheme kind) {
  switch (kind) {
    case SCHEME_FTP: return 21;
    case SCHEME_TFTP: return 69;
    case SCHEME_SFTP: return 22;
    default: return 0;
  }
}

std::unique_ptr<location> parse_location(std::string_view text) {
  auto where = std::make_unique<location>();
  const size_t mark = text.find("://");
  if (mark == std::string_view::npos) {
    where->scheme = SCHEME_LOCAL;
    where->path = where->home = text;
    return where;
  }
  const std::string_view word = text.substr(0, mark);
  if (agrees(word, "file"))
    where->scheme = SCHEME_LOCAL;
  else if (agrees(word, "ftp"))
    where->scheme = SCHEME_FTP;
  else if (agrees(word, "tftp"))
    where->scheme = SCHEME_TFTP;
  else if (agrees(word, "sftp"))
    where->scheme = SCHEME_SFTP;
  else
    return nullptr;

  const std::string_view rest = text.substr(mark + 3);
  if (where->scheme == SCHEME_LOCAL) {
    where->path = where->home = rest;
    return where;
  }
  const size_t slash = rest.find('/');
  const std::string_view host_part = rest.substr(0, slash);
  const size_t colon = rest.find(':');
  if (colon != std::string_view::npos && (slash == std::string_view::npos || colon < slash)) {
    where->host = rest.substr(0, colon);
    uint32_t number = 0;
    if (read_unsigned(host_part.substr(colon + 1), number)) {
      where->default_port = 0;
      where->port = static_cast<uint16_t>(number);
    }
  } else {
    where->host = host_part;
  }
  if (slash == std::string_view::npos) return where;

  const std::string_view tail = rest.substr(slash);
  const size_t question = tail.find('?');
  if (question == std::string_view::npos) {
    where->path = tail;
    return where;
  }
  where->path = tail.substr(0, question);
  read_query(tail.substr(question + 1), *where);
  return where;
}

}  // namespace quarro
