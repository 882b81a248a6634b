// The FTP back end: listing lines as a table; the reply reader, the log-in and the data
// connection against a scripted server, also one behind a slow relay; and size, read and list
// against real servers: vsftpd (anonymous and a user) and pyftpdlib, which names another host
// in its PASV reply and refuses SIZE in ASCII mode.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "config/httpd_param.h"
#include "servers/httpd.h"
#include "servers/storage/ftp.h"
#include "servers/storage/handle.h"
#include "servers/storage/waits.h"
#include "tests/servers/child_process.h"
#include "tests/servers/fake_ftp.h"
#include "tests/servers/loopback.h"
#include "tests/servers/tftp_fixture.h"
#include "tests/support/freezing_proxy.h"
#include "tests/support/peer_env.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace server_test;
using test_support::patterned_bytes;
using test_support::write_file;

int64_t local_time(int year, int month, int day, int hour, int minute) {
  std::tm when{};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_isdst = 0;
  return std::mktime(&when);
}

TEST(ftp_listing_line, dos_and_unix_forms) {
  const struct {
    const char* line;
    bool parses;
    const char* name;
    bool folder;
    int64_t size;
    int64_t mtime;
  } cases[] = {
      {"01-31-21  01:05PM       <DIR>          docs", true, "docs", true, 0, local_time(2021, 1, 31, 13, 5)},
      {"12-01-20  12:10PM  1234 a.txt", true, "a.txt", false, 1234, local_time(2020, 12, 1, 12, 10)},
      {"12-01-20  12:10AM  1234 a.txt", true, "a.txt", false, 1234, local_time(2020, 12, 1, 0, 10)},
      {"12-01-20  11:59PM       6442450944 big.iso", true, "big.iso", false, 6442450944, local_time(2020, 12, 1, 23, 59)},
      {"12-01-20  12:10PM  1234 my file.txt", true, "my file.txt", false, 1234, local_time(2020, 12, 1, 12, 10)},
      {"12-01-20  12:10PM  abc x", false, "", false, 0, 0},
      {"12-01-20 garbage here", false, "", false, 0, 0},
      {"12-01-20  12:10PM       <DIR>", false, "", false, 0, 0},
      {"-rw-r--r-- 1 ftp ftp 1234 Jan 01 10:00 a.txt", true, "a.txt", false, 1234, 0},
      {"drwxr-xr-x 2 ftp ftp 4096 Jan 01 10:00 pub", true, "pub", true, 4096, 0},
      {"-rw-r--r--   1 ftp   ftp   6442450944 Jan 01 10:00 big.iso", true, "big.iso", false, 6442450944, 0},
      {"-rw-r--r-- 1 ftp ftp 1234 Jan 01 10:00 my file.txt", true, "my file.txt", false, 1234, 0},
      {"lrwxrwxrwx 1 ftp ftp 5 Jan 01 10:00 my link -> a.txt", true, "my link", false, 5, 0},
      {"total 12", false, "", false, 0, 0},
      {"", false, "", false, 0, 0},
      // Sizes as large as a file can have, and beyond; dates out of their ranges.
      {"-rw-r--r-- 1 ftp ftp 9223372036854775807 Jan 01 10:00 x", true, "x", false, INT64_MAX, 0},
      {"-rw-r--r-- 1 ftp ftp 9223372036854775808 Jan 01 10:00 x", false, "", false, 0, 0},
      {"-rw-r--r-- 1 ftp ftp 18446744073709551616 Jan 01 10:00 x", false, "", false, 0, 0},
      {"-rw-r--r-- 1 ftp ftp 999999999999999999999999 Jan 01 10:00 x", false, "", false, 0, 0},
      {"12-01-20  12:10PM  9223372036854775807 x", true, "x", false, INT64_MAX, local_time(2020, 12, 1, 12, 10)},
      {"12-01-20  12:10PM  9223372036854775808 x", false, "", false, 0, 0},
      {"12-01-20  12:10PM  18446744073709551617 x", false, "", false, 0, 0},
      {"01-01-2147483647 01:01AM 5 x", false, "", false, 0, 0},
      {"01-01-21 2147483647:01AM 5 x", false, "", false, 0, 0},
      {"4294967297-01-21 01:01AM 5 x", false, "", false, 0, 0},
      {"13-01-20  12:10PM  5 x", false, "", false, 0, 0},
      {"12-32-20  12:10PM  5 x", false, "", false, 0, 0},
      {"12-01-20  24:10PM  5 x", false, "", false, 0, 0},
      {"12-01-20  12:60PM  5 x", false, "", false, 0, 0},
      {"01-31-2021  01:05PM       <DIR>          docs", true, "docs", true, 0, local_time(2021, 1, 31, 13, 5)},
  };
  for (const auto& c : cases) {
    quarro::entry entry;
    ASSERT_EQ(quarro::ftp::parse_listing_line(c.line, entry), c.parses) << c.line;
    if (!c.parses) continue;
    EXPECT_EQ(entry.name, c.name) << c.line;
    EXPECT_EQ(entry.folder, c.folder) << c.line;
    EXPECT_EQ(entry.size, c.size) << c.line;
    EXPECT_EQ(entry.mtime, c.mtime) << c.line;
  }
}

