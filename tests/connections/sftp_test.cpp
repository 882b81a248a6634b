// The explorer's file requests on an SSH2 connection against the loopback sshd of
// tests/peers/start (internal-sftp with umask 000, so modes are exact): listing, downloads and
// uploads of files and trees with name collisions, cancel and pause, delete, modify, make
// folder and their refusals. Transfers that fail are in sftp_failure_test.cpp, sessions that
// drop or time out in sftp_session_loss_test.cpp.
//
// The remote folder holds names with spaces, non-ASCII and invalid UTF-8 bytes, empty files, a
// symbolic link loop and a sparse 5 GiB file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "connections/sftp_handles.h"
#include "tests/connections/sftp_fixture.h"
#include "tests/support/freezing_proxy.h"

namespace {

using namespace sftp_test;

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
  // Waits until the file has not grown for `interval`; its size then, 0 when it kept growing.
  auto settled_size = [&](const std::string& path, std::chrono::milliseconds interval) {
    uintmax_t held = 0;
    bool settled = wait_until([&] {
      uintmax_t before = size_of(path);
      std::this_thread::sleep_for(interval);
      held = size_of(path);
      return held == before;
    });
    return settled ? held : uintmax_t{0};
  };
  for (bool cancel : {false, true}) {
    const std::string folder = cancel ? "cancelled" : "paused";
    SCOPED_TRACE(folder);
    remote.make_folder(folder);
    const std::string target = remote.at(folder + "/data.bin");
    ASSERT_TRUE(connection->request.place(request_upload,
                                          transfer_request{{local.file("data.bin")}, remote.at(folder) + "/"}));
    ASSERT_TRUE(wait_until([&] { return size_of(target) >= 2 * ssh2::transfer_block; }));
    // Held still (well inside the time-out), the upload stalls with requests in flight: the
    // server has written what reached it, and the file stops growing short of its end while the
    // request still runs.
    proxy.freeze();
    uintmax_t stalled = settled_size(target, 100ms);
    ASSERT_GE(stalled, 2 * ssh2::transfer_block);
    EXPECT_LT(stalled, data.size());
    EXPECT_EQ(connection->request.state.load(), request_running);
    {
      std::lock_guard<std::mutex> guard(monitor->lock);
      if (cancel) monitor->current->cancel();
      else monitor->current->set_paused(true);
    }
    proxy.thaw();
    if (!cancel) {
      // What was in flight lands; then the file stays as it is until the copy goes on.
      uintmax_t held = settled_size(target, 500ms);
      ASSERT_NE(held, 0u);
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

}  // namespace
