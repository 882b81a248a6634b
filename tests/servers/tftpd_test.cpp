// The TFTP server against the real clients users have (tftp-hpa, curl, busybox), crafted
// requests with the answer each must get, the lock-step exchange block by block, uploads that
// take their name only when complete, transfers a client ends with an ERROR while another file
// takes the upload's name or names are exchanged under it, and the hostile clients of
// tftp_client.py (lost ACKs, a stranger's packets, short packets, more readers than slots,
// block numbers past 65535, uploads with repeated blocks and pauses, a lost final ACK, a client
// that falls silent).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "config/configuration.h"
#include "config/net_socket.h"
#include "platform/clock.h"
#include "servers/server_starters.h"
#include "servers/tftpd.h"
#include "tests/servers/tftp_fixture.h"

namespace {

using namespace test_support;

class tftpd_test : public tftp_fixture {};

// --- Real clients -----------------------------------------------------------------------------

struct client_case {
  const char* client;
  const char* get;  // command template: %H host, %P port, %R remote name, %L local path
  const char* put;
};

std::string expand(std::string text, uint16_t port, const std::string& remote, const std::string& local) {
  auto replace = [&text](const std::string& key, const std::string& value) {
    for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  };
  replace("%H", "127.0.0.1");
  replace("%P", std::to_string(port));
  replace("%R", remote);
  replace("%L", local);
  return text;
}

class tftpd_clients : public tftp_fixture, public ::testing::WithParamInterface<client_case> {};

TEST_P(tftpd_clients, download_and_upload_files_of_every_block_shape) {
  const client_case& c = GetParam();
  ASSERT_TRUE(have_program(c.client)) << c.client << " is missing (scripts/install-deps --tests)";
  start_server();
  // Empty, one short block, exactly two full blocks (an empty third follows), several blocks.
  for (size_t size : {size_t{0}, size_t{700}, size_t{1024}, size_t{100000}}) {
    SCOPED_TRACE(size);
    const std::string name = "file-" + std::to_string(size) + ".bin";
    const std::string bytes = patterned_bytes(size);
    write_file(download + "/" + name, bytes);
    const std::string got = folder.file("got-" + name);
    EXPECT_EQ(run_command(expand(c.get, port, name, got)), 0);
    EXPECT_EQ(read_file(got), bytes);

    const std::string sent = folder.file("sent-" + name);
    write_file(sent, bytes);
    EXPECT_EQ(run_command(expand(c.put, port, name, sent)), 0);
    EXPECT_EQ(read_file(upload + "/" + name), bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    real, tftpd_clients,
    ::testing::Values(
        client_case{"tftp", "tftp -m binary %H %P -c get %R %L", "tftp -m binary %H %P -c put %L %R"},
        client_case{"curl", "curl -sS -o %L tftp://%H:%P/%R", "curl -sS -T %L tftp://%H:%P/%R"},
        client_case{"busybox", "busybox tftp -g -r %R -l %L %H %P", "busybox tftp -p -l %L -r %R %H %P"}),
    [](const ::testing::TestParamInfo<client_case>& info) { return std::string(info.param.client); });

// --- Crafted requests -------------------------------------------------------------------------

struct request_case {
  const char* what;
  std::string datagram;
  uint16_t error;
  const char* trace;  // a line the refusal logs, or empty
};

class tftpd_requests : public tftp_fixture, public ::testing::WithParamInterface<request_case> {};

TEST_P(tftpd_requests, refusals_get_their_error_from_a_new_port) {
  const request_case& c = GetParam();
  write_file(download + "/real.bin", "content");
  write_file(upload + "/taken.bin", "kept");
  ::mkdir((download + "/folder").c_str(), 0755);
  ::mkfifo((download + "/pipe").c_str(), 0644);
  write_file(folder.file("secret"), "outside");
  ::symlink(folder.file("secret").c_str(), (download + "/link").c_str());
  ::symlink(folder.file("created-outside").c_str(), (upload + "/dangling").c_str());
  start_server();

  udp_probe probe;
  probe.send_to(port, c.datagram);
  auto reply = probe.receive();
  ASSERT_TRUE(reply) << "no answer";
  EXPECT_EQ(reply->opcode, TFTP_ERROR);
  EXPECT_EQ(reply->number, c.error);
  EXPECT_EQ(reply->payload, std::string(1, '\0'));
  EXPECT_NE(reply->from_port, port);
  if (*c.trace) {
    EXPECT_TRUE(trace_shows(c.trace)) << trace();
  }
  // Nothing changed on disk, and nothing outside the folders was created.
  EXPECT_EQ(read_file(upload + "/taken.bin"), "kept");
  EXPECT_EQ(::access(folder.file("created-outside").c_str(), F_OK), -1);
  // A refusal holds no slot: the server goes on serving.
  udp_probe next;
  next.send_to(port, tftp_request(TFTP_RRQ, "real.bin"));
  auto data = next.receive();
  ASSERT_TRUE(data);
  EXPECT_EQ(data->opcode, TFTP_DATA);
  EXPECT_EQ(data->payload, "content");
}

std::string raw(std::initializer_list<int> bytes) {
  std::string text;
  for (int b : bytes) text += static_cast<char>(b);
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    crafted, tftpd_requests,
    ::testing::Values(
        request_case{"netascii", tftp_request(TFTP_RRQ, "real.bin", "netascii"), TFTP_NOT_DEFINED,
                     "Not supported mode 'netascii'"},
        request_case{"capital_octet", tftp_request(TFTP_RRQ, "real.bin", "OCTET"), TFTP_NOT_DEFINED,
                     "Not supported mode 'OCTET'"},
        request_case{"slash", tftp_request(TFTP_RRQ, "sub/file.bin"), TFTP_NOT_DEFINED,
                     "File name sub/file.bin is not supported"},
        request_case{"absolute", tftp_request(TFTP_RRQ, "/etc/passwd"), TFTP_NOT_DEFINED,
                     "File name /etc/passwd is not supported"},
        request_case{"backslash", tftp_request(TFTP_RRQ, "..\\secret"), TFTP_NOT_DEFINED,
                     "File name ..\\secret is not supported"},
        request_case{"parent", tftp_request(TFTP_RRQ, ".."), TFTP_NOT_DEFINED, "File name .. is not supported"},
        request_case{"dot", tftp_request(TFTP_RRQ, "."), TFTP_NOT_DEFINED, "File name . is not supported"},
        request_case{"empty", tftp_request(TFTP_RRQ, ""), TFTP_NOT_DEFINED, "File name  is not supported"},
        request_case{"upload_up", tftp_request(TFTP_WRQ, "../created-outside"), TFTP_NOT_DEFINED, ""},
        request_case{"control_characters", tftp_request(TFTP_RRQ, "a\r\nb/c"), TFTP_NOT_DEFINED,
                     "File name a\\x0D\\x0Ab/c is not supported"},
        request_case{"no_name_end", raw({0, 1, 'a', 'b'}), TFTP_NOT_DEFINED, "Filename overflow!"},
        request_case{"no_mode_end", raw({0, 1, 'a', 0, 'o', 'c'}), TFTP_NOT_DEFINED, "Mode overflow!"},
        request_case{"no_mode", raw({0, 2, 'a', 0}), TFTP_NOT_DEFINED, "Mode overflow!"},
        request_case{"missing", tftp_request(TFTP_RRQ, "none.bin"), TFTP_FILE_NOT_FOUND, "Requst to GET file none.bin"},
        request_case{"folder", tftp_request(TFTP_RRQ, "folder"), TFTP_FILE_NOT_FOUND, ""},
        request_case{"fifo", tftp_request(TFTP_RRQ, "pipe"), TFTP_FILE_NOT_FOUND, ""},
        request_case{"link_out", tftp_request(TFTP_RRQ, "link"), TFTP_FILE_NOT_FOUND, ""},
        request_case{"existing", tftp_request(TFTP_WRQ, "taken.bin"), TFTP_FILE_EXISTS, "Requst to PUT file taken.bin"},
        request_case{"dangling_link", tftp_request(TFTP_WRQ, "dangling"), TFTP_FILE_EXISTS, ""}),
    [](const ::testing::TestParamInfo<request_case>& info) { return std::string(info.param.what); });

// The names in `path`, "." and ".." left out, in order.
std::vector<std::string> directory_entries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(tftpd_test, disabled_directions_are_refused_with_access_deny) {
  settings.read_enable = false;
  settings.write_enable = false;
  write_file(download + "/real.bin", "x");
  start_server();
  for (uint16_t opcode : {TFTP_RRQ, TFTP_WRQ}) {
    udp_probe probe;
    probe.send_to(port, tftp_request(opcode, "real.bin"));
    auto reply = probe.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->opcode, TFTP_ERROR);
    EXPECT_EQ(reply->number, TFTP_ACCESS_VIOLATION);
  }
  EXPECT_TRUE(trace_shows("Access deny!"));
  EXPECT_EQ(::access((upload + "/real.bin").c_str(), F_OK), -1);
}

// --- Lock step --------------------------------------------------------------------------------

TEST_F(tftpd_test, a_700_byte_download_is_two_blocks_and_the_last_ack_ends_it) {
  write_file(download + "/seven.bin", patterned_bytes(700));
  start_server();
  udp_probe probe;
  probe.send_to(port, tftp_request(TFTP_RRQ, "seven.bin"));
  auto first = probe.receive();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->opcode, TFTP_DATA);
  EXPECT_EQ(first->number, 1);
  EXPECT_EQ(first->payload.size(), 512u);
  probe.send_to(first->from_port, tftp_packet(TFTP_ACK, 1));
  auto second = probe.receive();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->number, 2);
  EXPECT_EQ(second->payload, patterned_bytes(700).substr(512));
  probe.send_to(first->from_port, tftp_packet(TFTP_ACK, 2));
  EXPECT_TRUE(trace_shows("Finish sending data, total 2 blocks")) << trace();
  EXPECT_NE(trace().find("Start to send data block ..."), std::string::npos);
  EXPECT_NE(trace().find("Send data block 2!"), std::string::npos);
}

