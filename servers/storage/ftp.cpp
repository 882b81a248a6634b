#include "servers/storage/ftp.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "config/paths.h"
#include "platform/clock.h"
#include "servers/storage/waits.h"

namespace quarro {

namespace {

constexpr const char* command_words[] = {"USER", "PASS", "PASV", "LIST", "RETR",
                                         "STOR", "CWD",  "PWD",  "TYPE", "SIZE"};
// Every reply waits as long as a transfer's next piece: a server across a slow network answers
// in hundreds of milliseconds, and one that checks a password with a hash slow on purpose (slower
// still on a busy machine) takes seconds.
constexpr int reply_ms = transfer_timeout_ms;
// The largest size a file can have: a listing or SIZE reply that names more is not believed.
constexpr uint64_t largest_size = static_cast<uint64_t>(INT64_MAX);

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the decimal number at the start of `text`, after blanks and tabs; false when no digit
// follows or the number is larger than `largest`.
bool leading_number(std::string_view text, uint64_t largest, uint64_t& value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const size_t first = i;
  uint64_t v = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (v > (largest - digit) / 10) return false;
    v = v * 10 + digit;
  }
  if (i == first) return false;
  value = v;
  return true;
}

// Reads a number of at most `most_digits` digits at `at`, after blanks, and moves `at` past it;
// false when there is none, when more digits follow, or when it lies outside `low` to `high`.
bool date_field(std::string_view line, size_t& at, size_t most_digits, int low, int high, int& value) {
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  int v = 0;
  size_t digits = 0;
  for (; at < line.size() && is_digit(line[at]); ++at) {
    if (++digits > most_digits) return false;
    v = v * 10 + (line[at] - '0');
  }
  if (digits == 0 || v < low || v > high) return false;
  value = v;
  return true;
}

bool mark(std::string_view line, size_t& at, char c) {
  if (at >= line.size() || line[at] != c) return false;
  ++at;
  return true;
}

bool parse_dos_line(std::string_view line, entry& out) {
  int month = 0, day = 0, year = 0, hour = 0, minute = 0;
  size_t at = 0;
  if (!date_field(line, at, 2, 1, 12, month) || !mark(line, at, '-') || !date_field(line, at, 2, 1, 31, day) ||
      !mark(line, at, '-') || !date_field(line, at, 4, 0, 9999, year) || !date_field(line, at, 2, 0, 23, hour) ||
      !mark(line, at, ':') || !date_field(line, at, 2, 0, 59, minute))
    return false;
  // Two digits are a year of this century; four name the year itself.
  if (year < 100)
    year += 2000;
  else if (year < 1900)
    return false;
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
  const std::string_view half = line.substr(at, 2);
  if (half == "AM" || half == "PM") {
    if (half == "AM" && hour == 12) hour = 0;
    if (half == "PM" && hour >= 1 && hour <= 11) hour += 12;
    at += 2;
  }
  std::tm when{};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_isdst = 0;
  out.mtime = std::mktime(&when);
  const std::string_view rest = line.substr(at);
  if (rest.find("<DIR>") != std::string_view::npos) {
    out.folder = true;
    out.size = 0;
  } else {
    uint64_t size = 0;
    if (!leading_number(rest, largest_size, size)) return false;
    out.folder = false;
    out.size = static_cast<int64_t>(size);
  }
  // The name is everything after the "<DIR>" or size field, blanks included.
  size_t name = rest.find_first_not_of(" \t");
  name = rest.find_first_of(" \t", name == std::string_view::npos ? rest.size() : name);
  name = rest.find_first_not_of(" \t", name == std::string_view::npos ? rest.size() : name);
  if (name == std::string_view::npos) return false;
  out.name = rest.substr(name);
  return true;
}

bool parse_unix_line(std::string_view line, entry& out) {
  std::string_view fields[9];
  size_t count = 0;
  size_t i = 0;
  while (count < 9) {
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size()) break;
    const size_t start = i;
    // The ninth field, the name, runs to the end of the line: names may hold blanks.
    while (i < line.size() && (count == 8 || line[i] != ' ')) ++i;
    fields[count++] = line.substr(start, i - start);
  }
  if (count < 9) return false;
  out.folder = line.front() == 'd';
  out.mtime = 0;
  // A size field that is not a number counts as 0; a number too large for a file fails the line.
  uint64_t size = 0;
  if (is_digit(fields[4].front()) && !leading_number(fields[4], largest_size, size)) return false;
  out.size = static_cast<int64_t>(size);
  std::string_view name = fields[8];
  // A symbolic link is listed as "name -> target".
  if (line.front() == 'l') name = name.substr(0, name.find(" -> "));
  out.name = name;
  return true;
}

}  // namespace

