// The SFTP back end against the loopback sshd (tests/peers/start): size, read and a sorted
// listing, also of a folder as large as a listing takes; a missing file, a folder and a refused
// log-in; a server that never speaks, which must not hold the back end longer than its
// time-out; and (from a scripted SFTP server behind sshds of the test's own) names no file
// system holds, a second server with another host key, and one with only another type of key,
// that must get no password; a server with several keys that answers with the known one; and a
// new host's key that cannot be remembered, which must get no password either.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "config/httpd_param.h"
#include "connections/host_key_check.h"
#include "servers/httpd.h"
#include "servers/storage/handle.h"
#include "servers/storage/sftp.h"
#include "servers/storage/waits.h"
#include "tests/connections/private_sshd.h"
#include "tests/servers/loopback.h"
#include "tests/servers/tftp_fixture.h"
#include "tests/support/peer_env.h"
#include "tests/support/read_only_mount.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait_until.h"

namespace {

using test_support::env;

class sftp_peer : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PEER(!env("TESSARY_SSH_PORT").empty(), "the loopback sshd (tests/peers/start)");
    folder = env("TESSARY_SSH_HOME") + "/httpd-sftp-" + std::to_string(::getpid());
    std::filesystem::create_directories(folder + "/sub");
    for (const char* name : {"b", "a", "C"}) test_support::write_file(folder + "/" + name, name);
    contents = test_support::patterned_bytes(200000);
    test_support::write_file(folder + "/data.bin", contents);
    std::filesystem::permissions(folder, std::filesystem::perms(0755));
  }
  void TearDown() override {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
  quarro::location at(const std::string& path, const std::string& password = env("TESSARY_SSH_PASSWORD")) {
    quarro::location where;
    where.scheme = quarro::SCHEME_SFTP;
    where.host = env("TESSARY_SSH_HOST");
    where.default_port = 0;
    where.port = static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
    where.path = path;
    where.username = env("TESSARY_SSH_USER");
    where.password = password;
    return where;
  }

  std::string folder;
  std::string contents;
};

TEST_F(sftp_peer, size_and_read_a_file) {
  quarro::handle handle;
  const auto where = at(folder + "/data.bin");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), static_cast<int64_t>(contents.size()));
  EXPECT_TRUE(server_test::read_whole_file(handle) == contents);
}

TEST_F(sftp_peer, lists_sorted_by_bytes) {
  quarro::handle handle;
  const auto where = at(folder);
  ASSERT_TRUE(handle.create_backend(&where));
  std::vector<quarro::entry> entries;
  ASSERT_TRUE(handle.backend->list(entries));
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "C", "a", "b", "data.bin", "sub"}));
  EXPECT_TRUE(entries[6].folder);
  EXPECT_FALSE(entries[3].folder);
  EXPECT_EQ(entries[3].size, 1);
  EXPECT_GT(entries[3].mtime, 1600000000);
  EXPECT_TRUE(entries[3].line.starts_with("-rw"));
}

// As many entries as a listing takes ("." and ".." among them), made in descending order and
// sent in whatever order the server keeps: all come, sorted. (bench/sftp_listing times such a
// listing.)
TEST_F(sftp_peer, a_folder_as_large_as_a_listing_takes_comes_whole_and_sorted) {
  const std::string many = folder + "/many";
  ASSERT_EQ(::mkdir(many.c_str(), 0755), 0);
  const int count = static_cast<int>(quarro::sftp::listing_limit) - 2;
  std::vector<std::string> expected = {".", ".."};
  char name[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "n%06d", i);
    expected.push_back(name);
  }
  for (int i = count - 1; i >= 0; --i) {
    const int fd = ::open((many + "/" + expected[static_cast<size_t>(i) + 2]).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  quarro::handle handle;
  const auto where = at(many);
  ASSERT_TRUE(handle.create_backend(&where));
  std::vector<quarro::entry> entries;
  ASSERT_TRUE(handle.backend->list(entries));
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.name);
  EXPECT_TRUE(names == expected) << names.size() << " entries";
}