TEST_F(tftpd_test, a_timeout_of_zero_resends_after_a_second_not_at_once) {
  settings.timeout = 0;
  write_file(download + "/r.bin", "read me");
  start_server();
  udp_probe probe;
  probe.send_to(port, tftp_request(TFTP_RRQ, "r.bin"));
  ASSERT_TRUE(probe.receive());
  EXPECT_FALSE(probe.receive(500));
  auto again = probe.receive(1500);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->number, 1);
}

TEST_F(tftpd_test, a_late_duplicate_ack_is_ignored_and_a_wrong_one_ends_the_transfer) {
  write_file(download + "/big.bin", patterned_bytes(4000));
  start_server();
  udp_probe probe;
  probe.send_to(port, tftp_request(TFTP_RRQ, "big.bin"));
  auto data = probe.receive();
  ASSERT_TRUE(data);
  const uint16_t tid = data->from_port;
  probe.send_to(tid, tftp_packet(TFTP_ACK, 1));
  ASSERT_TRUE(probe.receive());                    // DATA 2
  probe.send_to(tid, tftp_packet(TFTP_ACK, 1));  // a late duplicate
  EXPECT_FALSE(probe.receive(300));
  probe.send_to(tid, tftp_packet(TFTP_ACK, 7));
  auto error = probe.receive();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->opcode, TFTP_ERROR);
  EXPECT_EQ(error->number, TFTP_UNKNOWN_TID);
  // The transfer is gone: its port answers nothing any more.
  probe.send_to(tid, tftp_packet(TFTP_ACK, 2));
  EXPECT_FALSE(probe.receive(300));
}

