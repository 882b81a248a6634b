// The HTTP file server with a local home, as clients see it: raw requests and curl on
// loopback. Answers, folder pages, refused heads, paths that would leave the home folder, FIFOs
// and devices answered without being opened, and the limits that keep silent or endless clients
// from exhausting the server.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "config/httpd_param.h"
#include "config/thousands_text.h"
#include "config/time_text.h"
#include "servers/http_request.h"
#include "servers/httpd.h"
#include "tests/servers/loopback.h"
#include "tests/servers/tftp_fixture.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait_until.h"

namespace {

using namespace server_test;
using test_support::patterned_bytes;
using test_support::write_file;
using namespace std::chrono_literals;

class http_server : public testing::Test {
 protected:
  void SetUp() override {
    home = outer.file("home");
    ::mkdir(home.c_str(), 0755);
    ::mkdir((home + "/sub").c_str(), 0755);
    write_file(outer.file("secret"), "outside the home folder");
    write_file(home + "/a b.txt", "spaced");
    write_file(home + "/x.html", "<p>x</p>");
    write_file(home + "/index.HTML", "<p>i</p>");
    write_file(home + "/x.htm", "htm");
    write_file(home + "/README", "readme");
    write_file(home + "/empty", "");
    write_file(home + "/sub/inner.txt", "inner");
    take_trace();
  }
  void TearDown() override { server->stop(); }

  // Starts the server on a free loopback port with `home_path` (the test's home by default).
  void start(const std::string& home_path = {}) {
    port = start_loopback_httpd(*server, home_path.empty() ? home : home_path, settings);
    ASSERT_NE(port, 0);
  }
  std::string get(const std::string& target) { return round_trip(port, "GET " + target + " HTTP/1.1\r\n\r\n"); }
  std::string curl(const std::string& target, std::string* body = nullptr) { return curl_fetch(port, target, body); }