quarro::location ftp_location(uint16_t port, const std::string& path, const std::string& user = {},
                              const std::string& password = {}) {
  quarro::location where;
  where.scheme = quarro::SCHEME_FTP;
  where.host = "127.0.0.1";
  where.default_port = 0;
  where.port = port;
  where.path = path;
  where.username = user;
  where.password = password;
  return where;
}

TEST(ftp_scripted, size_changes_folder_and_sets_binary_mode_first_and_the_transfer_follows) {
  fake_ftp peer;
  quarro::handle handle;
  const auto where = ftp_location(peer.port(), "/pub/a.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), 10);
  EXPECT_EQ(read_whole_file(handle), "0123456789");
  // The transfer goes over the session the size step logged in to.
  const std::vector<std::string> expected = {"USER anonymous", "PASS plumvane", "CWD /pub", "TYPE I",
                                             "SIZE /pub/a.bin", "TYPE I", "PASV", "RETR /pub/a.bin"};
  EXPECT_EQ(peer.commands(), expected);
}

TEST(ftp_scripted, a_multi_line_greeting_is_one_reply) {
  fake_ftp peer;
  peer.greeting = "220-Welcome\r\n220-to the\r\n220 server\r\n";
  quarro::handle handle;
  const auto where = ftp_location(peer.port(), "/a.bin", "bob", "secret");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), 10);
  const auto commands = peer.commands();
  ASSERT_GE(commands.size(), 2u);
  EXPECT_EQ(commands[0], "USER bob");
  EXPECT_EQ(commands[1], "PASS secret");
  EXPECT_EQ(commands[2], "CWD /");
}

// A user who is not chrooted logs in to a home folder of its own, and the served folder lies
// elsewhere: the size, the file and the folder page are all found by absolute paths. The
// listing's lines whose size or date cannot be true are left out.
TEST(ftp_scripted, a_home_outside_the_login_folder_serves_its_files) {
  fake_ftp peer;
  peer.login_folder = "/home/carol";
  peer.file_path = "/srv/share/b.bin";
  peer.listing =
      "-rw-r--r-- 1 ftp ftp 10 Jan 01 10:00 b.bin\r\n"
      "-rw-r--r-- 1 ftp ftp 9223372036854775808 Jan 01 10:00 huge.bin\r\n"
      "01-01-2147483647 01:01AM 5 dated.bin\r\n";
  quarro::handle handle;
  const auto where = ftp_location(peer.port(), "/srv/share", "carol", "pw");
  ASSERT_TRUE(handle.create_backend(&where));
  std::vector<quarro::entry> entries;
  ASSERT_TRUE(handle.backend->list(entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "b.bin");

  httpd server;
  httpd_param settings;
  const uint16_t http_port = start_loopback_httpd(
      server, "ftp://127.0.0.1:" + std::to_string(peer.port()) + "/srv/share?username=carol&password=pw", settings);
  ASSERT_NE(http_port, 0);
  std::string body;
  EXPECT_EQ(curl_fetch(http_port, "/b.bin", &body), "200");
  EXPECT_EQ(body, "0123456789");
  EXPECT_EQ(curl_fetch(http_port, "/", &body), "200");
  EXPECT_NE(body.find("<a href=\"/b.bin\">b.bin</a>"), std::string::npos);
  EXPECT_EQ(body.find("huge.bin"), std::string::npos);
  EXPECT_EQ(body.find("dated.bin"), std::string::npos);
  EXPECT_EQ(curl_fetch(http_port, "/missing.bin"), "404");
}

TEST(ftp_scripted, size_replies_are_read_as_sizes_a_file_can_have) {
  const struct {
    const char* reply;
    int64_t size;
  } cases[] = {
      {"213 12\r\n", 12},
      {"213 9223372036854775807\r\n", INT64_MAX},
      {"213 9223372036854775808\r\n", -1},
      {"213 18446744073709551616\r\n", -1},
      {"213 99999999999999999999999999\r\n", -1},
      {"213 -5\r\n", -1},
      {"213\r\n", -1},
  };
  for (const auto& c : cases) {
    fake_ftp peer;
    peer.size_reply = c.reply;
    quarro::handle handle;
    const auto where = ftp_location(peer.port(), "/a.bin");
    ASSERT_TRUE(handle.create_backend(&where));
    EXPECT_EQ(handle.backend->size(), c.size) << c.reply;
    if (c.size < 0) {
      EXPECT_EQ(handle.last_error, quarro::FTP_SIZE_FAILED) << c.reply;
    }
  }
}

// A password check that takes longer than a second, as on a busy server, still logs in.
TEST(ftp_scripted, a_slow_password_check_logs_in) {
  fake_ftp peer;
  peer.password_delay_ms = 2000;
  quarro::handle handle;
  const auto where = ftp_location(peer.port(), "/a.bin", "bob", "secret");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), 10);
}