TEST_F(tftpd_test, an_upload_acks_each_block_and_drops_oversized_or_out_of_order_data) {
  start_server();
  udp_probe probe;
  probe.send_to(port, tftp_request(TFTP_WRQ, "up.bin"));
  auto ack0 = probe.receive();
  ASSERT_TRUE(ack0);
  EXPECT_EQ(ack0->opcode, TFTP_ACK);
  EXPECT_EQ(ack0->number, 0);
  const uint16_t tid = ack0->from_port;
  const std::string block1 = patterned_bytes(512);
  probe.send_to(tid, tftp_packet(TFTP_DATA, 1, block1 + "x"));  // 513 bytes: dropped
  EXPECT_FALSE(probe.receive(300));
  probe.send_to(tid, tftp_packet(TFTP_DATA, 3, "ahead"));  // not the next block: dropped
  EXPECT_FALSE(probe.receive(300));
  probe.send_to(tid, tftp_packet(TFTP_DATA, 1, block1));
  auto ack1 = probe.receive();
  ASSERT_TRUE(ack1);
  EXPECT_EQ(ack1->number, 1);
  // Until it is complete, the upload shows under no name in the folder.
  EXPECT_EQ(directory_entries(upload), std::vector<std::string>{});
  probe.send_to(tid, tftp_packet(TFTP_DATA, 1, block1));  // our ACK was "lost": ACK again
  auto again = probe.receive();
  ASSERT_TRUE(again);
  EXPECT_EQ(again->number, 1);
  probe.send_to(tid, tftp_packet(TFTP_DATA, 2, "tail"));
  auto ack2 = probe.receive();
  ASSERT_TRUE(ack2);
  EXPECT_EQ(ack2->number, 2);
  EXPECT_EQ(read_file(upload + "/up.bin"), block1 + "tail");
}