ftp::ftp(const quarro::location& where, handle* owner) : base(where, owner) {}

ftp::~ftp() { close(); }

bool ftp::parse_listing_line(std::string_view line, entry& out) {
  if (line.empty()) return false;
  if (line.size() >= 10 && line[0] >= '0' && line[9] <= '9') return parse_dos_line(line, out);
  return parse_unix_line(line, out);
}

int ftp::read_reply(uint32_t& code, std::string* text, int timeout_ms) {
  const int64_t start = platform::real_clock().now_ms();
  for (;;) {
    const size_t end = reply_buffer.find("\r\n");
    if (end != std::string::npos) {
      if (end + 2 > reply_line_limit) return -1;
      const std::string line = reply_buffer.substr(0, end + 2);
      reply_buffer.erase(0, end + 2);
      uint64_t number = 0;
      if (!leading_number(line, UINT32_MAX, number)) return -1;
      code = static_cast<uint32_t>(number);
      if (line.size() > 3 && line[3] == '-') continue;
      if (text) *text = line;
      if (code >= 200 && code <= 399) ready = true;
      return 1;
    }
    // A server that sends an endless line is refused instead of growing the buffer.
    if (reply_buffer.size() >= reply_line_limit) return -1;
    const int64_t left = timeout_ms - (platform::real_clock().now_ms() - start);
    if (left <= 0) return 0;
    char piece[512];
    const int got = control.receive(piece, sizeof piece - 1, static_cast<int>(left));
    if (got <= 0) return got;
    reply_buffer.append(piece, strnlen(piece, static_cast<size_t>(got)));
  }
}

bool ftp::send_command(command_kind kind, const char* argument) {
  std::string line = command_words[kind];
  if (argument) {
    line += ' ';
    line += argument;
  }
  line += "\r\n";
  if (!ready) {
    uint32_t code = 0;
    if (read_reply(code, nullptr, reply_ms) != 1 || !ready) return false;
  }
  if (control.send(line.data(), line.size()) != static_cast<int>(line.size())) return false;
  ready = false;
  return true;
}

bool ftp::exchange(command_kind kind, const char* argument, uint32_t& code, std::string* text) {
  return send_command(kind, argument) && read_reply(code, text, reply_ms) == 1;
}

bool ftp::command_ok(command_kind kind, const char* argument) {
  uint32_t code = 0;
  return exchange(kind, argument, code) && code >= 200 && code <= 299;
}

bool ftp::command_started(command_kind kind, const char* argument) {
  uint32_t code = 0;
  return exchange(kind, argument, code) && code >= 100 && code <= 199;
}

bool ftp::connect() {
  close();
  reply_buffer.clear();
  const auto address = resolve_address(false, location.host.c_str(), location.port);
  if (!address || !connect_stream(control, *address, connect_timeout_ms)) {
    fail(FTP_LOGIN_FAILED);
    return false;
  }
  ready = false;
  const bool named = !location.username.empty();
  // 331 asks for the password; 230 says the user is in without one (a server that needs no
  // password for anonymous users).
  uint32_t code = 0;
  logged_in = exchange(USER, named ? location.username.c_str() : "anonymous", code) &&
              (code == 230 ||
               (code == 331 && exchange(PASS, named ? location.password.c_str() : anonymous_password, code) &&
                code == 230));
  if (!logged_in) {
    control.close();
    fail(FTP_LOGIN_FAILED);
    return false;
  }
  return true;
}

