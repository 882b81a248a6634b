// SFTP transfers in which an entry fails, against the loopback sshd of tests/peers/start: a
// download that cannot be written, an upload whose local file or folder cannot be read (as the
// test user, whom permissions stop), a file the server refuses or cannot hold, a file the user
// may not read, a link placed at a target name meanwhile, and (from a scripted SFTP server behind
// an sshd of the test's own) names no file system holds and a folder whose reading stops part
// way. Each fails the request with the first entry's reason, and what could be copied still is.
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tests/connections/private_sshd.h"
#include "tests/connections/sftp_fixture.h"

namespace {

using namespace sftp_test;

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

// As the test user, whose permissions the upload's local side then meets (root reads
// everything): a local folder that cannot be opened (mode 000, another owner's 0700), one whose
// names may be read but whose entries cannot be looked at (0444), and a readable one holding a
// folder of mode 000. Each fails the upload with the reason, as an unreadable file does; what
// can be read is still copied, and a folder that cannot be read is not made at the server.
TEST_F(sftp_requests, an_upload_of_a_local_folder_the_user_may_not_read_fails_with_the_reason) {
  test_support::temp_folder readable(test_support::temp_folder::reach::everyone);
  ASSERT_TEST_USER_REACHES(readable.path());
  const passwd* user = getpwnam(env("TESSARY_SSH_USER").c_str());
  ASSERT_NE(user, nullptr);
  const uid_t uid = user->pw_uid;
  const gid_t gid = user->pw_gid;
  // The worker reads the local side with the test user's file permissions while it transfers.
  monitor->on_begin = [uid, gid](transfer_control&) {
    setfsgid(gid);
    setfsuid(uid);
  };
  monitor->on_end = [](transfer_control&) {
    setfsuid(0);
    setfsgid(0);
  };
  struct row {
    const char* folder;
    mode_t mode;        // root owns every folder here
    std::string refused;  // the entry the error names, below the local folder
    std::set<std::string> copied;  // what the server gets
  };
  const row rows[] = {
      {"locked", 0000, "locked/", {}},
      {"names-only", 0444, "names-only/inside.txt", {"names-only/"}},
      {"private", 0700, "private/", {}},
      {"mixed", 0755, "mixed/locked/", {"mixed/", "mixed/inside.txt", "mixed/open.txt"}},
  };
  for (const row& r : rows) {
    std::filesystem::create_directory(readable.file(r.folder));
    write_local(readable.file(std::string(r.folder) + "/inside.txt"), "inside\n");
  }
  write_local(readable.file("mixed/open.txt"), "open\n");
  std::filesystem::create_directory(readable.file("mixed/locked"));
  chmod(readable.file("mixed/locked").c_str(), 0);
  std::set<std::string> expected;
  for (const row& r : rows) {
    SCOPED_TRACE(r.folder);
    chmod(readable.file(r.folder).c_str(), r.mode);
    testing::internal::CaptureStderr();
    file_request_result result = transfer(request_upload, {readable.file(r.folder) + "/"}, remote.path() + "/");
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string reason = "Upload of " + readable.file(r.refused) + " skipped: Permission denied";
    EXPECT_EQ(result.success, 0);
    EXPECT_EQ(wcs_to_string(result.error_text), reason);
    EXPECT_NE(said.find(reason), std::string::npos) << said;
    expected.insert(r.copied.begin(), r.copied.end());
    EXPECT_EQ(tree_of(remote.path()), expected);
  }
  EXPECT_EQ(file_content(remote.at("mixed/open.txt")), "open\n");
  // The folders go with the temporary folder, which root may empty.
  for (const row& r : rows) chmod(readable.file(r.folder).c_str(), 0755);
}

// A folder whose reading fails part way (the scripted server's /broken, whose second read is
// refused): the listing fails, and a download counts and copies what was read, then fails
// saying where the count and the copy stopped.
TEST_F(sftp_requests, a_folder_whose_reading_stops_part_way_fails_the_download_with_the_reason) {
  private_sshd server(SCRIPTED_SFTP_SERVER, env("TESSARY_SSH_USER"));
  ASSERT_TRUE(server.ready()) << server.failure();
  connect(server.port());
  file_request_result listing = run(request_list_folder, std::string("/broken"));
  EXPECT_EQ(listing.success, 0);
  EXPECT_EQ(listing.error_text, u"Failed to list the folder (4)");

  testing::internal::CaptureStderr();
  file_request_result result = transfer(request_download, {"/broken/"}, local.path());
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(result.success, 0);
  // The count comes first, so its failure is the request's.
  const std::string text = wcs_to_string(result.error_text);
  EXPECT_TRUE(starts_with(text, "Counting /broken/ stopped part way: ")) << text;
  EXPECT_TRUE(ends_with(text, "(status 4)")) << text;
  EXPECT_NE(said.find("Download of /broken/ stopped part way: "), std::string::npos) << said;
  EXPECT_EQ(tree_of(local.file("broken")), (std::set<std::string>{"one.txt", "two.txt"}));
  EXPECT_EQ(file_content(local.file("broken/two.txt")), "two.txt");
  std::lock_guard<std::mutex> guard(monitor->lock);
  EXPECT_EQ(monitor->details.back(), u"total size 14 Bytes");
}

}  // namespace