TEST_F(tftpd_test, a_repeated_request_is_served_by_the_transfer_it_started) {
  write_file(download + "/r.bin", "read me");
  start_server();
  for (uint16_t opcode : {TFTP_RRQ, TFTP_WRQ}) {
    udp_probe probe;
    const std::string name = opcode == TFTP_RRQ ? "r.bin" : "w.bin";
    probe.send_to(port, tftp_request(opcode, name));
    probe.send_to(port, tftp_request(opcode, name));
    auto first = probe.receive();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->opcode, opcode == TFTP_RRQ ? TFTP_DATA : TFTP_ACK);
    EXPECT_FALSE(probe.receive(300)) << "a second transfer answered, or an upload refused its own file";
    probe.send_to(first->from_port, opcode == TFTP_RRQ ? tftp_packet(TFTP_ACK, 1) : tftp_packet(TFTP_DATA, 1, "w"));
    if (opcode == TFTP_WRQ) {
      ASSERT_TRUE(probe.receive());
    }
  }
  EXPECT_TRUE(trace_shows("Finish sending data, total 1 blocks")) << trace();
  EXPECT_EQ(read_file(upload + "/w.bin"), "w");
}

TEST_F(tftpd_test, a_failed_write_ends_the_upload_with_an_error) {
  // Files of this process may not grow past 1000 bytes; the write fails instead of signalling.
  // Both are the whole process's: they are put back however the test ends, so the tests after
  // this one in the same process can write files again.
  struct file_size_limit {
    rlimit saved{};
    void (*saved_handler)(int) = ::signal(SIGXFSZ, SIG_IGN);
    file_size_limit() { ::getrlimit(RLIMIT_FSIZE, &saved); }
    ~file_size_limit() {
      ::setrlimit(RLIMIT_FSIZE, &saved);
      ::signal(SIGXFSZ, saved_handler);
    }
  } restore;
  rlimit limit{1000, restore.saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  start_server();
  udp_probe probe;
  probe.send_to(port, tftp_request(TFTP_WRQ, "big.bin"));
  auto ack = probe.receive();
  ASSERT_TRUE(ack);
  const uint16_t tid = ack->from_port;
  for (uint16_t block = 1; block <= 3; ++block) {
    probe.send_to(tid, tftp_packet(TFTP_DATA, block, patterned_bytes(512)));
    ASSERT_TRUE(probe.receive());
  }
  probe.send_to(tid, tftp_packet(TFTP_DATA, 4, "end"));
  auto error = probe.receive();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->opcode, TFTP_ERROR);
  EXPECT_EQ(error->number, TFTP_DISK_FULL);
  EXPECT_TRUE(trace_shows("Write failed: File too large")) << trace();
  EXPECT_EQ(::access((upload + "/big.bin").c_str(), F_OK), -1) << "the partial file stayed";
}

// --- Transfers ended early ---------------------------------------------------------------------

// A transfer under way, as a client sees it: its port and the blocks it has sent or received.
struct started_transfer {
  uint16_t tid = 0;
  bool ok = false;
};

// Starts a download of `name` (taking DATA 1), or an upload of `name` that sends `blocks` full
// blocks, each acknowledged.
started_transfer start_transfer(const udp_probe& probe, uint16_t port, uint16_t opcode, const std::string& name,
                                int blocks) {
  started_transfer started;
  probe.send_to(port, tftp_request(opcode, name));
  auto first = probe.receive();
  if (!first || first->opcode != (opcode == TFTP_RRQ ? TFTP_DATA : TFTP_ACK)) return started;
  started.tid = first->from_port;
  for (int block = 1; block <= blocks; ++block) {
    probe.send_to(started.tid, tftp_packet(TFTP_DATA, static_cast<uint16_t>(block), patterned_bytes(512)));
    auto ack = probe.receive();
    if (!ack || ack->opcode != TFTP_ACK || ack->number != block) return started;
  }
  started.ok = true;
  return started;
}

const std::string client_error = tftp_packet(TFTP_ERROR, 0, std::string("cancelled") + '\0');

struct client_error_case {
  const char* what;
  uint16_t opcode;
  int blocks;         // full blocks an upload sent before its ERROR
  const char* trace;  // after the upload folder's path, or alone for a download
};

class tftpd_client_errors : public tftp_fixture, public ::testing::WithParamInterface<client_error_case> {};

