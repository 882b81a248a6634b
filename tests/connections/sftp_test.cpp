// The explorer's file requests on an SSH2 connection against the loopback sshd of
// tests/peers/start (internal-sftp with umask 000, so modes are exact): listing, downloads and
// uploads of files and trees with name collisions, cancel and pause, delete, modify, make
// folder, failures and skipped entries that fail a transfer and remove a partial file (at once, or
// with the next session after a drop or a time-out, killed or frozen in an sshd of the test's
// own), the time-out of a peer that hangs and the new session after it, and (from a scripted
// SFTP server behind such an sshd) names no file system holds.
//
// The remote side is a fresh folder of the test user (test_support::remote_tree) holding names
// with spaces, non-ASCII and invalid UTF-8 bytes, empty files, a symbolic link loop and a sparse
// 5 GiB file; what SFTP did is checked on disk.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "config/session_record.h"
#include "config/text_convert.h"
#include "connections/sftp_handles.h"
#include "connections/ssh2.h"
#include "connections/transfer_control.h"
#include "connections/transfer_progress.h"
#include "tests/connections/connection_test_support.h"
#include "tests/connections/private_sshd.h"
#include "tests/support/freezing_proxy.h"
#include "tests/support/remote_tree.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace connection_test;
using test_support::file_content;
using test_support::mode_of;

const std::string invalid_name = "bad\xff\xfe name.bin";
const std::string unicode_name = "\xc3\x9cn\xc3\xaf c\xc3\xb6" "d\xc3\xa9.txt";  // "Ünï cödé.txt"
constexpr uint64_t five_gib = uint64_t{5} << 30;

// Records what transfers tell the main frame; the callbacks act for the user (on the worker).
class recording_monitor : public transfer_monitor {
 public:
  void transfer_begin(std::shared_ptr<transfer_control> transfer) override {
    std::function<void(transfer_control&)> act;
    {
      std::lock_guard<std::mutex> guard(lock);
      ++begins;
      directions.push_back(transfer->download);
      current = transfer;
      act = on_begin;
    }
    if (act) act(*transfer);
  }
  void transfer_progress_ready(std::shared_ptr<transfer_control> transfer) override {
    transfer_progress report = transfer->take_progress();
    std::function<void(transfer_control&, const transfer_progress&)> act;
    {
      std::lock_guard<std::mutex> guard(lock);
      if (report.action) actions.push_back(*report.action);
      if (report.detail) details.push_back(*report.detail);
      if (report.file) files.push_back(wcs_to_string(*report.file));
      if (report.percent) percents.push_back(report.percent);
      act = on_progress;
    }
    if (act) act(*transfer, report);
  }
  void transfer_end(std::shared_ptr<transfer_control> transfer) override {
    std::lock_guard<std::mutex> guard(lock);
    ++ends;
    ended_after_end = transfer->ended();
  }

  std::mutex lock;
  std::function<void(transfer_control&)> on_begin;
  std::function<void(transfer_control&, const transfer_progress&)> on_progress;
  std::shared_ptr<transfer_control> current;
  int begins = 0;
  int ends = 0;
  bool ended_after_end = false;
  std::vector<bool> directions;
  std::vector<std::u16string> actions, details;
  std::vector<std::string> files;
  std::vector<int32_t> percents;
};

// Every path below `root`, relative, folders with a trailing '/'; links are listed as such.
std::set<std::string> tree_of(const std::string& root) {
  std::set<std::string> found;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::string relative = it->path().string().substr(root.size() + 1);
    if (it->is_symlink(ec)) found.insert(relative + "@");
    else if (it->is_directory(ec)) found.insert(relative + "/");
    else found.insert(relative);
  }
  return found;
}

void write_local(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

class sftp_requests : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PEER(!env("TESSARY_SSH_PORT").empty(), "sshd (tests/peers/start)");
    REQUIRE_PEER(remote.ok(), "root and the sshd test user (tests/peers/start)");
    setenv("HOME", home.path().c_str(), 1);
    setenv("APPDATA", appdata.path().c_str(), 1);
    set_transfer_monitor(monitor);
  }
  void TearDown() override {
    if (connection) connection->release();
    set_transfer_monitor(nullptr);
  }

  // An explorer connection to the sshd (or to `port`), connected.
  void connect(uint16_t port = 0) {
    ssh2_param param;
    param.hostname = env("TESSARY_SSH_HOST");
    param.port = port ? port : static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
    param.username = env("TESSARY_SSH_USER");
    param.password = env("TESSARY_SSH_PASSWORD");
    connection = std::make_shared<ssh2>("uuid-sftp", param);
    connection->mode = session_view_explorer;
    connection->set_owner(owner);
    connection->start();
    ASSERT_TRUE(owner->wait_for_state(state_connected));
  }

  // Places a request, waits for its result and takes it out of the mailbox.
  file_request_result run(int32_t kind, file_request_argument argument, std::chrono::milliseconds limit = 30s) {
    if (!connection) connect();
    EXPECT_TRUE(connection->request.place(kind, std::move(argument)));
    EXPECT_TRUE(wait_until([&] { return connection->request.state.load() == request_done; }, limit));
    auto result = connection->request.collect();
    return result ? std::move(*result) : file_request_result{};
  }

  // The states reported since `before` show a session of its own: connecting, then connected.
  void expect_new_session(const std::vector<connection_state>& before) {
    std::vector<connection_state> after = owner->states();
    ASSERT_GE(after.size(), before.size() + 2);
    EXPECT_EQ(after[before.size()], state_connecting);
    EXPECT_EQ(after.back(), state_connected);
  }

  file_request_result transfer(int32_t kind, std::vector<std::string> sources, std::string target) {
    return run(kind, transfer_request{std::move(sources), std::move(target)});
  }

  // The fixture tree: tree/ with every kind of name, an empty file, a sub-folder two deep and a
  // link to itself; beside it a file with a space.
  void make_tree() {
    remote.make_folder("tree");
    remote.write_file("tree/" + unicode_name, "unicode\n");
    remote.write_file("tree/" + invalid_name, std::string("\x00\x01\xff bytes", 9));
    remote.write_file("tree/empty", "");
    remote.make_folder("tree/sub");
    remote.write_file("tree/sub/inner.txt", "inner\n");
    remote.make_folder("tree/sub/deeper");
    remote.write_file("tree/sub/deeper/leaf.txt", "leaf\n");
    remote.make_link("tree/loop", ".");
    remote.write_file("with space.txt", "space\n");
  }

  const std::set<std::string> tree_files{unicode_name, invalid_name, "empty", "sub/", "sub/inner.txt",
                                         "sub/deeper/", "sub/deeper/leaf.txt"};

  test_support::remote_tree remote;
  test_support::temp_folder local;
  test_support::temp_folder home;
  test_support::temp_folder appdata;
  std::shared_ptr<recording_owner> owner = std::make_shared<recording_owner>();
  std::shared_ptr<recording_monitor> monitor = std::make_shared<recording_monitor>();
  std::shared_ptr<ssh2> connection;
};