// A greeting that comes later than any reply may fails the log-in, within the bound.
TEST(ftp_scripted, a_greeting_past_the_reply_bound_fails_the_log_in) {
  fake_ftp peer;
  peer.greeting_delay_ms = quarro::transfer_timeout_ms + 1000;
  quarro::handle handle;
  const auto where = ftp_location(peer.port(), "/a.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(handle.backend->size(), -1);
  EXPECT_EQ(handle.last_error, quarro::FTP_LOGIN_FAILED);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(quarro::transfer_timeout_ms + 1000));
}

// A scripted server 150 ms away each way, as across a slow network: every reply takes longer
// than a tenth of a second, yet files and folder pages are served, each with one log-in. A
// server that lets the user in on USER is sent no password; one that refuses serves nothing.
TEST(ftp_scripted, a_distant_server_serves_files_and_pages_with_one_log_in_each) {
  const struct {
    const char* name;
    const char* user_reply;
    const char* code;  // of every request
    long passwords;    // PASS commands per log-in
  } cases[] = {
      {"asks for a password", "331 password please\r\n", "200", 1},
      {"lets in on USER", "230 no password needed\r\n", "200", 0},
      {"refuses", "530 not you\r\n", "404", 0},
  };
  for (const auto& c : cases) {
    fake_ftp peer;
    peer.user_reply = c.user_reply;
    test_support::freezing_proxy relay("127.0.0.1", peer.port(), std::chrono::milliseconds(150));
    ASSERT_TRUE(relay.valid());
    httpd server;
    httpd_param settings;
    const uint16_t http_port =
        start_loopback_httpd(server, "ftp://127.0.0.1:" + std::to_string(relay.port()) + "/pub", settings);
    ASSERT_NE(http_port, 0);
    std::string body;
    for (int file = 0; file < 2; ++file) {
      EXPECT_EQ(curl_fetch(http_port, "/a.bin", &body), c.code) << c.name;
      if (*c.code == '2') {
        EXPECT_EQ(body, peer.file_contents) << c.name;
      }
    }
    EXPECT_EQ(curl_fetch(http_port, "/", &body), c.code) << c.name;
    if (*c.code == '2') {
      EXPECT_NE(body.find("<a href=\"/a.bin\">a.bin</a>"), std::string::npos) << c.name;
    }
    server.stop();
    const auto commands = peer.commands();
    const auto count = [&](const std::string& word) {
      return std::count_if(commands.begin(), commands.end(),
                           [&](const std::string& line) { return line.starts_with(word + " "); });
    };
    // Two files and a page.
    EXPECT_EQ(count("USER"), 3) << c.name;
    EXPECT_EQ(count("PASS"), 3 * c.passwords) << c.name;
  }
}