// The client's ERROR ends its transfer at once, long before a time-out could, and gets no
// answer: an unfinished upload's file is gone, a download's port falls silent.
TEST_P(tftpd_client_errors, end_the_transfer_at_once) {
  const client_error_case& c = GetParam();
  write_file(download + "/d.bin", patterned_bytes(2000));
  start_server();
  udp_probe probe;
  const started_transfer transfer = start_transfer(probe, port, c.opcode, c.opcode == TFTP_RRQ ? "d.bin" : "u.bin", c.blocks);
  ASSERT_TRUE(transfer.ok);
  const auto sent = std::chrono::steady_clock::now();
  probe.send_to(transfer.tid, client_error);
  const std::string line = c.opcode == TFTP_RRQ ? c.trace : "Upload of " + upload + "/u.bin" + c.trace;
  EXPECT_TRUE(trace_shows(line)) << trace();
  EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(settings.timeout));
  EXPECT_EQ(::access((upload + "/u.bin").c_str(), F_OK), -1) << "the partial file stayed";
  EXPECT_FALSE(probe.receive(300)) << "the ERROR was answered";
  probe.send_to(transfer.tid, c.opcode == TFTP_RRQ ? tftp_packet(TFTP_ACK, 1) : tftp_packet(TFTP_DATA, 1, "x"));
  EXPECT_FALSE(probe.receive(300)) << "the transfer went on";
}

INSTANTIATE_TEST_SUITE_P(
    early, tftpd_client_errors,
    ::testing::Values(
        client_error_case{"upload_before_any_data", TFTP_WRQ, 0,
                          " ended by the client's ERROR 0 'cancelled' at block 0, nothing stored"},
        client_error_case{"upload_mid_file", TFTP_WRQ, 2,
                          " ended by the client's ERROR 0 'cancelled' at block 2, nothing stored"},
        client_error_case{"download", TFTP_RRQ, 0, "Download ended by the client's ERROR 0 'cancelled'"}),
    [](const ::testing::TestParamInfo<client_error_case>& info) { return std::string(info.param.what); });

// How an upload ends after another file took its name while it ran, and the line that says so.
enum class upload_end { client_error, time_out, last_block };
struct name_taken_case {
  const char* what;
  upload_end end;
  const char* trace;  // after "Upload of " and the upload's path
};

class tftpd_name_taken : public tftp_fixture, public ::testing::WithParamInterface<name_taken_case> {};

// Another file is put under an upload's name while the upload runs: it is left alone however
// the upload ends, by the client's ERROR, by its silence, or complete (the client is then told
// that the file exists), and the upload is stored nowhere.
TEST_P(tftpd_name_taken, leaves_the_file_that_took_the_name_alone) {
  const name_taken_case& c = GetParam();
  settings.timeout = 1;
  start_server();
  udp_probe probe;
  const started_transfer transfer = start_transfer(probe, port, TFTP_WRQ, "m.bin", 1);
  ASSERT_TRUE(transfer.ok);
  const std::string name = upload + "/m.bin";
  write_file(name, "another file");
  if (c.end == upload_end::client_error) probe.send_to(transfer.tid, client_error);
  if (c.end == upload_end::last_block) {
    probe.send_to(transfer.tid, tftp_packet(TFTP_DATA, 2, "tail"));
    auto error = probe.receive();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->opcode, TFTP_ERROR);
    EXPECT_EQ(error->number, TFTP_FILE_EXISTS);
  }
  EXPECT_TRUE(trace_shows("Upload of " + name + c.trace)) << trace();
  EXPECT_EQ(read_file(name), "another file");
  EXPECT_EQ(directory_entries(upload), (std::vector<std::string>{"m.bin"}));
}

INSTANTIATE_TEST_SUITE_P(
    early, tftpd_name_taken,
    ::testing::Values(
        name_taken_case{"client_error", upload_end::client_error,
                        " ended by the client's ERROR 0 'cancelled' at block 1, nothing stored"},
        name_taken_case{"time_out", upload_end::time_out, " timed out at block 1, nothing stored"},
        name_taken_case{"last_block", upload_end::last_block,
                        " complete at block 2, not stored: the name was taken meanwhile"}),
    [](const ::testing::TestParamInfo<name_taken_case>& info) { return std::string(info.param.what); });

// The contents of the file `name` in the folder open at `folder`, or "(missing)".
std::string read_at(int folder, const std::string& name) {
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return "(missing)";
  std::string text;
  char piece[4096];
  for (ssize_t got; (got = ::read(fd, piece, sizeof piece)) > 0;) text.append(piece, static_cast<size_t>(got));
  ::close(fd);
  return text;
}

void put_at(int folder, const std::string& name, const std::string& text) {
  const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0) << name;
  ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ::close(fd);
}

struct exchange_case {
  const char* what;
  bool folders;  // the upload folder is exchanged with a folder beside it, else the upload's name with a file
};

