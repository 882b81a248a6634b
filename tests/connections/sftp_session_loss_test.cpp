// SFTP sessions that go while a request runs or between requests, against the loopback sshd of
// tests/peers/start or an sshd of the test's own whose session processes are killed (a drop) or
// stopped (a peer that hangs), or behind a proxy that cuts or freezes the link: the request fails
// with the reason after at most the time-out, the next one connects again, and what an upload
// left is removed while it is still the upload's, by the next session or, when the connection
// is released or stopped mid-upload, before the session ends.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/connections/private_sshd.h"
#include "tests/connections/sftp_fixture.h"
#include "tests/support/freezing_proxy.h"

namespace {

using namespace sftp_test;

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
    file_request_result result = transfer_acting_mid_copy(request_upload, {big}, remote.path() + "/",
                                                          [&] { server.signal_sessions(r.signal); });
    std::string text = wcs_to_string(result.error_text);
    EXPECT_EQ(result.success, 0);
    EXPECT_TRUE(starts_with(text, "Upload of " + big + " ")) << text;
    EXPECT_NE(text.find(r.reason), std::string::npos) << text;
    EXPECT_TRUE(ends_with(text, "; the partial file " + remote.at("big.bin") +
                                    " is removed when the connection is back, unless another file took its place"))
        << text;
    file_request_result next = run(request_list_folder, remote.path());
    EXPECT_EQ(next.success, 1) << wcs_to_string(next.error_text);
    EXPECT_FALSE(names_in(next).count("big.bin"));
    EXPECT_EQ(mode_of(remote.at("big.bin")), -1);
    EXPECT_EQ(next.note, u"");
  }
}

// Another client puts a file at the name of a cut upload's partial file before the next request:
// the next session leaves it, and says so on standard error and with that request's result. The
// upload's own file has a size between what the server acknowledged and what was sent, and a
// modification time between the upload's start and the break; a file outside either is not it.
TEST_F(sftp_requests, a_file_another_client_put_at_a_cut_uploads_name_is_left_and_said) {
  private_sshd server("internal-sftp", env("TESSARY_SSH_USER"));
  ASSERT_TRUE(server.ready()) << "a private sshd could not be started: " << server.failure();
  const std::string big = sparse_local("big.bin", 64 << 20);
  const std::string target = remote.at("big.bin");
  struct row {
    const char* what;
    int signal;
    // Puts the other client's file at the target, in place of the partial one.
    std::function<void()> replace;
    std::string why;
  };
  const row rows[] = {
      {"a small file, after a drop", SIGKILL, [&] { remote.write_file("big.bin", "another client's\n"); },
       "the file at its name now holds 17 bytes"},
      {"a file the size of the source, after a time-out", SIGSTOP,
       [&] {
         std::filesystem::remove(target);
         remote.make_sparse("big.bin", 64 << 20);
       },
       "the file at its name now holds 67108864 bytes"},
      {"a file the partial file's size written later, after a drop", SIGKILL,
       [&] {
         const uint64_t size = std::filesystem::file_size(target);
         std::filesystem::remove(target);
         remote.make_sparse("big.bin", size);
         timespec later[2] = {{0, UTIME_OMIT}, {time(nullptr) + 3600, 0}};
         ASSERT_EQ(utimensat(AT_FDCWD, target.c_str(), later, 0), 0);
       },
       "the file at its name was written after the upload stopped"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    if (connection) connection->release();
    owner = std::make_shared<recording_owner>();
    connect(server.port());
    EXPECT_EQ(transfer_acting_mid_copy(request_upload, {big}, remote.path() + "/",
                                       [&] { server.signal_sessions(r.signal); })
                  .success,
              0);
    ASSERT_NE(mode_of(target), -1) << "the cut upload left no file";
    r.replace();
    const std::string kept = file_content(target);
    testing::internal::CaptureStderr();
    file_request_result next = run(request_list_folder, remote.path());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(next.success, 1) << wcs_to_string(next.error_text);
    EXPECT_TRUE(names_in(next).count("big.bin"));
    EXPECT_TRUE(file_content(target) == kept);
    const std::string note = wcs_to_string(next.note);
    EXPECT_TRUE(starts_with(note, "The partial file " + target + " was left alone: " + r.why)) << note;
    EXPECT_NE(said.find(note), std::string::npos) << said;
    // The note goes with one result only.
    EXPECT_EQ(run(request_list_folder, remote.path()).note, u"");
    std::filesystem::remove(target);
  }
}

// The connection is released (its tab closed, the application quit) or stopped (Disconnect)
// while an upload copies or is paused: the upload stops and removes its partial file before the
// session ends, so nothing is left at the name. Behind a link that froze, the stop waits no
// longer than the clean-up grace allows, and standard error says the partial file was left.
TEST_F(sftp_requests, a_connection_ended_mid_upload_removes_the_partial_file_before_the_session_ends) {
  test_support::freezing_proxy proxy(env("TESSARY_SSH_HOST"), static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT"))));
  ASSERT_TRUE(proxy.valid());
  // The copy is still going when the connection ends.
  const std::string big = sparse_local("big.bin", uint64_t{4} << 30);
  const std::string target = remote.at("big.bin");
  enum class at { copying, paused, frozen };
  struct row {
    const char* what;
    at moment;
    bool release;  // else stop
  };
  const row rows[] = {{"released while copying", at::copying, true},
                      {"released while paused", at::paused, true},
                      {"stopped while copying", at::copying, false},
                      {"released behind a frozen link", at::frozen, true}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    proxy.thaw();
    if (connection) connection->release();
    owner = std::make_shared<recording_owner>();
    connect(proxy.port());
    std::atomic<bool> under_way{false};
    monitor->on_progress = [&](transfer_control& transfer, const transfer_progress& report) {
      if (report.percent == 0 || under_way) return;
      if (r.moment == at::paused) transfer.set_paused(true);
      if (r.moment == at::frozen) proxy.freeze();
      under_way = true;
    };
    ASSERT_TRUE(connection->request.place(request_upload, transfer_request{{big}, remote.path() + "/"}));
    ASSERT_TRUE(wait_until([&] { return under_way.load(); }));
    testing::internal::CaptureStderr();
    const auto began = std::chrono::steady_clock::now();
    if (r.release) connection->release();
    else connection->stop();
    const auto waited = std::chrono::steady_clock::now() - began;
    const std::string said = testing::internal::GetCapturedStderr();
    monitor->on_progress = nullptr;
    EXPECT_EQ(connection->state.load(), state_disconnected);
    EXPECT_LT(waited, protocol::clean_up_grace + protocol::stop_grace);
    if (r.moment == at::frozen) {
      EXPECT_NE(said.find("the partial file " + target + " was left: the session ended before it could be removed"),
                std::string::npos)
          << said;
      std::filesystem::remove(target);
    } else {
      EXPECT_EQ(mode_of(target), -1) << said;
    }
  }
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