TEST_F(sftp_requests, listing_gives_every_entry_but_dot_with_its_bytes_and_attributes) {
  make_tree();
  remote.make_sparse("sparse", five_gib);
  timespec times[2] = {{1500000000, 0}, {1600000000, 0}};
  utimensat(AT_FDCWD, remote.at("with space.txt").c_str(), times, AT_SYMLINK_NOFOLLOW);

  file_request_result result = run(request_list_folder, remote.path());
  ASSERT_EQ(result.success, 1) << wcs_to_string(result.error_text);
  std::map<std::string, const file_entry*> by_name;
  for (const auto& entry : result.listing) by_name[entry->name] = entry.get();
  std::set<std::string> names;
  for (const auto& [name, entry] : by_name) names.insert(name);
  EXPECT_EQ(names, (std::set<std::string>{"..", "tree", "with space.txt", "sparse"}));

  const file_entry& tree = *by_name.at("tree");
  EXPECT_EQ(tree.mode, "drwxr-xr-x");
  EXPECT_EQ(tree.owner, env("TESSARY_SSH_USER"));
  EXPECT_EQ(tree.group, env("TESSARY_SSH_USER"));
  EXPECT_GE(tree.links, 3);
  const file_entry& spaced = *by_name.at("with space.txt");
  EXPECT_EQ(spaced.mode, "-rw-r--r--");
  EXPECT_EQ(spaced.size, 6u);
  EXPECT_EQ(spaced.atime, 1500000000u);
  EXPECT_EQ(spaced.mtime, 1600000000u);
  EXPECT_EQ(by_name.at("sparse")->size, five_gib);

  result = run(request_list_folder, remote.at("tree"));
  ASSERT_EQ(result.success, 1);
  names.clear();
  for (const auto& entry : result.listing) {
    names.insert(entry->name);
    if (entry->name == "loop") {
      EXPECT_EQ(entry->mode[0], 'l');
    }
  }
  EXPECT_EQ(names, (std::set<std::string>{"..", unicode_name, invalid_name, "empty", "sub", "loop"}));
}

TEST_F(sftp_requests, listing_a_missing_folder_fails_with_the_status) {
  file_request_result result = run(request_list_folder, remote.at("missing"));
  EXPECT_EQ(result.success, 0);
  EXPECT_EQ(result.error_text, u"Failed to list the folder (2)");
  EXPECT_TRUE(result.listing.empty());
}