TEST(ftp_scripted, an_endless_reply_line_is_refused) {
  fake_ftp peer;
  peer.greeting = "220 " + std::string(100000, 'x');
  quarro::handle handle;
  const auto where = ftp_location(peer.port(), "/a.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  auto& client = static_cast<quarro::ftp&>(*handle.backend);
  EXPECT_EQ(client.size(), -1);
  EXPECT_EQ(handle.last_error, quarro::FTP_LOGIN_FAILED);
  EXPECT_LE(client.reply_buffer.size(), quarro::ftp::reply_line_limit + 512);
}

TEST(ftp_scripted, the_data_connection_goes_to_the_control_peer) {
  fake_ftp peer;
  // A PASV reply that names a third host: only its port is used.
  peer.pasv_host = "10,255,255,1";
  quarro::handle handle;
  const auto where = ftp_location(peer.port(), "/a.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(read_whole_file(handle), "0123456789");
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
}

TEST(ftp_scripted, a_silent_data_connection_fails_within_the_bound) {
  fake_ftp peer;
  peer.stall_data = true;
  quarro::handle handle;
  const auto where = ftp_location(peer.port(), "/a.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  ASSERT_TRUE(handle.open(false));
  char block[64];
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(handle.read(block, sizeof block), -1);
  EXPECT_EQ(handle.last_error, quarro::FTP_DATA_FAILED);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(quarro::transfer_timeout_ms + 1000));
}

TEST(ftp_scripted, a_closed_port_fails_the_connect) {
  quarro::handle handle;
  const auto where = ftp_location(free_tcp_port(), "/a.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  std::vector<quarro::entry> entries;
  EXPECT_FALSE(handle.backend->list(entries));
  EXPECT_EQ(handle.last_error, quarro::FTP_LOGIN_FAILED);
}

void make_folder(const std::string& path) {
  ::mkdir(path.c_str(), 0755);
  ::chmod(path.c_str(), 0755);
}

// Starts vsftpd on a free loopback port of `peer`, with `options` added to its configuration:
// anonymous log-ins see anon/ (with pub/a.bin holding `anon_file`), the test user sees user/
// (both as their root). False when it did not start.
bool run_vsftpd(suite_peer& peer, const std::string& anon_file, const std::string& options = {}) {
  const std::string root = peer.folder.path();
  ::chmod(root.c_str(), 0755);
  for (const char* name : {"/anon", "/anon/pub", "/user", "/user/files", "/empty"}) make_folder(root + name);
  ::chmod((root + "/empty").c_str(), 0555);
  write_file(root + "/anon/pub/a.bin", anon_file);
  write_file(root + "/user/files/b.txt", "for the user");
  peer.port = free_tcp_port();
  std::ofstream(root + "/vsftpd.conf")
      << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << peer.port
      << "\nbackground=NO\nanonymous_enable=YES\nanon_root=" << root
      << "/anon\nlocal_enable=YES\nlocal_root=" << root
      << "/user\nchroot_local_user=YES\nallow_writeable_chroot=YES\nwrite_enable=NO\n"
         "pam_service_name=vsftpd\nsecure_chroot_dir="
      << root
      << "/empty\nisolate=NO\nisolate_network=NO\nseccomp_sandbox=NO\nuserlist_enable=NO\n"
         "xferlog_enable=NO\nmax_per_ip=0\n"
      << options;
  return peer.run({"/usr/sbin/vsftpd", root + "/vsftpd.conf"}, true);
}

bool can_run_vsftpd() { return ::getuid() == 0 && ::access("/usr/sbin/vsftpd", X_OK) == 0; }

class vsftpd_peer : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!can_run_vsftpd()) return;
    peer = std::make_unique<suite_peer>();
    anon_file = patterned_bytes(100000);
    if (!run_vsftpd(*peer, anon_file)) peer.reset();
  }
  static void TearDownTestSuite() { peer.reset(); }
  void SetUp() override {
    REQUIRE_PEER(peer, "vsftpd (needs root and the vsftpd package)");
    port = peer->port;
  }

  static inline std::unique_ptr<suite_peer> peer;
  static inline std::string anon_file;
  uint16_t port = 0;
};

TEST_F(vsftpd_peer, anonymous_size_read_and_list) {
  quarro::handle handle;
  auto where = ftp_location(port, "/pub/a.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), static_cast<int64_t>(anon_file.size()));
  EXPECT_TRUE(read_whole_file(handle) == anon_file);

  where.path = "/pub";
  ASSERT_TRUE(handle.create_backend(&where));
  std::vector<quarro::entry> entries;
  ASSERT_TRUE(handle.backend->list(entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "a.bin");
  EXPECT_EQ(entries[0].size, static_cast<int64_t>(anon_file.size()));
  EXPECT_FALSE(entries[0].line.empty());

  where.path = "/";
  ASSERT_TRUE(handle.create_backend(&where));
  ASSERT_TRUE(handle.backend->list(entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "pub");
  EXPECT_TRUE(entries[0].folder);
}

TEST_F(vsftpd_peer, a_user_logs_in_with_the_query_password) {
  const std::string user = test_support::env("TESSARY_SSH_USER");
  REQUIRE_PEER(!user.empty(), "the test user of tests/peers/start");
  ASSERT_TEST_USER_REACHES(peer->folder.file("user/files/b.txt"));
  quarro::handle handle;
  auto where = ftp_location(port, "/files/b.txt", user, test_support::env("TESSARY_SSH_PASSWORD"));
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), 12);
  EXPECT_EQ(read_whole_file(handle), "for the user");

  where.password = "wrong";
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), -1);
  EXPECT_EQ(handle.last_error, quarro::FTP_LOGIN_FAILED);
}