class tftpd_exchanges : public tftp_fixture, public ::testing::WithParamInterface<exchange_case> {};

// Another local user keeps exchanging names while uploads end unfinished by the client's
// ERROR: the upload's name with a file of theirs in the upload folder, or the upload folder
// with a folder beside it that holds a file of theirs under the upload's name. Whatever the
// exchanges did at the moment an upload ended, no file of theirs is removed or changed.
TEST_P(tftpd_exchanges, never_make_an_ended_upload_remove_another_file) {
  const bool folders = GetParam().folders;
  const std::string sibling = folder.file("sibling");
  ASSERT_EQ(::mkdir(sibling.c_str(), 0755), 0);
  // The folders by descriptor, which follow them through every exchange.
  const int uploads = ::open(upload.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const int beside = ::open(sibling.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(uploads, 0);
  ASSERT_GE(beside, 0);
  const std::string theirs = "a file of another user";
  if (!folders) put_at(uploads, "victim", theirs);
  start_server();

  std::mutex exchanging;  // held for each exchange, so that a pause waits for the one under way
  std::atomic<bool> racing = false;
  std::string name;       // the upload's name, changed only while paused
  std::jthread exchanger([&](std::stop_token stop) {
    while (!stop.stop_requested()) {
      if (!racing) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      std::lock_guard hold(exchanging);
      if (!racing) continue;
      if (folders)
        ::renameat2(AT_FDCWD, upload.c_str(), AT_FDCWD, sibling.c_str(), RENAME_EXCHANGE);
      else
        ::renameat2(uploads, name.c_str(), uploads, "victim", RENAME_EXCHANGE);
    }
  });
  const auto pause = [&] {
    racing = false;
    std::lock_guard wait_for_the_last(exchanging);
  };

  int ended = 0, lost = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
  for (int round = 0; round < 10000 && std::chrono::steady_clock::now() < deadline; ++round) {
    name = "r" + std::to_string(round) + ".bin";
    if (folders) put_at(beside, name, theirs);
    racing = true;
    udp_probe probe;
    probe.send_to(port, tftp_request(TFTP_WRQ, name));
    auto first = probe.receive();
    ASSERT_TRUE(first) << "no answer to the request, round " << round;
    if (first->opcode == TFTP_ACK) {
      // One block, then the client gives up.
      probe.send_to(first->from_port, tftp_packet(TFTP_DATA, 1, patterned_bytes(512)));
      auto ack = probe.receive();
      ASSERT_TRUE(ack && ack->opcode == TFTP_ACK) << "round " << round;
      probe.send_to(first->from_port, client_error);
      ASSERT_TRUE(trace_shows("Upload of " + upload + "/" + name + " ended by the client's ERROR")) << trace();
      ++ended;
    }
    // Otherwise the request reached the folder beside, where the name is taken, and was refused.
    pause();
    if (folders) {
      if (read_at(beside, name) != theirs) ++lost;
      // The next request starts in the upload folder, not in the one beside it.
      struct stat named {}, held {};
      if (::stat(upload.c_str(), &named) == 0 && ::fstat(uploads, &held) == 0 && named.st_ino != held.st_ino)
        ::renameat2(AT_FDCWD, upload.c_str(), AT_FDCWD, sibling.c_str(), RENAME_EXCHANGE);
    } else if (read_at(uploads, "victim") != theirs) {
      // The file may stand under the upload's name after an odd count of exchanges.
      if (read_at(uploads, name) == theirs)
        ::renameat(uploads, name.c_str(), uploads, "victim");
      else
        ++lost;
      put_at(uploads, "victim", theirs);
    }
  }
  exchanger.request_stop();
  exchanger.join();
  ::close(uploads);
  ::close(beside);
  EXPECT_GT(ended, 0);
  EXPECT_EQ(lost, 0) << lost << " of " << ended << " ended uploads removed or changed another user's file";
}

INSTANTIATE_TEST_SUITE_P(early, tftpd_exchanges,
                         ::testing::Values(exchange_case{"name_with_a_file", false},
                                           exchange_case{"folder_with_its_sibling", true}),
                         [](const ::testing::TestParamInfo<exchange_case>& info) {
                           return std::string(info.param.what);
                         });

// --- Where uploads are stored ---------------------------------------------------------------

// A server run by a user may not link any descriptor it holds into a folder: it still stores
// complete uploads. The capability is lowered in this thread only, and the server's worker,
// started meanwhile, runs without it.
TEST_F(tftpd_test, a_server_that_may_not_search_every_folder_stores_uploads) {
  struct lowered_capability {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    lowered_capability() {
      ::syscall(SYS_capget, &header, saved);
      __user_cap_data_struct lowered[2] = {saved[0], saved[1]};
      lowered[0].effective &= ~(1u << CAP_DAC_READ_SEARCH);
      ::syscall(SYS_capset, &header, lowered);
    }
    ~lowered_capability() { ::syscall(SYS_capset, &header, saved); }
  } lowered;
  start_server();
  udp_probe probe;
  const started_transfer transfer = start_transfer(probe, port, TFTP_WRQ, "user.bin", 1);
  ASSERT_TRUE(transfer.ok);
  probe.send_to(transfer.tid, tftp_packet(TFTP_DATA, 2, "tail"));
  auto last = probe.receive();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->opcode, TFTP_ACK);
  EXPECT_EQ(read_file(upload + "/user.bin"), patterned_bytes(512) + "tail");
}

TEST_F(tftpd_test, a_name_being_uploaded_is_refused_to_another_client) {
  start_server();
  udp_probe first, second;
  const started_transfer transfer = start_transfer(first, port, TFTP_WRQ, "same.bin", 0);
  ASSERT_TRUE(transfer.ok);
  second.send_to(port, tftp_request(TFTP_WRQ, "same.bin"));
  auto refused = second.receive();
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->opcode, TFTP_ERROR);
  EXPECT_EQ(refused->number, TFTP_FILE_EXISTS);
  first.send_to(transfer.tid, tftp_packet(TFTP_DATA, 1, "first"));
  ASSERT_TRUE(first.receive());
  EXPECT_EQ(read_file(upload + "/same.bin"), "first");
}