// The server looks up every entry it lists; in a folder that may be read but not searched it
// can look up none and sends none, not even "." and "..". That is a refusal, not an empty folder.
TEST_F(sftp_requests, listing_a_folder_that_cannot_be_searched_fails_with_the_status) {
  struct row {
    const char* name;
    mode_t mode;
    std::u16string error;  // empty: the listing succeeds with just ".."
  };
  const row rows[] = {
      {"readable, not searchable", 0644, u"Failed to list the folder (3)"},
      {"searchable, not readable", 0311, u"Failed to list the folder (3)"},
      {"empty", 0755, u""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    remote.make_folder(r.name);
    if (r.mode != 0755) remote.write_file(std::string(r.name) + "/inside.txt", "x");
    chmod(remote.at(r.name).c_str(), r.mode);
    file_request_result result = run(request_list_folder, remote.at(r.name));
    EXPECT_EQ(result.success, r.error.empty());
    EXPECT_EQ(result.error_text, r.error);
    std::set<std::string> names;
    for (const auto& entry : result.listing) names.insert(entry->name);
    EXPECT_EQ(names, r.error.empty() ? std::set<std::string>{".."} : std::set<std::string>{});
  }
}

TEST_F(sftp_requests, downloads_trees_and_files_renaming_only_the_top_level_on_collisions) {
  make_tree();
  std::vector<std::string> sources{remote.at("tree") + "/", remote.at("with space.txt")};
  for (int round = 0; round < 3; ++round) {
    file_request_result result = transfer(request_download, sources, local.path());
    EXPECT_EQ(result.success, 1);
  }
  for (std::string copy : {"tree", "tree (1)", "tree (2)"}) {
    // Inside a renamed copy every name is the original; the link loop is not followed.
    EXPECT_EQ(tree_of(local.file(copy)), tree_files) << copy;
    EXPECT_EQ(file_content(local.file(copy + "/" + invalid_name)), std::string("\x00\x01\xff bytes", 9));
    EXPECT_EQ(file_content(local.file(copy + "/sub/deeper/leaf.txt")), "leaf\n");
  }
  for (std::string copy : {"with space.txt", "with space.txt (1)", "with space.txt (2)"})
    EXPECT_EQ(file_content(local.file(copy)), "space\n") << copy;

  std::lock_guard<std::mutex> guard(monitor->lock);
  EXPECT_EQ(monitor->begins, 3);
  EXPECT_EQ(monitor->ends, 3);
  EXPECT_TRUE(monitor->ended_after_end);
  EXPECT_EQ(monitor->directions, (std::vector<bool>{true, true, true}));
  ASSERT_FALSE(monitor->actions.empty());
  EXPECT_EQ(monitor->actions.back(), u"downloading...");
  // 8 + 9 + 6 + 5 bytes in the tree, 6 beside it.
  EXPECT_EQ(monitor->details.back(), u"total size 34 Bytes");
  for (int32_t percent : monitor->percents) EXPECT_LE(percent, 100);
}

TEST_F(sftp_requests, uploads_trees_and_files_with_exact_modes_renaming_only_the_top_level) {
  std::string up = local.file("up");
  std::filesystem::create_directories(up + "/sub/deeper");
  write_local(up + "/" + unicode_name, "unicode\n");
  write_local(up + "/" + invalid_name, std::string("\x00\x01\xff bytes", 9));
  write_local(up + "/empty", "");
  write_local(up + "/sub/inner.txt", "inner\n");
  write_local(up + "/sub/deeper/leaf.txt", "leaf\n");
  std::filesystem::create_directory_symlink(".", up + "/loop");
  write_local(local.file("single.txt"), "single\n");
  remote.write_file("single.txt", "there before\n");

  for (int round = 0; round < 2; ++round) {
    file_request_result result = transfer(request_upload, {up + "/", local.file("single.txt")}, remote.path() + "/");
    EXPECT_EQ(result.success, 1);
  }
  for (std::string copy : {"up", "up (1)"}) {
    EXPECT_EQ(tree_of(remote.at(copy)), tree_files) << copy;
    EXPECT_EQ(mode_of(remote.at(copy)), 0755);
    EXPECT_EQ(mode_of(remote.at(copy + "/sub/deeper")), 0755);
    EXPECT_EQ(mode_of(remote.at(copy + "/" + invalid_name)), 0644);
    EXPECT_EQ(file_content(remote.at(copy + "/" + invalid_name)), std::string("\x00\x01\xff bytes", 9));
    EXPECT_EQ(file_content(remote.at(copy + "/sub/deeper/leaf.txt")), "leaf\n");
  }
  EXPECT_EQ(file_content(remote.at("single.txt")), "there before\n");
  EXPECT_EQ(file_content(remote.at("single.txt (1)")), "single\n");
  EXPECT_EQ(file_content(remote.at("single.txt (2)")), "single\n");
  std::lock_guard<std::mutex> guard(monitor->lock);
  EXPECT_EQ(monitor->directions, (std::vector<bool>{false, false}));
  EXPECT_EQ(monitor->actions.back(), u"uploading...");
  EXPECT_EQ(monitor->details.back(), u"total size 35 Bytes");
}

// A number in parentheses that is part of the name is not a copy number: the copies get the
// marker added, both ways.
TEST_F(sftp_requests, a_name_with_its_own_number_in_parentheses_gets_the_copy_marker_added) {
  const std::string name = "invoice(2023).pdf";
  remote.write_file(name, "remote\n");
  write_local(local.file(name), "local\n");
  struct row {
    int32_t kind;
    std::string source, target;
    std::function<std::string(const std::string&)> at;
  };
  const row rows[] = {
      {request_download, remote.at(name), local.path(), [&](const std::string& n) { return local.file(n); }},
      {request_upload, local.file(name), remote.path() + "/", [&](const std::string& n) { return remote.at(n); }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.kind);
    for (int round = 0; round < 2; ++round) EXPECT_EQ(transfer(r.kind, {r.source}, r.target).success, 1);
    EXPECT_EQ(file_content(r.at(name + " (1)")), file_content(r.source));
    EXPECT_EQ(file_content(r.at(name + " (2)")), file_content(r.source));
    EXPECT_EQ(mode_of(r.at("invoice(2024).pdf")), -1);
  }
}

TEST_F(sftp_requests, cancelling_an_upload_mid_file_removes_the_remote_file) {
  // Sparse locally too: reading it costs nothing.
  std::string big = local.file("big.bin");
  write_local(big, "");
  std::filesystem::resize_file(big, 64 << 20);
  monitor->on_progress = [](transfer_control& transfer, const transfer_progress& report) {
    if (report.file) transfer.cancel();
  };
  file_request_result result = transfer(request_upload, {big, local.file("never.txt")}, remote.path());
  EXPECT_EQ(result.success, 1);
  EXPECT_EQ(mode_of(remote.at("big.bin")), -1);
  std::lock_guard<std::mutex> guard(monitor->lock);
  // The first file was begun; after the cancel no further source is.
  EXPECT_EQ(monitor->files, (std::vector<std::string>{big}));
  EXPECT_EQ(monitor->ends, 1);
}

TEST_F(sftp_requests, cancelling_a_download_keeps_the_finished_files_and_deletes_the_one_begun) {
  make_tree();
  remote.make_sparse("tree/sub/zz-sparse", five_gib);
  monitor->on_progress = [](transfer_control& transfer, const transfer_progress& report) {
    if (report.file && report.file->find(u"zz-sparse") != std::u16string::npos) transfer.cancel();
  };
  file_request_result result = transfer(request_download, {remote.at("tree") + "/"}, local.path());
  EXPECT_EQ(result.success, 1);
  std::set<std::string> copied = tree_of(local.file("tree"));
  EXPECT_FALSE(copied.count("sub/zz-sparse"));
  EXPECT_TRUE(copied.count("sub/"));
  std::lock_guard<std::mutex> guard(monitor->lock);
  // Every file reported before the large one was copied whole.
  for (const std::string& file : monitor->files) {
    if (file.find("zz-sparse") != std::string::npos) continue;
    std::string relative = file.substr(remote.at("tree").size() + 1);
    EXPECT_EQ(file_content(local.file("tree/" + relative)), file_content(file)) << relative;
  }
  EXPECT_EQ(monitor->details.back(), u"total size " + mbs_to_wstring(std::to_string(five_gib + 28)) + u" Bytes");
}

TEST_F(sftp_requests, pause_holds_the_copy_until_resumed) {
  std::string data(3 * ssh2::transfer_block + 12345, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4096);
  write_local(local.file("data.bin"), data);
  monitor->on_begin = [](transfer_control& transfer) { transfer.set_paused(true); };
  connect();
  ASSERT_TRUE(connection->request.place(request_upload,
                                        transfer_request{{local.file("data.bin")}, remote.path() + "/"}));
  // One block goes before the first query, then nothing while paused.
  ASSERT_TRUE(wait_until([&] { return std::filesystem::exists(remote.at("data.bin")); }));
  std::this_thread::sleep_for(1200ms);
  EXPECT_LE(std::filesystem::file_size(remote.at("data.bin")), ssh2::transfer_block);
  EXPECT_EQ(connection->request.state.load(), request_running);
  {
    std::lock_guard<std::mutex> guard(monitor->lock);
    monitor->current->set_paused(false);
  }
  ASSERT_TRUE(wait_until([&] { return connection->request.state.load() == request_done; }));
  EXPECT_EQ(file_content(remote.at("data.bin")), data);
}

// An upload keeps blocks in flight and reads on behind them: a file of many blocks paused or
// cancelled mid-file keeps every byte in its place once resumed, and after a cancel the session
// is still in step for the next request.
TEST_F(sftp_requests, an_upload_stopped_mid_file_keeps_its_bytes_in_place_and_the_session_in_step) {
  std::string data(40 * ssh2::transfer_block + 4321, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 4096 + i / 1000003);
  write_local(local.file("data.bin"), data);
  write_local(local.file("after.txt"), "after\n");
  test_support::freezing_proxy proxy(env("TESSARY_SSH_HOST"), static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT"))));
  ASSERT_TRUE(proxy.valid());
  connect(proxy.port());
  const size_t states = owner->states().size();
  auto size_of = [](const std::string& path) {
    std::error_code ec;
    uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? uintmax_t{0} : size;
  };
  for (bool cancel : {false, true}) {
    const std::string folder = cancel ? "cancelled" : "paused";
    SCOPED_TRACE(folder);
    remote.make_folder(folder);
    const std::string target = remote.at(folder + "/data.bin");
    ASSERT_TRUE(connection->request.place(request_upload,
                                          transfer_request{{local.file("data.bin")}, remote.at(folder) + "/"}));
    ASSERT_TRUE(wait_until([&] { return size_of(target) >= 2 * ssh2::transfer_block; }));
    // Held still for a moment (well inside the time-out), the upload fills the server's window
    // and waits with requests half sent.
    proxy.freeze();
    std::this_thread::sleep_for(300ms);
    {
      std::lock_guard<std::mutex> guard(monitor->lock);
      if (cancel) monitor->current->cancel();
      else monitor->current->set_paused(true);
    }
    proxy.thaw();
    if (!cancel) {
      // What was in flight lands; then the file stays as it is until the copy goes on.
      uintmax_t held = 0;
      ASSERT_TRUE(wait_until([&] {
        uintmax_t before = size_of(target);
        std::this_thread::sleep_for(500ms);
        held = size_of(target);
        return held == before;
      }));
      EXPECT_LT(held, data.size());
      EXPECT_EQ(connection->request.state.load(), request_running);
      std::lock_guard<std::mutex> guard(monitor->lock);
      monitor->current->set_paused(false);
    }
    ASSERT_TRUE(wait_until([&] { return connection->request.state.load() == request_done; }));
    EXPECT_EQ(connection->request.collect()->success, 1);
    if (cancel) {
      EXPECT_EQ(mode_of(target), -1);
      EXPECT_EQ(transfer(request_upload, {local.file("after.txt")}, remote.at(folder) + "/").success, 1);
      EXPECT_EQ(file_content(remote.at(folder + "/after.txt")), "after\n");
    } else {
      EXPECT_TRUE(file_content(target) == data);
    }
  }
  // One session did it all: none timed out and was replaced.
  EXPECT_EQ(owner->states().size(), states);
}

// The reports while copying are throttled and may lag behind; a pause shows what is done at
// once, and says so, until the copy goes on.
TEST_F(sftp_requests, a_pause_shows_the_fraction_done_at_once_and_going_on_brings_the_action_back) {
  constexpr uint64_t size = uint64_t{1} << 30;
  remote.make_sparse("big.bin", size);
  bool paused = false;
  monitor->on_progress = [&](transfer_control& transfer, const transfer_progress& report) {
    if (report.percent > 0 && !paused) transfer.set_paused(paused = true);
  };
  connect();
  ASSERT_TRUE(connection->request.place(request_download, transfer_request{{remote.at("big.bin")}, local.path()}));
  auto last_action = [&] {
    std::lock_guard<std::mutex> guard(monitor->lock);
    return monitor->actions.empty() ? std::u16string() : monitor->actions.back();
  };
  ASSERT_TRUE(wait_until([&] { return last_action() == u"paused"; }));
  {
    std::lock_guard<std::mutex> guard(monitor->lock);
    // Nothing is written while paused: the file holds what was done.
    EXPECT_EQ(monitor->percents.back(), transfer_percent(std::filesystem::file_size(local.file("big.bin")), size));
    monitor->on_progress = [](transfer_control& transfer, const transfer_progress& report) {
      if (report.percent > 0) transfer.cancel();
    };
    monitor->current->set_paused(false);
  }
  ASSERT_TRUE(wait_until([&] { return connection->request.state.load() == request_done; }));
  std::lock_guard<std::mutex> guard(monitor->lock);
  EXPECT_EQ(monitor->actions, (std::vector<std::u16string>{u"downloading...", u"paused", u"downloading..."}));
}

TEST_F(sftp_requests, delete_removes_trees_depth_first_and_unlinks_links_without_following_them) {
  make_tree();
  remote.make_folder("outside");
  remote.write_file("outside/kept.txt", "kept\n");
  remote.make_link("tree/sub/to-outside", "../../outside");
  file_request_result result =
      run(request_delete_files, std::vector<std::string>{remote.at("tree") + "/", remote.at("with space.txt")});
  EXPECT_EQ(result.success, 1) << wcs_to_string(result.error_text);
  EXPECT_EQ(tree_of(remote.path()), (std::set<std::string>{"outside/", "outside/kept.txt"}));
}

TEST_F(sftp_requests, delete_stops_at_a_folder_it_cannot_open) {
  remote.make_folder("locked");
  remote.write_file("locked/inside.txt", "x");
  chmod(remote.at("locked").c_str(), 0);
  remote.write_file("after.txt", "after\n");
  file_request_result result =
      run(request_delete_files, std::vector<std::string>{remote.at("locked") + "/", remote.at("after.txt")});
  EXPECT_EQ(result.success, 0);
  EXPECT_EQ(result.error_text, mbs_to_wstring("Failed delete " + remote.at("locked") + "/ (-31)"));
  EXPECT_EQ(file_content(remote.at("after.txt")), "after\n");
}

TEST_F(sftp_requests, modify_renames_and_changes_modes) {
  struct row {
    const char* name;
    std::string from, to;
    int mode;
    int success;
    std::u16string error;
    int final_mode;  // of `to`
    int from_mode;   // of `from` afterwards (-1: gone)
  };
  const std::string bytes_name = "old\xff.txt";
  const std::string bytes_new = "new\xfe name.txt";
  const row rows[] = {
      {"rename only", "a.txt", "b.txt", -1, 1, u"", 0644, -1},
      {"mode only", "c.txt", "c.txt", 0600, 1, u"", 0600, 0600},
      {"both", "d.txt", "e.txt", 0640, 1, u"", 0640, -1},
      {"neither", "f.txt", "f.txt", -1, 1, u"", 0644, 0644},
      {"invalid UTF-8 names", bytes_name, bytes_new, -1, 1, u"", 0644, -1},
      // The server does not overwrite: a clear error, and both files stay as they were.
      {"onto an existing file", "g.txt", "h.txt", -1, 0, mbs_to_wstring("Failed rename " + remote.at("g.txt") + " (-31)"),
       0644, 0644},
      // With a mode as well: the mode goes to the file that was chosen, never to the other one.
      {"onto an existing file with a mode", "i.txt", "j.txt", 0777, 0,
       mbs_to_wstring("Failed rename " + remote.at("i.txt") + " (-31)"), 0644, 0777},
  };
  for (const row& r : rows) remote.write_file(r.from, r.from);
  remote.write_file("h.txt", "h.txt");
  remote.write_file("j.txt", "j.txt");
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    file_request_result result = run(request_modify_entry, modify_request{remote.at(r.from), remote.at(r.to), r.mode});
    EXPECT_EQ(result.success, r.success);
    EXPECT_EQ(result.error_text, r.error);
    EXPECT_EQ(mode_of(remote.at(r.to)), r.final_mode);
    EXPECT_EQ(mode_of(remote.at(r.from)), r.from_mode);
  }
  EXPECT_EQ(file_content(remote.at(bytes_new)), bytes_name);
  for (const char* kept : {"g.txt", "h.txt", "i.txt", "j.txt"}) EXPECT_EQ(file_content(remote.at(kept)), kept);
}

TEST_F(sftp_requests, a_refused_mode_change_is_reported) {
  file_request_result result =
      run(request_modify_entry, modify_request{remote.at("gone"), remote.at("gone"), 0600});
  EXPECT_EQ(result.success, 0);
  EXPECT_EQ(result.error_text, mbs_to_wstring("Failed chmod " + remote.at("gone") + " (-31)"));
}

TEST_F(sftp_requests, make_folder_uses_the_mode_and_reports_a_refusal) {
  file_request_result result = run(request_make_folder, make_folder_request{remote.at("new"), 0750});
  EXPECT_EQ(result.success, 1);
  EXPECT_EQ(mode_of(remote.at("new")), 0750);
  result = run(request_make_folder, make_folder_request{remote.at("new"), 0750});
  EXPECT_EQ(result.success, 0);
  EXPECT_EQ(result.error_text, mbs_to_wstring("Failed mkdir " + remote.at("new") + " (-31)"));
}

TEST_F(sftp_requests, a_download_that_cannot_be_written_fails_and_removes_its_partial_file) {
  remote.write_file("large.bin", std::string(3 << 20, 'x'));
  connect();
  // Files of this process may not grow beyond 1 MiB while the download runs.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit before{};
  getrlimit(RLIMIT_FSIZE, &before);
  rlimit limited = before;
  limited.rlim_cur = 1 << 20;
  setrlimit(RLIMIT_FSIZE, &limited);
  testing::internal::CaptureStderr();
  file_request_result result = transfer(request_download, {remote.at("large.bin")}, local.path());
  std::string said = testing::internal::GetCapturedStderr();
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, SIG_DFL);
  const std::string reason = "Download of " + remote.at("large.bin") + " failed, writing " + local.file("large.bin") +
                             " failed: File too large; the partial file " + local.file("large.bin") + " was removed";
  EXPECT_EQ(result.success, 0);
  EXPECT_EQ(wcs_to_string(result.error_text), reason);
  EXPECT_FALSE(std::filesystem::exists(local.file("large.bin")));
  EXPECT_NE(said.find(reason), std::string::npos) << said;
}