TEST_F(vsftpd_peer, missing_files_and_folders_fail) {
  quarro::handle handle;
  auto where = ftp_location(port, "/pub/missing.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), -1);
  EXPECT_EQ(handle.last_error, quarro::FTP_SIZE_FAILED);
  EXPECT_FALSE(handle.open(false));
  EXPECT_EQ(handle.last_error, quarro::FTP_TRANSFER_START_FAILED);

  where.path = "/nowhere/a.bin";
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), -1);
  EXPECT_EQ(handle.last_error, quarro::FTP_CWD_FAILED);
}

// The HTTP server with the FTP server at `ftp_port` as its home serves pub/a.bin (holding
// `contents`), the folder page, and 404 for what is not there.
void expect_served_over_http(uint16_t ftp_port, const std::string& contents) {
  httpd server;
  httpd_param settings;
  const uint16_t http_port =
      start_loopback_httpd(server, "ftp://127.0.0.1:" + std::to_string(ftp_port) + "/pub", settings);
  ASSERT_NE(http_port, 0);
  std::string body;
  EXPECT_EQ(curl_fetch(http_port, "/a.bin", &body), "200");
  EXPECT_TRUE(body == contents);
  EXPECT_EQ(curl_fetch(http_port, "/", &body), "200");
  EXPECT_NE(body.find("<a href=\"/a.bin\">a.bin</a>"), std::string::npos);
  EXPECT_EQ(curl_fetch(http_port, "/missing.bin"), "404");
  EXPECT_EQ(curl_fetch(http_port, "/../pub/a.bin"), "404");
}

TEST_F(vsftpd_peer, the_http_server_serves_an_ftp_home) { expect_served_over_http(port, anon_file); }

// vsftpd with no_anon_password answers 230 to "USER anonymous": the file and the folder page are
// served without a password sent.
TEST(vsftpd_without_anonymous_password, serves_without_a_password) {
  REQUIRE_PEER(can_run_vsftpd(), "vsftpd (needs root and the vsftpd package)");
  suite_peer peer;
  const std::string contents = patterned_bytes(5000);
  ASSERT_TRUE(run_vsftpd(peer, contents, "no_anon_password=YES\n"));
  expect_served_over_http(peer.port, contents);
}

// pyftpdlib serves the folder to one user; its PASV reply names 10.255.255.1 (as a server
// behind NAT does), and it refuses SIZE while the transfer type is ASCII.
class pyftpdlib_peer : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (command_output("/usr/bin/python3 -c 'import pyftpdlib' 2>/dev/null && echo yes") != "yes\n") return;
    peer = std::make_unique<suite_peer>();
    const std::string root = peer->folder.path();
    make_folder(root + "/served");
    make_folder(root + "/served/docs");
    file = patterned_bytes(70000);
    write_file(root + "/served/docs/c.bin", file);
    peer->port = free_tcp_port();
    if (!peer->run({"/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", std::to_string(peer->port), "-d",
                    root + "/served", "-u", "carol", "-P", "pw", "-n", "10.255.255.1"},
                   true))
      peer.reset();
  }
  static void TearDownTestSuite() { peer.reset(); }
  void SetUp() override {
    REQUIRE_PEER(peer, "pyftpdlib (python3-pyftpdlib)");
    port = peer->port;
  }

  static inline std::unique_ptr<suite_peer> peer;
  static inline std::string file;
  uint16_t port = 0;
};

TEST_F(pyftpdlib_peer, size_read_and_list_through_the_control_peer) {
  quarro::handle handle;
  auto where = ftp_location(port, "/docs/c.bin", "carol", "pw");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), static_cast<int64_t>(file.size()));
  EXPECT_TRUE(read_whole_file(handle) == file);

  where.path = "/docs";
  ASSERT_TRUE(handle.create_backend(&where));
  std::vector<quarro::entry> entries;
  ASSERT_TRUE(handle.backend->list(entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "c.bin");
  EXPECT_EQ(entries[0].size, static_cast<int64_t>(file.size()));
}

TEST_F(pyftpdlib_peer, anonymous_is_refused_when_the_server_has_none) {
  quarro::handle handle;
  auto where = ftp_location(port, "/docs/c.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), -1);
  EXPECT_EQ(handle.last_error, quarro::FTP_LOGIN_FAILED);
}

}  // namespace