  test_support::temp_folder outer;
  std::string home;
  httpd_param settings;
  std::unique_ptr<httpd> server = std::make_unique<httpd>();
  uint16_t port = 0;
};

TEST_F(http_server, the_root_is_a_folder_page_with_dot_entries_and_folder_links) {
  start();
  const std::string answer = get("/");
  EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 OK\r\nContent-Type: text/html;charset=utf-8\r\nContent-Length: "))
      << answer;
  const size_t body = answer.find("\r\n\r\n") + 4;
  EXPECT_NE(answer.find("Content-Length: " + std::to_string(answer.size() - body) + "\r\n"), std::string::npos);
  EXPECT_NE(answer.find("<title>Welcome to Tessary!</title>"), std::string::npos);
  EXPECT_NE(answer.find("<h3>Current Path: /</h3>"), std::string::npos);
  EXPECT_NE(answer.find("<a href=\"/./\">.</a>"), std::string::npos);
  EXPECT_NE(answer.find("<a href=\"/../\">..</a>"), std::string::npos);
  EXPECT_NE(answer.find("<a href=\"/sub/\">sub</a>"), std::string::npos);
  EXPECT_NE(answer.find("<a href=\"/a%20b.txt\">a b.txt</a>"), std::string::npos);
  EXPECT_NE(take_trace().find("[httpd] http request for path '/'"), std::string::npos);
}

TEST_F(http_server, files_with_their_content_types) {
  start();
  const struct {
    const char* target;
    const char* type;
    const char* body;
  } cases[] = {
      {"/a%20b.txt", "application/octet-stream", "spaced"}, {"/x.html", "text/html", "<p>x</p>"},
      {"/index.HTML", "text/html", "<p>i</p>"},             {"/x.htm", "application/octet-stream", "htm"},
      {"/README", "application/octet-stream", "readme"},    {"README", "application/octet-stream", "readme"},
      {"/sub/inner.txt", "application/octet-stream", "inner"},
  };
  for (const auto& c : cases) {
    const std::string body = c.body;
    EXPECT_EQ(get(c.target), std::string("HTTP/1.1 200 OK\r\nContent-Type: ") + c.type +
                                 ";charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\nConnection: close\r\n\r\n" + body)
        << c.target;
  }
}

TEST_F(http_server, missing_things_answer_404_without_a_body) {
  start();
  const std::string not_found =
      "HTTP/1.1 404 NOT FOUND\r\nContent-Type: text/html;charset=utf-8\r\nContent-Length: 0\r\n"
      "Connection: close\r\n\r\n";
  EXPECT_EQ(get("/missing.txt"), not_found);
  EXPECT_EQ(get("/missing/"), not_found);
  // A folder named without its '/' is no file, and a file named with one is no folder.
  EXPECT_EQ(get("/sub"), not_found);
  EXPECT_EQ(get("/README/"), not_found);
  EXPECT_EQ(get("/dir/?x=1"), not_found);
  const std::string trace = take_trace();
  EXPECT_NE(trace.find("access file '" + home + "/missing.txt' failed!"), std::string::npos);
  EXPECT_NE(trace.find("read path " + home + "/missing failed!"), std::string::npos);
}

TEST_F(http_server, an_empty_file_is_200_with_length_0) {
  start();
  EXPECT_EQ(get("/empty"),
            "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream;charset=utf-8\r\nContent-Length: 0\r\n"
            "Connection: close\r\n\r\n");
}

TEST_F(http_server, every_method_is_answered_as_get) {
  start();
  const std::string expected = get("/README");
  for (const char* method : {"POST", "PUT", "HEAD", "PATCH", "DELETE", "OPTIONS"})
    EXPECT_EQ(round_trip(port, std::string(method) + " /README HTTP/1.1\r\n\r\n"), expected) << method;
}

TEST_F(http_server, a_bad_escape_is_kept_and_logged) {
  write_file(home + "/a%zz", "kept");
  start();
  EXPECT_TRUE(get("/a%zz").ends_with("\r\n\r\nkept"));
  EXPECT_NE(take_trace().find("meet invalid url!"), std::string::npos);
}

TEST_F(http_server, refused_heads_close_without_an_answer) {
  start();
  // A request line that is not exactly method, target and version is never read as "/".
  for (const char* head : {"get / HTTP/1.1\r\n\r\n", "GET /\r\n\r\n", "HELLO\r\n\r\n",
                           "GET  /README HTTP/1.1\r\n\r\n", "GET  HTTP/1.1\r\n\r\n", "GET /README  HTTP/1.1\r\n\r\n",
                           "GET /README HTTP/1.1 \r\n\r\n", "GET /README \r\n\r\n",
                           "GET /README HTTP/1.1 x\r\n\r\n"}) {
    EXPECT_EQ(round_trip(port, head), "") << head;
  }
  const std::string trace = take_trace();
  EXPECT_NE(trace.find("parse http request failed!"), std::string::npos);
  EXPECT_NE(trace.find("handle http request failed!"), std::string::npos);
}

TEST_F(http_server, a_request_in_pieces_is_answered_after_the_blank_line) {
  start();
  const int fd = connect_loopback(port);
  ASSERT_GE(fd, 0);
  for (const char* piece : {"GET /READ", "ME HTTP/1.1\r\n", "Host: x\r\n", "\r"}) {
    ASSERT_TRUE(send_all(fd, piece));
    bool timed_out = false;
    EXPECT_EQ(read_until_closed(fd, 150, nullptr, &timed_out), "");
    EXPECT_TRUE(timed_out) << piece;
  }
  ASSERT_TRUE(send_all(fd, "\n"));
  EXPECT_TRUE(read_until_closed(fd).ends_with("\r\n\r\nreadme"));
  ::close(fd);
}

TEST_F(http_server, paths_that_leave_the_home_folder_answer_404) {
  ASSERT_TRUE(test_support::have_program("curl"));
  start();
  std::string body;
  ASSERT_EQ(curl("/README", &body), "200");
  EXPECT_EQ(body, "readme");
  ASSERT_EQ(curl("/sub/../README"), "200");
  for (const char* target : {"/../secret", "/%2e%2e/secret", "/%2E%2E/secret", "/..%2fsecret", "/sub/../../secret",
                             "/..%5csecret", "/sub/%2e%2e/%2e%2e/secret", "/../", "/../home/README"}) {
    EXPECT_EQ(curl(target, &body), "404") << target;
    EXPECT_EQ(body, "") << target;
  }
  // Raw, where curl would not send the bytes as they are.
  for (const char* target : {"/..\\secret", "\\..\\secret", "/sub\\..\\..\\secret"})
    EXPECT_TRUE(get(target).starts_with("HTTP/1.1 404 NOT FOUND\r\n")) << target;
}

TEST_F(http_server, links_are_followed_only_while_they_stay_inside_the_home) {
  ASSERT_TRUE(test_support::have_program("curl"));
  const struct {
    const char* name;
    std::string target;
  } links[] = {
      {"in_file", "README"},         {"in_folder", "sub"}, {"out_file", outer.file("secret")},
      {"out_relative", "../secret"}, {"up", ".."},         {"etc", "/etc"},
      {"passwd", "/etc/passwd"},     {"dangling", "nowhere"},
  };
  for (const auto& link : links) ASSERT_EQ(::symlink(link.target.c_str(), (home + "/" + link.name).c_str()), 0);
  const std::string home_alias = outer.file("alias");
  ASSERT_EQ(::symlink("home", home_alias.c_str()), 0);

  const struct {
    const char* target;
    const char* code;
    const char* body;  // the whole body of a file, a piece of a folder page
  } cases[] = {
      {"/in_file", "200", "readme"},  {"/in_folder/inner.txt", "200", "inner"}, {"/in_folder/", "200", ">inner.txt<"},
      {"/out_file", "404", ""},       {"/out_relative", "404", ""},             {"/up/", "404", ""},
      {"/up/secret", "404", ""},      {"/etc/", "404", ""},                     {"/etc/passwd", "404", ""},
      {"/passwd", "404", ""},         {"/dangling", "404", ""},
  };
  // The home as a folder and as a link to it: what counts is where a path resolves to.
  for (const std::string& home_path : {home, home_alias}) {
    server->stop();
    start(home_path);
    for (const auto& c : cases) {
      std::string body;
      EXPECT_EQ(curl(c.target, &body), c.code) << home_path << c.target;
      if (std::string_view(c.target).ends_with('/') && *c.code == '2')
        EXPECT_NE(body.find(c.body), std::string::npos) << home_path << c.target;
      else
        EXPECT_EQ(body, c.body) << home_path << c.target;
    }
    // The folder page leaves out every link that leads outside the home (or nowhere).
    std::string page;
    ASSERT_EQ(curl("/", &page), "200");
    for (const auto& link : links) {
      const bool inside = std::string_view(link.name).starts_with("in_");
      EXPECT_EQ(page.find(">" + std::string(link.name) + "</a>") != std::string::npos, inside) << link.name;
    }
    EXPECT_NE(page.find("<a href=\"/in_folder/\">"), std::string::npos);
  }
}

// An answer parted into its status line, its Content-Length (-1 without one) and its body.
struct answer_parts {
  std::string status;
  long long length = -1;
  std::string body;
};

answer_parts parts_of(const std::string& answer) {
  answer_parts parts;
  const size_t head_end = answer.find("\r\n\r\n");
  if (head_end == std::string::npos) return parts;
  parts.status = answer.substr(0, answer.find("\r\n"));
  const size_t length = answer.find("Content-Length: ");
  if (length < head_end) parts.length = std::stoll(answer.substr(length + 16));
  parts.body = answer.substr(head_end + 4);
  return parts;
}

// A connection whose GET of `target` has been answered: the first byte of the answer (the 'H'
// of its status line) has come and been taken; -1 when it did not come within the bound.
int answered_get(uint16_t port, const std::string& target) {
  const int fd = connect_loopback(port);
  if (fd < 0) return -1;
  const timeval bound{answer_bound_ms / 1000, 0};
  char byte;
  if (!send_all(fd, "GET " + target + " HTTP/1.1\r\n\r\n") ||
      ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound) != 0 || ::recv(fd, &byte, 1, 0) != 1) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void replace_by_rename(const std::string& text, const std::string& path) {
  write_file(path + ".tmp", text);
  ::rename((path + ".tmp").c_str(), path.c_str());
}

void link_by_rename(const std::string& target, const std::string& path) {
  ::unlink((path + ".tmp").c_str());
  ::symlink(target.c_str(), (path + ".tmp").c_str());
  ::rename((path + ".tmp").c_str(), path.c_str());
}

// Tells whether the object at `path` was opened (IN_OPEN), or an entry was made in the folder at
// `path` (IN_CREATE), since the watch began.
class open_watch {
 public:
  open_watch(const std::string& path, uint32_t event) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    watching_ = ::inotify_add_watch(fd_, path.c_str(), event | IN_DONT_FOLLOW) >= 0;
  }
  ~open_watch() { ::close(fd_); }
  open_watch(const open_watch&) = delete;
  open_watch& operator=(const open_watch&) = delete;
  bool watching() const { return watching_; }
  bool fired() const {
    char events[4096];
    return ::read(fd_, events, sizeof events) > 0;
  }