// A connection that goes away part way through a file: the download fails with the reason.
TEST_F(sftp_requests, a_download_cut_short_by_the_connection_fails_with_the_reason) {
  test_support::freezing_proxy proxy(env("TESSARY_SSH_HOST"), static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT"))));
  ASSERT_TRUE(proxy.valid());
  remote.make_sparse("big.bin", uint64_t{1} << 30);
  connect(proxy.port());
  // The first percent comes while the file is being read.
  std::atomic<bool> cut{false};
  monitor->on_progress = [&](transfer_control&, const transfer_progress& report) {
    if (report.percent > 0 && !cut.exchange(true)) proxy.cut();
  };
  file_request_result result = transfer(request_download, {remote.at("big.bin")}, local.path());
  EXPECT_TRUE(cut);
  EXPECT_EQ(result.success, 0);
  std::string text = wcs_to_string(result.error_text);
  EXPECT_EQ(text.rfind("Download of " + remote.at("big.bin") + " failed, reading it failed: ", 0), 0u) << text;
  EXPECT_NE(text.find("; the partial file " + local.file("big.bin") + " was removed"), std::string::npos) << text;
  EXPECT_FALSE(std::filesystem::exists(local.file("big.bin")));
}

// As OpenSSH's sftp makes them: a private file stays private. A folder its owner may not write
// is filled first and gets its own bits afterwards.
TEST_F(sftp_requests, downloads_give_copies_the_remote_permission_bits_less_the_umask) {
  struct row {
    std::string path;
    mode_t mode;
    bool folder;
  };
  const row rows[] = {
      {"perm", 0750, true},           {"perm/private", 0600, false},          {"perm/script", 0755, false},
      {"perm/shared", 0666, false},   {"perm/locked", 0500, true},            {"perm/locked/read-only", 0444, false},
      {"top-secret", 0600, false},
  };
  for (const row& r : rows) {
    if (r.folder) remote.make_folder(r.path);
    else remote.write_file(r.path, r.path);
  }
  // Deepest first, so every folder can still be filled.
  for (auto r = std::rbegin(rows); r != std::rend(rows); ++r) chmod(remote.at(r->path).c_str(), r->mode);
  mode_t umask_before = umask(022);
  file_request_result result = transfer(request_download, {remote.at("perm") + "/", remote.at("top-secret")}, local.path());
  umask(umask_before);
  EXPECT_EQ(result.success, 1) << wcs_to_string(result.error_text);
  for (const row& r : rows) {
    EXPECT_EQ(mode_of(local.file(r.path)), static_cast<int>(r.mode & ~mode_t{022})) << r.path;
    if (!r.folder) {
      EXPECT_EQ(file_content(local.file(r.path)), r.path);
    }
  }
}

TEST_F(sftp_requests, an_upload_whose_local_read_fails_removes_the_remote_file) {
  // A folder named as a file opens, but reading it fails.
  std::filesystem::create_directory(local.file("not-a-file"));
  testing::internal::CaptureStderr();
  file_request_result result = transfer(request_upload, {local.file("not-a-file")}, remote.path());
  std::string said = testing::internal::GetCapturedStderr();
  const std::string reason = "Upload of " + local.file("not-a-file") + " failed, the local file cannot be read: " +
                             "Is a directory; the partial file " + remote.at("not-a-file") + " was removed";
  EXPECT_EQ(result.success, 0);
  EXPECT_EQ(wcs_to_string(result.error_text), reason);
  EXPECT_EQ(mode_of(remote.at("not-a-file")), -1);
  EXPECT_NE(said.find(reason), std::string::npos) << said;
}

bool starts_with(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }
bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// What the next request lists of `folder`.
std::set<std::string> names_in(const file_request_result& listing) {
  std::set<std::string> names;
  for (const auto& entry : listing.listing) names.insert(entry->name);
  return names;
}

// The server refuses the file: a folder the test user may not write, and a file system that
// fills up part way (a tmpfs of 8 MiB mounted in the test user's folder for the test).
TEST_F(sftp_requests, an_upload_the_server_refuses_fails_with_the_reason_and_leaves_no_file) {
  remote.make_folder("locked", 0555);
  remote.make_folder("full");
  struct stat owner {};
  ASSERT_EQ(stat(remote.path().c_str(), &owner), 0);
  const std::string options =
      "size=8m,mode=0755,uid=" + std::to_string(owner.st_uid) + ",gid=" + std::to_string(owner.st_gid);
  if (mount("tmpfs", remote.at("full").c_str(), "tmpfs", 0, options.c_str()) != 0)
    GTEST_SKIP() << "no full file system: a tmpfs cannot be mounted here (" << std::strerror(errno) << ")";
  struct unmount {
    std::string path;
    ~unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmounted{remote.at("full")};
  const std::string big = local.file("big.bin");
  write_local(big, "");
  std::filesystem::resize_file(big, 16 << 20);
  struct row {
    std::string folder, head, tail;
  };
  const row rows[] = {
      {"locked", "Upload of " + big + " skipped: cannot open " + remote.at("locked/big.bin") + ": ", "(status 3)"},
      {"full", "Upload of " + big + " failed, the server did not take the data: ",
       "; the partial file " + remote.at("full/big.bin") + " was removed"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.folder);
    file_request_result result = transfer(request_upload, {big}, remote.at(r.folder) + "/");
    std::string text = wcs_to_string(result.error_text);
    EXPECT_EQ(result.success, 0);
    EXPECT_TRUE(starts_with(text, r.head)) << text;
    EXPECT_TRUE(ends_with(text, r.tail)) << text;
    file_request_result next = run(request_list_folder, remote.at(r.folder));
    EXPECT_EQ(next.success, 1) << wcs_to_string(next.error_text);
    EXPECT_EQ(names_in(next), std::set<std::string>{".."});
    EXPECT_EQ(mode_of(remote.at(r.folder + "/big.bin")), -1);
  }
}

// The session goes part way through a file: sshd's processes for the connection are killed (a
// drop) or stopped (a time-out). The upload fails with the reason, and the partial file, which
// that session could not remove, goes as soon as the next request has connected again.
TEST_F(sftp_requests, an_upload_cut_off_mid_file_fails_and_the_next_session_removes_its_partial_file) {
  private_sshd server("internal-sftp", env("TESSARY_SSH_USER"));
  ASSERT_TRUE(server.ready()) << "a private sshd could not be started: " << server.failure();
  const std::string big = local.file("big.bin");
  write_local(big, "");
  std::filesystem::resize_file(big, 64 << 20);
  struct row {
    const char* what;
    int signal;
    const char* reason;  // part of the error text
  };
  const row rows[] = {{"killed", SIGKILL, "failed, the server did not take the data: "},
                      {"frozen", SIGSTOP, "failed, the server did not take the data: timed out; reconnecting"}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    if (connection) connection->release();
    owner = std::make_shared<recording_owner>();
    connect(server.port());
    std::atomic<bool> cut{false};
    monitor->on_progress = [&](transfer_control&, const transfer_progress& report) {
      if (report.percent > 0 && !cut.exchange(true)) server.signal_sessions(r.signal);
    };
    file_request_result result = transfer(request_upload, {big}, remote.path() + "/");
    monitor->on_progress = nullptr;
    ASSERT_TRUE(cut) << "the upload ended before its first percent";
    std::string text = wcs_to_string(result.error_text);
    EXPECT_EQ(result.success, 0);
    EXPECT_TRUE(starts_with(text, "Upload of " + big + " ")) << text;
    EXPECT_NE(text.find(r.reason), std::string::npos) << text;
    EXPECT_TRUE(ends_with(text, "; the partial file " + remote.at("big.bin") + " is removed when the connection is back"))
        << text;
    file_request_result next = run(request_list_folder, remote.path());
    EXPECT_EQ(next.success, 1) << wcs_to_string(next.error_text);
    EXPECT_FALSE(names_in(next).count("big.bin"));
    EXPECT_EQ(mode_of(remote.at("big.bin")), -1);
  }
}

// A remote file the user may not read (mode 0640, another user's): the download fails with the
// reason and leaves no local file; in a folder, the files that can be read are still copied.
TEST_F(sftp_requests, a_download_of_a_file_the_user_may_not_read_fails_with_the_reason) {
  remote.write_file("secret", "secret\n", 0640);
  remote.make_folder("mixed");
  remote.write_file("mixed/open.txt", "open\n");
  remote.write_file("mixed/secret", "secret\n", 0640);
  for (const char* name : {"secret", "mixed/secret"}) ASSERT_EQ(chown(remote.at(name).c_str(), 0, 0), 0);
  struct row {
    std::string source, refused;
    std::set<std::string> copied;  // below the local folder
  };
  const row rows[] = {{remote.at("secret"), remote.at("secret"), {}},
                      {remote.at("mixed") + "/", remote.at("mixed/secret"), {"mixed/", "mixed/open.txt"}}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.source);
    file_request_result result = transfer(request_download, {r.source}, local.path());
    std::string text = wcs_to_string(result.error_text);
    EXPECT_EQ(result.success, 0);
    EXPECT_TRUE(starts_with(text, "Download of " + r.refused + " skipped: it cannot be opened: ")) << text;
    EXPECT_TRUE(ends_with(text, "(status 3)")) << text;
    EXPECT_EQ(tree_of(local.path()), r.copied);
  }
  EXPECT_EQ(file_content(local.file("mixed/open.txt")), "open\n");
}

// A link that appears at a target name while a folder is copied (another program racing the
// copy) is never written through: the file is skipped (which fails the request) and what the
// link points to is kept.
TEST_F(sftp_requests, a_link_placed_at_a_target_name_meanwhile_is_not_written_through) {
  remote.make_folder("down");
  remote.write_file("down/a", "remote a\n");
  remote.write_file("down/b", "remote b\n");
  remote.write_file("kept.txt", "kept remote\n");
  std::filesystem::create_directory(local.file("up"));
  write_local(local.file("up/a"), "local a\n");
  write_local(local.file("up/b"), "local b\n");
  write_local(local.file("kept.txt"), "kept local\n");
  struct row {
    int32_t kind;
    std::string source, target;
    // Makes a link named `name` in the copy's target folder, pointing to the kept file.
    std::function<void(const std::string& name)> plant;
  };
  const row rows[] = {
      {request_download, remote.at("down") + "/", local.path(),
       [&](const std::string& name) { symlink(local.file("kept.txt").c_str(), local.file("down/" + name).c_str()); }},
      {request_upload, local.file("up") + "/", remote.path() + "/",
       [&](const std::string& name) { remote.make_link("up/" + name, "../kept.txt"); }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.kind);
    // When the first file is begun, the other one's name is taken by a link.
    bool planted = false;
    monitor->on_progress = [&](transfer_control&, const transfer_progress& report) {
      if (!report.file || planted) return;
      planted = true;
      r.plant(report.file->back() == u'a' ? "b" : "a");
    };
    testing::internal::CaptureStderr();
    file_request_result result = transfer(r.kind, {r.source}, r.target);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.success, 0);
    EXPECT_TRUE(planted);
    std::string text = wcs_to_string(result.error_text);
    EXPECT_NE(text.find(" skipped: "), std::string::npos) << text;
    EXPECT_NE(said.find(text), std::string::npos) << said;
  }
  EXPECT_EQ(file_content(local.file("kept.txt")), "kept local\n");
  EXPECT_EQ(file_content(remote.at("kept.txt")), "kept remote\n");
}