// Uploads are written to a file without a name until they are complete; a folder whose file
// system cannot hold such a file refuses them and says why.
TEST_F(tftpd_test, an_upload_folder_that_cannot_hold_unnamed_files_refuses_uploads) {
  const std::string cannot = folder.file("devpts");
  devpts_instance mounted(cannot);
  if (!mounted.mounted()) GTEST_SKIP() << "mounting a devpts instance needs root";
  settings.upload_paths = {cannot};
  start_server();
  udp_probe probe;
  probe.send_to(port, tftp_request(TFTP_WRQ, "u.bin"));
  auto reply = probe.receive();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->opcode, TFTP_ERROR);
  EXPECT_EQ(reply->number, TFTP_ACCESS_VIOLATION);
  EXPECT_TRUE(trace_shows("Upload of " + cannot +
                          "/u.bin refused: the upload folder's file system cannot hold a file without a name"))
      << trace();
}

TEST_F(tftpd_test, a_data_packet_on_a_download_or_an_ack_on_an_upload_is_ignored) {
  write_file(download + "/r.bin", patterned_bytes(2000));
  start_server();
  udp_probe reader;
  reader.send_to(port, tftp_request(TFTP_RRQ, "r.bin"));
  auto data = reader.receive();
  ASSERT_TRUE(data);
  reader.send_to(data->from_port, tftp_packet(TFTP_DATA, 2, "junk"));
  EXPECT_FALSE(reader.receive(300));
  EXPECT_EQ(read_file(download + "/r.bin"), patterned_bytes(2000));

  udp_probe writer;
  writer.send_to(port, tftp_request(TFTP_WRQ, "w.bin"));
  auto ack = writer.receive();
  ASSERT_TRUE(ack);
  writer.send_to(ack->from_port, tftp_packet(TFTP_ACK, 0));
  EXPECT_FALSE(writer.receive(300));
}

// --- Start and stop ---------------------------------------------------------------------------