TEST_F(sftp_peer, missing_files_folders_and_refused_log_ins_fail) {
  quarro::handle handle;
  auto where = at(folder + "/missing");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), -1);
  EXPECT_FALSE(handle.open(false));
  std::vector<quarro::entry> entries;
  EXPECT_FALSE(handle.backend->list(entries));

  // A folder has no contents to serve.
  where = at(folder + "/sub");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), -1);

  where = at(folder + "/a", "wrong password");
  ASSERT_TRUE(handle.create_backend(&where));
  EXPECT_EQ(handle.backend->size(), -1);
}

TEST_F(sftp_peer, the_http_server_serves_an_sftp_home) {
  httpd server;
  httpd_param settings;
  const std::string home = "sftp://" + env("TESSARY_SSH_HOST") + ":" + env("TESSARY_SSH_PORT") + folder +
                           "?username=" + env("TESSARY_SSH_USER") + "&password=" + env("TESSARY_SSH_PASSWORD");
  const uint16_t http_port = server_test::start_loopback_httpd(server, home, settings);
  ASSERT_NE(http_port, 0);
  std::string body;
  EXPECT_EQ(server_test::curl_fetch(http_port, "/data.bin", &body), "200");
  EXPECT_TRUE(body == contents);
  EXPECT_EQ(server_test::curl_fetch(http_port, "/", &body), "200");
  EXPECT_NE(body.find("<a href=\"/sub/\">sub</a>"), std::string::npos);
  EXPECT_EQ(server_test::curl_fetch(http_port, "/sub"), "404");
}

// Names of 5,000 and 100,000 bytes, one inside a reply and one at its start, from the scripted
// SFTP server `program`: each is listed in full, and neither ends the listing.
void expect_long_names_listed(const std::string& program) {
  REQUIRE_PEER(!env("TESSARY_SSH_USER").empty(), "the test user of tests/peers/start");
  connection_test::private_sshd server(program, env("TESSARY_SSH_USER"));
  ASSERT_TRUE(server.ready()) << server.failure();
  quarro::location where;
  where.scheme = quarro::SCHEME_SFTP;
  where.host = "127.0.0.1";
  where.default_port = 0;
  where.port = server.port();
  where.path = "/listing";
  where.username = env("TESSARY_SSH_USER");
  where.password = env("TESSARY_SSH_PASSWORD");
  quarro::handle handle;
  ASSERT_TRUE(handle.create_backend(&where));
  std::vector<quarro::entry> entries;
  ASSERT_TRUE(handle.backend->list(entries));
  const std::string long_name = std::string(5000, 'a') + ".txt";
  const std::string longer_name = std::string(100000, 'b') + ".txt";
  std::vector<std::string> names;
  for (const auto& entry : entries) names.push_back(entry.name);
  EXPECT_TRUE(names == (std::vector<std::string>{".", "..", long_name, longer_name, "first.txt", "last.txt",
                                                 "middle.txt"}));
  for (const auto& entry : entries) {
    if (entry.folder) continue;
    EXPECT_EQ(entry.size, static_cast<int64_t>(entry.name.size()));
    EXPECT_TRUE(entry.line.ends_with(" " + entry.name));
  }
}

TEST(sftp_back_end, names_longer_than_any_file_system_holds_do_not_end_a_listing) {
  expect_long_names_listed(SCRIPTED_SFTP_SERVER);
}

// The same from a checkout in a folder that the test user cannot enter: the scripted server
// is built there and the tests' temporary folders lie there too.
TEST(sftp_back_end, long_names_are_listed_from_a_checkout_in_a_private_folder) {
  test_support::private_checkout checkout;
  ASSERT_FALSE(test_support::test_user_cannot_reach(checkout.path()).empty()) << "the test user enters " << checkout.path();
  const std::filesystem::path build = checkout.path() + "/build-tests";
  std::filesystem::create_directories(build);
  const std::filesystem::path program = build / std::filesystem::path(SCRIPTED_SFTP_SERVER).filename();
  std::filesystem::copy_file(SCRIPTED_SFTP_SERVER, program);
  expect_long_names_listed(program.string());
}