// Names far longer than any file system holds (a hostile or odd server) come from a scripted
// SFTP server behind a real sshd: each is listed in full, in the server's order, and neither
// ends the listing, the one inside a reply nor the one that begins one. A download of the folder
// copies what can be made locally and fails, saying which name the local file system could not
// hold.
TEST_F(sftp_requests, names_longer_than_any_file_system_holds_do_not_end_a_listing) {
  private_sshd server(SCRIPTED_SFTP_SERVER, env("TESSARY_SSH_USER"));
  ASSERT_TRUE(server.ready()) << server.failure();
  connect(server.port());
  const std::string long_name = std::string(5000, 'a') + ".txt";
  const std::string longer_name = std::string(100000, 'b') + ".txt";
  file_request_result result = run(request_list_folder, std::string("/listing"));
  ASSERT_EQ(result.success, 1) << wcs_to_string(result.error_text);
  std::vector<std::string> names;
  for (const auto& entry : result.listing) names.push_back(entry->name);
  EXPECT_EQ(names, (std::vector<std::string>{"..", "first.txt", long_name, "middle.txt", longer_name, "last.txt"}));
  for (const auto& entry : result.listing) {
    if (entry->name != "..") {
      EXPECT_EQ(entry->size, entry->name.size());
      EXPECT_EQ(entry->mode, "-rw-r--r--");
    }
  }

  testing::internal::CaptureStderr();
  result = transfer(request_download, {"/listing/"}, local.path());
  std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(result.success, 0);
  EXPECT_EQ(wcs_to_string(result.error_text), "Download of /listing/" + long_name + " skipped: cannot make " +
                                                  local.file("listing/" + long_name) + ": File name too long");
  for (const char* copied : {"first.txt", "middle.txt", "last.txt"})
    EXPECT_EQ(file_content(local.file(std::string("listing/") + copied)), copied);
  EXPECT_EQ(tree_of(local.file("listing")), (std::set<std::string>{"first.txt", "middle.txt", "last.txt"}));
  EXPECT_NE(said.find("Download of /listing/" + long_name + " skipped"), std::string::npos) << said.substr(0, 300);
  EXPECT_NE(said.find("Download of /listing/" + longer_name + " skipped"), std::string::npos) << said.substr(0, 300);
}

