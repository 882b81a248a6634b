#pragma once
// What the SFTP request tests share: a monitor that records what transfers tell the main frame
// (and acts for the user), the fixture that connects an explorer session to the loopback sshd of
// tests/peers/start (or to a port of the test's own) and runs requests, and helpers that read
// trees and results.
//
// The remote side is a fresh folder of the test user (test_support::remote_tree); what SFTP did
// is checked on disk.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "config/session_record.h"
#include "config/text_convert.h"
#include "connections/file_request.h"
#include "connections/ssh2.h"
#include "connections/transfer_control.h"
#include "connections/transfer_progress.h"
#include "tests/connections/connection_test_support.h"
#include "tests/support/remote_tree.h"
#include "tests/support/temp_folder.h"

namespace sftp_test {

using namespace connection_test;
using test_support::file_content;
using test_support::mode_of;

inline const std::string invalid_name = "bad\xff\xfe name.bin";
inline const std::string unicode_name = "\xc3\x9cn\xc3\xaf c\xc3\xb6" "d\xc3\xa9.txt";  // "Ünï cödé.txt"
inline constexpr uint64_t five_gib = uint64_t{5} << 30;

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
    std::function<void(transfer_control&)> act;
    {
      std::lock_guard<std::mutex> guard(lock);
      ++ends;
      ended_after_end = transfer->ended();
      act = on_end;
    }
    if (act) act(*transfer);
  }

  std::mutex lock;
  std::function<void(transfer_control&)> on_begin;
  std::function<void(transfer_control&)> on_end;
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
inline std::set<std::string> tree_of(const std::string& root) {
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

inline void write_local(const std::string& path, const std::string& content) {
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

  // A transfer during which `act` runs once on the worker, when the copy is under way (at its
  // first percent); the test fails when the transfer ended before that.
  file_request_result transfer_acting_mid_copy(int32_t kind, std::vector<std::string> sources, std::string target,
                                               const std::function<void()>& act) {
    std::atomic<bool> acted{false};
    monitor->on_progress = [&](transfer_control&, const transfer_progress& report) {
      if (report.percent > 0 && !acted.exchange(true)) act();
    };
    file_request_result result = transfer(kind, std::move(sources), std::move(target));
    monitor->on_progress = nullptr;
    EXPECT_TRUE(acted) << "the transfer ended before its first percent";
    return result;
  }

  // A local file of `size` zero bytes that takes no room, so reading it costs nothing.
  std::string sparse_local(const std::string& name, uint64_t size) {
    const std::string path = local.file(name);
    write_local(path, "");
    std::filesystem::resize_file(path, size);
    return path;
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

inline bool starts_with(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }
inline bool ends_with(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The names a listing holds.
inline std::set<std::string> names_in(const file_request_result& listing) {
  std::set<std::string> names;
  for (const auto& entry : listing.listing) names.insert(entry->name);
  return names;
}

}  // namespace sftp_test