const char* const key_targets[] = {"/first.txt", "/"};

// The home of an HTTP server: the scripted SFTP server's folder behind a private sshd.
std::string listing_home(uint16_t sftp_port) {
  return "sftp://127.0.0.1:" + std::to_string(sftp_port) + "/listing?username=" + env("TESSARY_SSH_USER") +
         "&password=" + env("TESSARY_SSH_PASSWORD");
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Each of the targets answers `status` from the HTTP server `server` at `http_port`, whose home
// `sshd` serves. Served (200): the sshd's log shows the password tried, and the trace names no
// host key. Refused (404): each request leaves `refusal` in an ERROR line of the trace, and the
// sshd's log shows every connection closed without a password tried.
void expect_each_target(httpd& server, uint16_t http_port, const connection_test::private_sshd& sshd,
                        const std::string& status, const std::string& refusal) {
  const auto password_tried = [&] { return sshd.log().find("method password") != std::string::npos; };
  server.level = LOG_ERROR;
  server_test::take_trace();
  for (const char* target : key_targets) {
    EXPECT_EQ(server_test::curl_fetch(http_port, target), status) << target;
    const std::string trace = server_test::take_trace();
    if (refusal.empty()) {
      EXPECT_EQ(trace.find("host key"), std::string::npos) << trace;
    } else {
      EXPECT_NE(trace.find("[httpd] " + refusal), std::string::npos) << trace;
    }
  }
  if (status == "200") {
    EXPECT_TRUE(password_tried()) << sshd.log();
    return;
  }
  EXPECT_TRUE(test_support::wait_until(
      [&] { return count_of(sshd.log(), "Connection closed") >= std::size(key_targets); }))
      << sshd.log();
  EXPECT_FALSE(password_tried()) << sshd.log();
}

// A second server with another host key at the port of the first, as a machine in the middle
// would be: the first one's key is remembered, and the second is refused before any password
// goes out. Its files and folders answer 404, the trace says why, and the second server's log
// shows no password tried (the first server's log shows what such a try looks like).
TEST(sftp_back_end, a_changed_host_key_is_refused_before_any_password) {
  REQUIRE_PEER(!env("TESSARY_SSH_USER").empty(), "the test user of tests/peers/start");
  // The user's own known_hosts takes no part.
  test_support::temp_folder home;
  setenv("HOME", home.path().c_str(), 1);

  httpd server;
  httpd_param settings;
  uint16_t sftp_port = 0;
  uint16_t http_port = 0;
  {
    connection_test::private_sshd first(SCRIPTED_SFTP_SERVER, env("TESSARY_SSH_USER"), 0, true);
    ASSERT_TRUE(first.ready());
    sftp_port = first.port();
    http_port = server_test::start_loopback_httpd(server, listing_home(sftp_port), settings);
    ASSERT_NE(http_port, 0);
    expect_each_target(server, http_port, first, "200", "");
  }
  const std::string known = test_support::read_file(tessary_known_hosts_path());
  EXPECT_NE(known.find("[127.0.0.1]:" + std::to_string(sftp_port) + " ssh-ed25519 "), std::string::npos) << known;

  connection_test::private_sshd second(SCRIPTED_SFTP_SERVER, env("TESSARY_SSH_USER"), sftp_port, true);
  ASSERT_TRUE(second.ready());
  expect_each_target(server, http_port, second, "404",
                     "The host key of [127.0.0.1]:" + std::to_string(sftp_port) + " has changed");
}

// Keys of other types than the one known for the host, and a new host's key that cannot be
// remembered. A server that offers only another type is refused as a changed key is; one that
// has the known type among others is asked for it, answers with it and serves, and nothing is
// added to known_hosts. With Tessary's configuration folder on a read-only file system (which
// root cannot write either) a new host is refused, on every request, with the reason.
TEST(sftp_back_end, a_key_of_another_type_or_one_not_remembered_gets_no_password) {
  REQUIRE_PEER(!env("TESSARY_SSH_USER").empty(), "the test user of tests/peers/start");
  test_support::temp_folder home;
  setenv("HOME", home.path().c_str(), 1);
  struct restore_appdata {
    std::string saved = env("APPDATA");
    ~restore_appdata() { setenv("APPDATA", saved.c_str(), 1); }
  } restore;
  struct row {
    const char* name;
    std::vector<std::string> server_keys;  // as ssh-keygen names the types
    std::string known;                     // the type of the key stored for the host; empty: none
    bool known_is_the_servers;             // else it is another server's key, as after a change
    bool read_only;                        // the configuration folder cannot be written
    std::string status;
    // The ERROR line's text for the host as known_hosts names it and Tessary's file; null when
    // the requests are served.
    std::string (*refusal)(const std::string& host, const std::string& file);
  };
  const row rows[] = {
      {"only RSA where ECDSA is known", {"rsa"}, "ecdsa", false, false, "404",
       [](const std::string& host, const std::string&) {
         return "The host key of " + host +
                " has changed (it offered a key of type ssh-rsa, and only keys of type ecdsa-sha2-nistp256 are known "
                "for it); refusing to connect";
       }},
      {"ECDSA and RSA where RSA is known", {"ecdsa", "rsa"}, "rsa", true, false, "200", nullptr},
      {"a new host, with the configuration folder read-only", {"ed25519"}, "", false, true, "404",
       [](const std::string& host, const std::string& file) {
         return "The new host key of " + host + " could not be remembered in " + file +
                ": Read-only file system; refusing to connect";
       }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    test_support::temp_folder appdata;
    setenv("APPDATA", appdata.path().c_str(), 1);
    connection_test::private_sshd sshd(SCRIPTED_SFTP_SERVER, env("TESSARY_SSH_USER"), 0, true, r.server_keys);
    ASSERT_TRUE(sshd.ready()) << sshd.failure();
    const std::string host = "[127.0.0.1]:" + std::to_string(sshd.port());
    std::string known;
    if (!r.known.empty()) {
      const std::string key = r.known_is_the_servers ? sshd.host_key(r.known) : connection_test::stranger_host_key(r.known);
      ASSERT_FALSE(key.empty());
      known = host + " " + key + "\n";
      test_support::write_file(tessary_known_hosts_path(), known);
    }
    std::optional<test_support::read_only_mount> read_only;
    if (r.read_only) {
      read_only.emplace(appdata.path());
      ASSERT_EQ(read_only->failure(), "");
    }
    httpd server;
    httpd_param settings;
    const uint16_t http_port = server_test::start_loopback_httpd(server, listing_home(sshd.port()), settings);
    ASSERT_NE(http_port, 0);
    expect_each_target(server, http_port, sshd, r.status, r.refusal ? r.refusal(host, tessary_known_hosts_path()) : "");
    EXPECT_EQ(test_support::read_file(tessary_known_hosts_path()), known);
  }
}

TEST(sftp_back_end, a_silent_server_fails_within_the_time_out) {
  uint16_t port = 0;
  const int listener = server_test::bound_socket(SOCK_STREAM, port);
  ::listen(listener, 1);
  quarro::location where;
  where.scheme = quarro::SCHEME_SFTP;
  where.host = "127.0.0.1";
  where.default_port = 0;
  where.port = port;
  where.path = "/x";
  quarro::handle handle;
  ASSERT_TRUE(handle.create_backend(&where));
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(handle.backend->size(), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(quarro::transfer_timeout_ms + 2000));
  ::close(listener);
}

}  // namespace