// A folder-read reply larger than libssh2 takes: the listing did not reach the folder's end, so
// it fails instead of showing the first reply's entries as the whole folder. What is left of the
// reply breaks the session, so the next request connects again and works.
TEST_F(sftp_requests, a_listing_whose_reply_exceeds_the_packet_limit_fails_and_the_next_request_works) {
  private_sshd server(SCRIPTED_SFTP_SERVER, env("TESSARY_SSH_USER"));
  ASSERT_TRUE(server.ready());
  connect(server.port());
  file_request_result result = run(request_list_folder, std::string("/oversized"));
  EXPECT_EQ(result.success, 0);
  EXPECT_TRUE(result.listing.empty());
  EXPECT_EQ(result.error_text, u"Failed to list the folder: the server's reply was too large; reconnecting");

  std::vector<connection_state> before = owner->states();
  result = run(request_list_folder, std::string("/listing"));
  ASSERT_EQ(result.success, 1) << wcs_to_string(result.error_text);
  EXPECT_EQ(result.listing.size(), 6u);
  expect_new_session(before);
}

// A session that drops while no request runs (its process on the server killed, or the TCP
// connection closed) fails the next request with the reason; the request after it connects
// again and works.
TEST_F(sftp_requests, after_a_dropped_session_the_next_request_connects_again) {
  remote.write_file("here.txt", "here\n");
  private_sshd server("internal-sftp", env("TESSARY_SSH_USER"));
  ASSERT_TRUE(server.ready());
  test_support::freezing_proxy proxy(env("TESSARY_SSH_HOST"), static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT"))));
  ASSERT_TRUE(proxy.valid());
  struct row {
    const char* what;
    uint16_t port;
    std::function<void()> drop;
  };
  const row rows[] = {
      {"session process killed", server.port(), [&] { EXPECT_GT(server.signal_sessions(SIGKILL), 0); }},
      {"connection closed", proxy.port(), [&] { proxy.cut(); }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    if (connection) connection->release();
    owner = std::make_shared<recording_owner>();
    connect(r.port);
    ASSERT_EQ(run(request_list_folder, remote.path()).success, 1);
    r.drop();
    file_request_result failed = run(request_list_folder, remote.path());
    EXPECT_EQ(failed.success, 0);
    EXPECT_EQ(failed.error_text, u"Failed to list the folder: the connection was lost; reconnecting");

    std::vector<connection_state> before = owner->states();
    file_request_result next = run(request_list_folder, remote.path());
    ASSERT_EQ(next.success, 1) << wcs_to_string(next.error_text);
    std::set<std::string> names;
    for (const auto& entry : next.listing) names.insert(entry->name);
    EXPECT_EQ(names, (std::set<std::string>{"..", "here.txt"}));
    expect_new_session(before);
  }
}

// A name with a '/' or a NUL can only come from a hostile server; joined to the folder's path it
// would send a download, a size count or a delete outside the folder, so folder walks pass it
// over. Every other byte is a name's own.
TEST(remote_entry_names, only_a_slash_or_a_nul_makes_a_name_foreign) {
  struct row {
    std::string name;
    bool foreign;
  };
  const row rows[] = {{"../../.bashrc", true}, {"a/b", true},         {"/", true},
                      {std::string("x\0y", 3), true}, {"..", false},         {"a\\b", false},
                      {invalid_name, false},    {unicode_name, false}, {" lead", false}};
  for (const row& r : rows) {
    remote_entry entry;
    entry.name = r.name;
    EXPECT_EQ(entry.is_foreign_name(), r.foreign) << r.name;
  }
}

TEST_F(sftp_requests, a_peer_that_hangs_fails_the_request_after_the_time_out) {
  test_support::freezing_proxy proxy(env("TESSARY_SSH_HOST"), static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT"))));
  ASSERT_TRUE(proxy.valid());
  connect(proxy.port());
  ASSERT_EQ(run(request_list_folder, remote.path()).success, 1);
  proxy.freeze();
  auto began = std::chrono::steady_clock::now();
  file_request_result result = run(request_list_folder, remote.path(), 15s);
  auto waited = std::chrono::steady_clock::now() - began;
  EXPECT_EQ(result.success, 0);
  EXPECT_EQ(result.error_text, u"Failed to list the folder: timed out; reconnecting");
  EXPECT_GE(waited, 2900ms);
  EXPECT_LT(waited, 6s);
}

// A peer that stops while a request waits for it (a process stopped, then continued): the
// request fails after the time-out and says so. The reply that comes late must not be taken for
// the next request's: that one acts on what it names, over a new session.
TEST_F(sftp_requests, after_a_time_out_the_next_request_acts_on_what_it_names) {
  remote.make_folder("A");
  remote.write_file("A/a1", "a1");
  remote.write_file("A/a2", "a2");
  remote.make_folder("B");
  remote.write_file("B/b1", "b1");
  for (const char* name : {"ren1", "ren2", "del1", "del2"}) remote.write_file(name, name);
  remote.make_sparse("big.bin", uint64_t{1} << 30);
  remote.write_file("small.txt", "small\n");
  struct row {
    const char* what;
    int32_t kind;
    file_request_argument stalled, next;
    // The peer stops when the copy is under way, not before the request.
    bool mid_file;
    std::string error;  // of the stalled request, or how it begins
    std::function<void(const file_request_result&)> check;  // the next request's result
  };
  std::set<std::string> listed;
  const row rows[] = {
      {"list", request_list_folder, remote.at("A"), remote.at("B"), false,
       "Failed to list the folder: timed out; reconnecting",
       [&](const file_request_result& next) {
         std::set<std::string> names;
         for (const auto& entry : next.listing) names.insert(entry->name);
         EXPECT_EQ(names, (std::set<std::string>{"..", "b1"}));
       }},
      {"rename", request_modify_entry, modify_request{remote.at("ren1"), remote.at("ren1.new"), -1},
       modify_request{remote.at("ren2"), remote.at("ren2.new"), -1}, false,
       "Failed rename " + remote.at("ren1") + ": timed out; reconnecting",
       [&](const file_request_result&) {
         EXPECT_EQ(file_content(remote.at("ren2.new")), "ren2");
         EXPECT_EQ(mode_of(remote.at("ren2")), -1);
       }},
      {"delete", request_delete_files, std::vector<std::string>{remote.at("del1")},
       std::vector<std::string>{remote.at("del2")}, false, "Failed delete " + remote.at("del1") + ": timed out; reconnecting",
       [&](const file_request_result&) { EXPECT_EQ(mode_of(remote.at("del2")), -1); }},
      {"download", request_download, transfer_request{{remote.at("big.bin")}, local.path()},
       transfer_request{{remote.at("small.txt")}, local.path()}, true,
       "Download of " + remote.at("big.bin") + " failed, reading it failed: timed out; reconnecting; the partial file " +
           local.file("big.bin") + " was removed",
       [&](const file_request_result&) {
         EXPECT_EQ(file_content(local.file("small.txt")), "small\n");
         EXPECT_FALSE(std::filesystem::exists(local.file("big.bin")));
       }},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    test_support::freezing_proxy proxy(env("TESSARY_SSH_HOST"), static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT"))));
    ASSERT_TRUE(proxy.valid());
    if (connection) connection->release();
    owner = std::make_shared<recording_owner>();
    connect(proxy.port());
    std::atomic<bool> frozen{false};
    monitor->on_progress = [&](transfer_control&, const transfer_progress& report) {
      if (r.mid_file && report.percent > 0 && !frozen.exchange(true)) proxy.freeze();
    };
    if (!r.mid_file) {
      frozen = true;
      proxy.freeze();
    }
    file_request_result stalled = run(r.kind, r.stalled);
    EXPECT_TRUE(frozen);
    EXPECT_EQ(stalled.success, 0);
    EXPECT_EQ(wcs_to_string(stalled.error_text), r.error);
    proxy.thaw();
    std::vector<connection_state> before = owner->states();
    file_request_result next = run(r.kind, r.next);
    EXPECT_EQ(next.success, 1) << wcs_to_string(next.error_text);
    r.check(next);
    expect_new_session(before);
    monitor->on_progress = nullptr;
  }
}

}  // namespace