TEST_F(tftpd_test, a_port_in_use_fails_the_start_with_the_reason_logged) {
  net_socket taken;
  ASSERT_TRUE(taken.open(net_socket::kind_udp, nullptr, 0));
  sockaddr_in address = ipv4_address(0, 0);
  ASSERT_EQ(::bind(taken.sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ::getsockname(taken.sock, reinterpret_cast<sockaddr*>(&address), &length);
  settings.port = ntohs(address.sin_port);
  EXPECT_FALSE(tftpd::instance()->start(settings));
  EXPECT_FALSE(tftpd::instance()->is_running());
  EXPECT_NE(trace().find("open server socket failed!"), std::string::npos);
  EXPECT_NE(trace().find("Address already in use"), std::string::npos);
}

TEST_F(tftpd_test, the_settings_tree_starts_an_enabled_server_and_disables_one_that_fails) {
  configuration store(folder.file("Tessary.conf"), platform::real_clock());
  *store.tftpd = settings;
  install_server_starters(store);
  ASSERT_TRUE(store.root->apply_tree());
  EXPECT_TRUE(tftpd::instance()->is_running());
  EXPECT_TRUE(store.tftpd->enable);
  const uint16_t busy = ntohs(tftpd::instance()->socket.local_address->sin_port);

  // Another process holds the port now: the start fails and the section reads as disabled.
  net_socket taken;
  tftpd::instance()->stop();
  ASSERT_TRUE(taken.open(net_socket::kind_udp, nullptr, 0));
  sockaddr_in address = ipv4_address(0, busy);
  ASSERT_EQ(::bind(taken.sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  store.tftpd->port = busy;
  ASSERT_TRUE(store.root->apply_tree());
  EXPECT_FALSE(tftpd::instance()->is_running());
  EXPECT_FALSE(store.tftpd->enable);
}

TEST_F(tftpd_test, stop_ends_running_transfers_at_once_and_a_restart_serves_again) {
  write_file(download + "/f.bin", patterned_bytes(5000));
  start_server();
  EXPECT_TRUE(tftpd::instance()->start(settings));  // already running
  EXPECT_TRUE(trace_shows("tftpd is already running!"));
  udp_probe probe;
  probe.send_to(port, tftp_request(TFTP_RRQ, "f.bin"));
  ASSERT_TRUE(probe.receive());
  const auto before = std::chrono::steady_clock::now();
  tftpd::instance()->stop();
  // A worker that did not end at once would have been let go at the grace.
  EXPECT_LT(std::chrono::steady_clock::now() - before, server::stop_grace);
  EXPECT_TRUE(trace_shows("TFTP Server stopped"));
  start_server();
  udp_probe again;
  again.send_to(port, tftp_request(TFTP_RRQ, "f.bin"));
  auto data = again.receive();
  ASSERT_TRUE(data);
  EXPECT_EQ(data->opcode, TFTP_DATA);
}

// --- Hostile clients --------------------------------------------------------------------------

// What an upload case leaves in the upload folder.
enum class stored { download_case, whole_file, nothing };

struct hostile_case {
  const char* name;
  size_t file_size;
  const char* extra;  // more arguments for the client
  stored upload = stored::download_case;
  uint32_t timeout = 0;  // the server's time-out in seconds, when not the fixture's
};

class tftpd_hostile : public tftp_fixture, public ::testing::WithParamInterface<hostile_case> {};

TEST_P(tftpd_hostile, the_server_keeps_serving_correctly) {
  const hostile_case& c = GetParam();
  // A download reads the file from the download folder; an upload sends it from outside the
  // upload folder, stored there under the same name.
  const std::string path = c.upload == stored::download_case ? download + "/served.bin" : folder.file("served.bin");
  write_file(path, patterned_bytes(c.file_size));
  if (c.timeout) settings.timeout = c.timeout;
  start_server();
  const std::string command = std::string("python3 " TFTP_CLIENT " ") + c.name + " " +
                              std::to_string(port) + " " + path + " " + c.extra;
  EXPECT_EQ(run_command(command, 90), 0) << command << "\n" << trace();
  const std::string upload_path = upload + "/served.bin";
  if (c.upload == stored::whole_file) {
    EXPECT_EQ(read_file(upload_path), patterned_bytes(c.file_size));
  } else if (c.upload == stored::nothing) {
    EXPECT_EQ(::access(upload_path.c_str(), F_OK), -1) << "a partial upload stayed";
    EXPECT_TRUE(trace_shows("Upload of " + upload_path + " timed out at block 3, nothing stored")) << trace();
  }
}

INSTANTIATE_TEST_SUITE_P(
    python, tftpd_hostile,
    ::testing::Values(hostile_case{"lost-ack", 2000, "1 2", stored::download_case, 1},  // the fixture's MaxRetry 2
                      hostile_case{"wrong-tid", 3000, ""},
                      hostile_case{"short-packets", 3000, ""},
                      hostile_case{"concurrent", 3000, "33"},
                      hostile_case{"wrap", 33 * 1024 * 1024 + 777, ""},
                      // 101 blocks, 7 of them sent twice, then a pause past the time-out.
                      hostile_case{"upload-retransmits", 51277, "1", stored::whole_file, 1},
                      hostile_case{"upload-lost-final-ack", 51277, "", stored::whole_file},
                      hostile_case{"upload-silent", 5000, "1 2", stored::nothing, 1}),
    [](const ::testing::TestParamInfo<hostile_case>& info) {
      std::string name = info.param.name;
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

}  // namespace