bool ftp::open_data() {
  if (!command_ok(TYPE, "I")) return false;
  if (!send_command(PASV, nullptr)) return false;
  uint32_t code = 0;
  std::string text;
  if (read_reply(code, &text, reply_ms) != 1 || code != 227) return false;
  const size_t paren = text.find('(');
  if (paren == std::string::npos) return false;
  unsigned h[6] = {};
  if (std::sscanf(text.c_str() + paren, "(%u,%u,%u,%u,%u,%u)", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]) != 6)
    return false;
  if (!control.remote_address) return false;
  // Only the port is taken from the reply: the data connection goes to the host we logged in
  // to, so a hostile server cannot make us connect to another machine.
  sockaddr_in address = *control.remote_address;
  address.sin_port = htons(static_cast<uint16_t>(((h[4] & 0xFF) << 8) | (h[5] & 0xFF)));
  return connect_stream(data, address, connect_timeout_ms);
}

bool ftp::open(bool write) {
  // The session that the size step logged in to carries the transfer: each file logs in once.
  const bool started = (logged_in || connect()) && open_data() &&
                       command_started(write ? STOR : RETR, location.path.c_str());
  if (!started) {
    fail(FTP_TRANSFER_START_FAILED);
    close();
    return false;
  }
  return true;
}

bool ftp::close() {
  data.close();
  control.close();
  logged_in = false;
  return true;
}

int ftp::read(char* buffer, int size) {
  if (data.state != net_socket::state_connected) return -1;
  const int waited = wait_readable(data.sock, transfer_timeout_ms);
  if (waited <= 0) {
    fail(FTP_DATA_FAILED);
    return -1;
  }
  const int got = data.receive(buffer, static_cast<size_t>(size), 0);
  if (got != 0) return got;
  // The server closed the data connection: the transfer's final reply says whether it all came.
  uint32_t code = 0;
  if (read_reply(code, nullptr, reply_ms) == 1 && code >= 200 && code <= 299) return 0;
  fail(FTP_DATA_FAILED);
  return -1;
}

int ftp::write(const char* bytes, int size) {
  const int sent = data.send(bytes, static_cast<size_t>(size));
  if (sent != size) fail(FTP_DATA_FAILED);
  return sent;
}

int64_t ftp::size() {
  if (!connect()) return -1;
  // A session whose size step failed is not trusted with the transfer: a late or refused reply
  // would answer the wrong command.
  const int64_t size = size_exchange();
  if (size < 0) close();
  return size;
}

int64_t ftp::size_exchange() {
  // Both commands name absolute paths, as RETR and LIST do: a user who is not chrooted logs in
  // to a home folder of its own, from which a relative path would lead elsewhere.
  std::string folder, file;
  split_path(location.path, &folder, &file);
  if (!command_ok(CWD, folder == "." ? "/" : folder.c_str())) {
    fail(FTP_CWD_FAILED);
    return -1;
  }
  // SIZE counts bytes as they will be sent: in binary mode, as the transfer itself runs.
  uint32_t code = 0;
  std::string text;
  if (!command_ok(TYPE, "I") ||
      !exchange(SIZE, file.empty() ? nullptr : location.path.c_str(), code, &text) || code != 213) {
    fail(FTP_SIZE_FAILED);
    return -1;
  }
  const size_t blank = text.find(' ');
  uint64_t size = 0;
  if (blank == std::string::npos ||
      !leading_number(std::string_view(text).substr(blank + 1), largest_size, size)) {
    fail(FTP_SIZE_FAILED);
    return -1;
  }
  return static_cast<int64_t>(size);
}

bool ftp::list(std::vector<entry>& entries) {
  if (!connect()) return false;
  entries.clear();
  const bool listed = listing(location.path, entries);
  close();
  return listed;
}

bool ftp::listing(const std::string& path, std::vector<entry>& entries) {
  if (!open_data() || !command_started(LIST, path.c_str())) return false;
  std::string text;
  char piece[1024];
  for (;;) {
    const int got = read(piece, sizeof piece - 1);
    if (got < 0) return false;
    if (got == 0) break;
    if (text.size() + static_cast<size_t>(got) > listing_limit) return false;
    text.append(piece, static_cast<size_t>(got));
  }
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string_view line(text.data() + start, end - start);
    entry item;
    if (parse_listing_line(line, item)) {
      item.line = line;
      entries.push_back(std::move(item));
    }
  }
  return true;
}

}  // namespace quarro