 private:
  int fd_;
  bool watching_ = false;
};

// A writer blocked in its open of the FIFO at `path`, as one is until a reader opens the FIFO.
class waiting_writer {
 public:
  explicit waiting_writer(std::string path)
      : path_(std::move(path)), thread_([this] {
          task_ = static_cast<pid_t>(::syscall(SYS_gettid));
          const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
          released_ = true;
          if (fd >= 0) ::close(fd);
        }) {}
  // Lets the writer go (a reader that stays open until it has) and waits for it.
  ~waiting_writer() {
    const int reader = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    thread_.join();
    if (reader >= 0) ::close(reader);
  }
  waiting_writer(const waiting_writer&) = delete;
  waiting_writer& operator=(const waiting_writer&) = delete;
  // True while the writer waits inside its open.
  bool waiting() const {
    if (released_ || task_ == 0) return false;
    const std::string call = test_support::read_file("/proc/self/task/" + std::to_string(task_) + "/syscall");
    return !released_ && call.starts_with(std::to_string(SYS_openat) + " ");
  }

 private:
  std::string path_;
  std::atomic<pid_t> task_ = 0;
  std::atomic<bool> released_ = false;
  std::thread thread_;
};

// What a name of the home leads to is looked at before anything opens it, and only a regular
// file inside the home is opened. A FIFO, a pty master or a socket, inside the home or reached
// by a link, answers 404 unopened: no pty is allocated, and a writer waiting on a FIFO outside
// the home is not let go (its next write would fail).
TEST_F(http_server, special_files_answer_404_without_being_opened) {
  const std::string inner_ptys = home + "/pts", outer_ptys = outer.file("pts"), outer_pipe = outer.file("pipe");
  test_support::devpts_instance inner(inner_ptys), outside(outer_ptys);
  if (!inner.mounted() || !outside.mounted()) GTEST_SKIP() << "mounting a devpts instance needs root";
  {
    // The watch sees a pty allocated through the instance's ptmx.
    open_watch allocations(outer_ptys, IN_CREATE);
    const int master = ::open((outer_ptys + "/ptmx").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ::close(master);
    ASSERT_TRUE(allocations.fired());
  }
  ASSERT_EQ(::mkfifo((home + "/pipe").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo(outer_pipe.c_str(), 0644), 0);
  ASSERT_EQ(::symlink("pipe", (home + "/pipe_link").c_str()), 0);
  ASSERT_EQ(::symlink(outer_pipe.c_str(), (home + "/out_pipe").c_str()), 0);
  ASSERT_EQ(::symlink((outer_ptys + "/ptmx").c_str(), (home + "/out_pty").c_str()), 0);
  ASSERT_EQ(::symlink("README", (home + "/readme_link").c_str()), 0);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = home + "/socket";
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socket_path.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  waiting_writer writer(outer_pipe);
  ASSERT_TRUE(test_support::wait_until([&] { return writer.waiting(); }));
  start();

  const struct {
    const char* target;
    const char* status;
    std::string watched;  // what an open of the target shows at; empty: nothing to watch
    uint32_t event;
  } cases[] = {
      {"/pipe", "404", home + "/pipe", IN_OPEN},
      {"/pipe_link", "404", home + "/pipe", IN_OPEN},
      {"/out_pipe", "404", outer_pipe, IN_OPEN},
      {"/pts/ptmx", "404", inner_ptys, IN_CREATE},
      {"/out_pty", "404", outer_ptys, IN_CREATE},
      {"/socket", "404", "", 0},
      // Regular files are opened, and served.
      {"/README", "200", home + "/README", IN_OPEN},
      {"/readme_link", "200", home + "/README", IN_OPEN},
  };
  for (const auto& c : cases) {
    std::optional<open_watch> watch;
    if (c.event) {
      watch.emplace(c.watched, c.event);
      ASSERT_TRUE(watch->watching()) << c.watched;
    }
    const answer_parts got = parts_of(get(c.target));
    const bool served = std::string_view(c.status) == "200";
    EXPECT_EQ(got.status, served ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 NOT FOUND") << c.target;
    EXPECT_EQ(got.body, served ? "readme" : "") << c.target;
    if (watch) {
      EXPECT_EQ(watch->fired(), served) << c.target << (served ? " was not opened" : " was opened");
    }
  }
  EXPECT_TRUE(writer.waiting()) << "the writer waiting on the FIFO outside the home was let go";
  ::close(listener);
}

// A file of the home replaced by rename while its answer is under way still comes whole, as
// the file that was opened for it.
TEST_F(http_server, a_file_replaced_while_it_is_sent_comes_whole_as_the_one_opened) {
  const std::string first = patterned_bytes(8 * 1024 * 1024), second(first.size(), 'x');
  write_file(home + "/big.bin", first);
  start();
  // The answer has begun, so the file is open; the client takes nothing more while the name
  // moves on.
  const int fd = answered_get(port, "/big.bin");
  ASSERT_GE(fd, 0);
  replace_by_rename(second, home + "/big.bin");
  const answer_parts got = parts_of("H" + read_until_closed(fd));
  ::close(fd);
  EXPECT_EQ(got.status, "HTTP/1.1 200 OK");
  EXPECT_EQ(got.length, static_cast<long long>(first.size()));
  EXPECT_TRUE(got.body == first) << "a body of " << got.body.size() << " bytes, not the opened file's";
}

// Another process keeps changing what a name of the home is while clients ask for it: each
// answer comes from one object that was checked (a whole version of a file, never a length of
// one with bytes of another; a FIFO never read; a folder page without an outside file's size or
// time), and a request for another file is answered meanwhile.
TEST_F(http_server, names_swapped_under_requests_serve_one_checked_object_and_stall_nothing) {
  const std::string small(1000, 's'), large(5000, 'L');
  const std::string file = home + "/file", pipe = home + "/pipe", outside = outer.file("out.bin");
  const int64_t outside_mtime = 1000000000;
  // A whole version of the file, or (where a FIFO may stand at the name) 404.
  const auto one_version = [&](bool may_be_missing) {
    return [&, may_be_missing](const answer_parts& got) {
      if (may_be_missing && got.status == "HTTP/1.1 404 NOT FOUND") return got.body.empty();
      return got.status == "HTTP/1.1 200 OK" && got.length == static_cast<long long>(got.body.size()) &&
             (got.body == small || got.body == large);
    };
  };
  // Names are replaced, never written through: a FIFO may stand there from the case before.
  const struct {
    const char* name;
    std::function<void()> prepare;
    std::function<void(int round)> swap;
    const char* target;
    std::function<bool(const answer_parts&)> acceptable;
  } cases[] = {
      {"replaced by rename", [&] { replace_by_rename(small, file); },
       [&](int round) { replace_by_rename(round % 2 ? large : small, file); }, "/file", one_version(false)},
      {"exchanged with another file",
       [&] {
         replace_by_rename(small, file);
         write_file(home + "/other", large);
       },
       [&](int) { ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, (home + "/other").c_str(), RENAME_EXCHANGE); },
       "/file", one_version(false)},
      // The FIFO keeps a name of its own, so that a reader stuck in it can be let go.
      {"a FIFO renamed in",
       [&] {
         replace_by_rename(small, file);
         ::mkfifo(pipe.c_str(), 0644);
       },
       [&](int round) {
         if (round % 2) return replace_by_rename(small, file);
         ::unlink((file + ".fifo").c_str());
         ::link(pipe.c_str(), (file + ".fifo").c_str());
         ::rename((file + ".fifo").c_str(), file.c_str());
       },
       "/file", one_version(true)},
      {"a link to a FIFO renamed in",
       [&] {
         replace_by_rename(small, file);
         ::mkfifo(pipe.c_str(), 0644);
       },
       [&](int round) { round % 2 ? replace_by_rename(small, file) : link_by_rename("pipe", file); }, "/file",
       one_version(true)},
      {"a link swapped during folder pages",
       [&] {
         write_file(home + "/in.bin", std::string(111, 'i'));
         write_file(outside, std::string(99999, 'o'));
         const timespec times[2] = {{outside_mtime, 0}, {outside_mtime, 0}};
         ::utimensat(AT_FDCWD, outside.c_str(), times, 0);
         link_by_rename("in.bin", home + "/link");
       },
       [&](int round) { link_by_rename(round % 2 ? "in.bin" : "../out.bin", home + "/link"); }, "/",
       [&](const answer_parts& got) {
         return got.status == "HTTP/1.1 200 OK" && got.body.find(thousands_text(99999)) == std::string::npos &&
                got.body.find(time_text(outside_mtime)) == std::string::npos;
       }},
  };
  start();
  for (const auto& c : cases) {
    c.prepare();
    std::atomic<bool> swapping = true;
    std::thread swapper([&] {
      for (int round = 0; swapping; ++round) c.swap(round);
    });
    int bad = 0, rounds = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    for (; rounds < 1500 && std::chrono::steady_clock::now() < deadline; ++rounds) {
      if (!c.acceptable(parts_of(get(c.target)))) ++bad;
      if (parts_of(get("/README")).body != "readme") {
        ADD_FAILURE() << c.name << ": another request was not answered, round " << rounds;
        break;
      }
    }
    swapping = false;
    swapper.join();
    // A reader stuck in the FIFO (a server that waited in its open) is let go.
    const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    EXPECT_EQ(bad, 0) << c.name << ": " << bad << " of " << rounds << " answers";
  }
}

TEST_F(http_server, decoded_nul_and_controls_answer_404_and_stay_out_of_the_log) {
  write_file(home + "/a", "a");
  start();
  for (const char* target : {"/a%00", "/a%00.txt", "/a%0d%0aInjected:%20yes", "/a%0a", "/a%1b[2J", "/a%7f"}) {
    EXPECT_TRUE(get(target).starts_with("HTTP/1.1 404 NOT FOUND\r\n")) << target;
  }
  const std::string trace = take_trace();
  EXPECT_EQ(trace.find("\nInjected"), std::string::npos);
  EXPECT_EQ(trace.find('\x1b'), std::string::npos);
  EXPECT_NE(trace.find("\\x0D\\x0AInjected"), std::string::npos);
}

TEST_F(http_server, folder_pages_escape_hostile_names) {
  write_file(home + "/sub/<script>alert(1)<\\script>", "x");
  write_file(home + "/sub/\"onmouseover=\"x", "y");
  start();
  const std::string page = get("/sub/");
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find(">&lt;script&gt;alert(1)&lt;\\script&gt;</a>"), std::string::npos);
  EXPECT_NE(page.find("href=\"/sub/%3Cscript%3Ealert%281%29%3C%5Cscript%3E\""), std::string::npos);
  EXPECT_NE(page.find("href=\"/sub/%22onmouseover%3D%22x\""), std::string::npos);
}

TEST_F(http_server, a_page_title_is_escaped_too) {
  settings.title = "</title><script>";
  start();
  EXPECT_NE(get("/").find("<title>&lt;/title&gt;&lt;script&gt;</title>"), std::string::npos);
}

TEST_F(http_server, a_head_longer_than_the_limit_fails_its_session) {
  start();
  const int fd = connect_loopback(port);
  ASSERT_GE(fd, 0);
  send_all(fd, "GET /README HTTP/1.1\r\nX-Filler: " + std::string(http_head_limit, 'a'));
  bool timed_out = false;
  EXPECT_EQ(read_until_closed(fd, answer_bound_ms, nullptr, &timed_out), "");
  EXPECT_FALSE(timed_out);
  ::close(fd);
  // A head just under the limit is still served.
  const std::string header = "X-Filler: " + std::string(http_head_limit - 64, 'a') + "\r\n";
  EXPECT_TRUE(round_trip(port, "GET /README HTTP/1.1\r\n" + header + "\r\n").ends_with("readme"));
}

TEST_F(http_server, a_newcomer_takes_the_place_of_the_longest_silent_connection) {
  // An idle limit far past the answer bound: the answer can only come from a session made free.
  server->session_timeout_ms = 120000;
  start();
  const size_t cap = server->max_sessions;
  std::vector<int> idle;
  for (size_t i = 0; i < 2 * cap; ++i) {
    idle.push_back(connect_loopback(port));
    ASSERT_GE(idle.back(), 0);
  }
  EXPECT_TRUE(get("/README").ends_with("readme"));
  // Each connection past the cap, the GET's included, closed the oldest silent one; the newest
  // stay open, so the table never held more than the cap.
  for (size_t i = 0; i < idle.size(); ++i) {
    if (i <= cap) {
      bool timed_out = true;
      EXPECT_EQ(read_until_closed(idle[i], answer_bound_ms, nullptr, &timed_out), "") << i;
      EXPECT_FALSE(timed_out) << i;
    } else {
      pollfd entry{idle[i], POLLIN, 0};
      EXPECT_EQ(::poll(&entry, 1, 0), 0) << i;
    }
  }
  for (const int fd : idle) ::close(fd);
  EXPECT_NE(take_trace().find("idle session dropped for a new connection!"), std::string::npos);
}

TEST_F(http_server, sessions_being_answered_hold_the_cap_and_silent_ones_time_out) {
  const std::string name = home + "/sparse.bin";
  const int file = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(file, 0);
  ASSERT_EQ(::ftruncate(file, off_t{1} << 30), 0);
  ::close(file);
  server->max_sessions = 2;
  server->session_timeout_ms = 2000;
  start();
  // Two clients whose heads were read and answered, and who then take nothing more.
  int stuck[2];
  for (int& fd : stuck) {
    fd = answered_get(port, "/sparse.bin");
    ASSERT_GE(fd, 0);
  }
  // Neither makes room: the third client waits in the listen queue until they time out.
  const int waiting = connect_loopback(port);
  ASSERT_GE(waiting, 0);
  ASSERT_TRUE(send_all(waiting, "GET /README HTTP/1.1\r\n\r\n"));
  bool timed_out = false;
  EXPECT_EQ(read_until_closed(waiting, 300, nullptr, &timed_out), "");
  EXPECT_TRUE(timed_out);
  EXPECT_TRUE(read_until_closed(waiting).ends_with("readme"));
  ::close(waiting);
  for (const int fd : stuck) ::close(fd);
  // A client that never sends its head is dropped after the idle limit.
  const int silent = connect_loopback(port);
  ASSERT_GE(silent, 0);
  timed_out = true;
  EXPECT_EQ(read_until_closed(silent, answer_bound_ms, nullptr, &timed_out), "");
  EXPECT_FALSE(timed_out);
  ::close(silent);
  const std::string trace = take_trace();
  EXPECT_NE(trace.find("session timed out!"), std::string::npos);
  EXPECT_EQ(trace.find("idle session dropped"), std::string::npos);
}

TEST_F(http_server, unread_input_is_drained_so_the_answer_arrives_whole) {
  const std::string contents = patterned_bytes(256 * 1024);
  write_file(home + "/big.bin", contents);
  start();
  for (const char* target : {"/big.bin", "/README"}) {
    const int fd = connect_loopback(port);
    ASSERT_GE(fd, 0);
    // A body the server never reads; closing over it unread would reset the connection.
    ASSERT_TRUE(send_all(fd, std::string("POST ") + target + " HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" +
                                 std::string(100000, 'b')));
    std::this_thread::sleep_for(300ms);
    bool reset = false;
    const std::string answer = read_until_closed(fd, answer_bound_ms, &reset);
    EXPECT_FALSE(reset) << target;
    EXPECT_TRUE(answer.ends_with(target == std::string("/README") ? "readme" : contents)) << target;
    ::close(fd);
  }
}

TEST_F(http_server, sizes_past_4_gib_are_sent_as_64_bit_lengths) {
  const std::string name = home + "/sparse.bin";
  const int fd = ::open(name.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, (off_t{5} << 30) + 3), 0);
  ::close(fd);
  start();
  const int client = connect_loopback(port);
  ASSERT_GE(client, 0);
  send_all(client, "GET /sparse.bin HTTP/1.1\r\n\r\n");
  // A server that never answers fails the test instead of holding it.
  const timeval bound{5, 0};
  ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
  char head[256] = {};
  size_t got = 0;
  while (got < sizeof head - 1) {
    const ssize_t n = ::recv(client, head + got, sizeof head - 1 - got, 0);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(client);
  EXPECT_NE(std::string(head).find("Content-Length: 5368709123\r\n"), std::string::npos) << head;
}

TEST_F(http_server, a_large_file_arrives_whole_through_curl) {
  const std::string contents = patterned_bytes(3 * 1024 * 1024 + 17);
  write_file(home + "/large.bin", contents);
  start();
  std::string body;
  EXPECT_EQ(curl("/large.bin", &body), "200");
  EXPECT_TRUE(body == contents);
}

TEST_F(http_server, an_unknown_scheme_serves_nothing) {
  start("smb://host/share");
  EXPECT_TRUE(get("/").starts_with("HTTP/1.1 404 NOT FOUND\r\n"));
  EXPECT_TRUE(get("/README").starts_with("HTTP/1.1 404 NOT FOUND\r\n"));
}

TEST_F(http_server, a_second_start_is_refused_and_stop_closes_the_port) {
  start();
  EXPECT_FALSE(server->start(settings));
  EXPECT_NE(take_trace().find("[httpd] httpd is already running!"), std::string::npos);
  EXPECT_TRUE(server->stop());
  EXPECT_FALSE(server->is_running());
  EXPECT_LT(connect_loopback(port), 0);
  const std::string trace = take_trace();
  EXPECT_NE(trace.find("HTTP Server stopped"), std::string::npos);
  // It starts again on the same port at once, although served connections linger in TIME_WAIT.
  settings.port = port;
  ASSERT_TRUE(server->start(settings));
  EXPECT_TRUE(get("/README").ends_with("readme"));
}

TEST_F(http_server, a_port_in_use_fails_the_start_with_the_reason) {
  start();
  httpd second;
  httpd_param same = settings;
  same.port = port;
  EXPECT_FALSE(second.start(same));
  const std::string trace = take_trace();
  EXPECT_NE(trace.find("open server socket failed!"), std::string::npos);
  EXPECT_NE(trace.find("Address already in use"), std::string::npos);
}

TEST_F(http_server, without_a_home_index_the_program_folder_is_served) {
  settings.interface_address = INADDR_LOOPBACK;
  settings.port = 0;
  settings.home_index = -1;
  ASSERT_TRUE(server->start(settings));
  port = ntohs(server->listening.local_address->sin_port);
  EXPECT_NE(get("/").find("http_server_tests</a>"), std::string::npos);
}

}  // namespace
