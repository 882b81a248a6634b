// SFTP transfer throughput over the loopback sshd of tests/peers/start: a file of random bytes
// downloaded and uploaded through `ssh2`'s transfer code (a request placed in the connection's
// mailbox, run by its worker, timed until its result is stored), beside OpenSSH's `sftp` client
// moving the same file between the same folders in the same run. Each OpenSSH time has the time
// of an `sftp` run that only logs in taken off (ours starts after the login). The best of the
// rounds counts for each.
//
// Plain: 256 MiB straight to the sshd, five rounds; the last line holds the four rates and the
// ratios (ours over OpenSSH's). With --long-link: 64 MiB, two rounds, both clients through a
// relay of our own that delays each direction by half the round trip, at 0, 20 and 80 ms; the
// last line holds the upload and download ratios at each round trip.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "bench/peer_clients.h"
#include "config/session_record.h"
#include "connections/connection_owner.h"
#include "connections/ssh2.h"
#include "tests/support/freezing_proxy.h"

namespace {

using bench::steady;
using namespace std::chrono_literals;

const char* const file_name = "sftp-bench.bin";

using bench::cpu_seconds;
using bench::env;
using bench::seconds_since;

// The connection's reports: its state, and each finished request.
class watch : public connection_owner {
 public:
  void connection_state_changed(connection_state s) override {
    {
      std::lock_guard<std::mutex> guard(lock);
      state = s;
    }
    changed.notify_all();
  }
  void file_request_done() override {
    {
      std::lock_guard<std::mutex> guard(lock);
      ++done;
    }
    changed.notify_all();
  }
  bool wait_connected() {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, 20s, [&] { return state == state_connected; });
  }
  bool wait_done(int count) {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, 600s, [&] { return done >= count; });
  }

 private:
  std::mutex lock;
  std::condition_variable changed;
  connection_state state = state_disconnected;
  int done = 0;
};

class explorer_session {
 public:
  bool open(uint16_t port) {
    ssh2_param param;
    param.hostname = env("TESSARY_SSH_HOST");
    param.port = port;
    param.username = env("TESSARY_SSH_USER");
    param.password = env("TESSARY_SSH_PASSWORD");
    connection = std::make_shared<ssh2>("bench", param);
    connection->mode = session_view_explorer;
    connection->set_owner(reports);
    connection->start();
    return reports->wait_connected();
  }
  // Runs one request to its end; its success, and the seconds and processor seconds it took.
  int run(int32_t kind, file_request_argument argument, double& seconds, double* cpu = nullptr) {
    auto start = steady::now();
    double cpu_start = cpu_seconds(RUSAGE_SELF);
    if (!connection->request.place(kind, std::move(argument)) || !reports->wait_done(++requests)) return 0;
    seconds = seconds_since(start);
    if (cpu) *cpu = cpu_seconds(RUSAGE_SELF) - cpu_start;
    auto result = connection->request.collect();
    return result ? result->success : 0;
  }
  ~explorer_session() {
    if (connection) connection->release();
  }

 private:
  std::shared_ptr<watch> reports = std::make_shared<watch>();
  std::shared_ptr<ssh2> connection;
  int requests = 0;
};

// Seconds for OpenSSH's sftp to run the batch, or a negative value on failure; `cpu` gets the
// processor time of sftp and its ssh.
double openssh_sftp(const std::string& batch_file, uint16_t via_port, double& cpu) {
  std::vector<std::string> words = {"sftp", "-q", "-b", batch_file};
  for (std::string& word : bench::openssh_login("-P", via_port)) words.push_back(std::move(word));
  const double cpu_start = cpu_seconds(RUSAGE_CHILDREN);
  const double took = bench::run_quietly(std::move(words));
  cpu = cpu_seconds(RUSAGE_CHILDREN) - cpu_start;
  return took;
}

std::string write_batch(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
  return path;
}

bool make_random_file(const std::string& path, uint64_t file_size) {
  std::ofstream out(path, std::ios::binary);
  std::mt19937_64 random(42);
  std::vector<uint64_t> block(1 << 17);  // 1 MiB
  for (uint64_t written = 0; written < file_size; written += block.size() * sizeof(uint64_t)) {
    for (auto& word : block) word = random();
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
  }
  return static_cast<bool>(out.flush());
}

bool same_size(const std::string& path, uint64_t file_size) {
  std::error_code ec;
  return std::filesystem::file_size(path, ec) == file_size;
}

// The best rounds' rates in MiB/s and processor seconds.
struct figures {
  double down = 0, up = 0, sftp_down = 0, sftp_up = 0;
  double cpu_down = 0, cpu_up = 0, cpu_get = 0, cpu_put = 0;
};

// What every round works with: the source file, a local work folder, and the start of the
// remote folders' names (each run of rounds makes one in the user's home and removes it).
struct bench_files {
  std::string work;
  std::string source;
  std::string remote_folder;
  uint64_t size = 0;
};

// Rounds of our download and upload and OpenSSH's get and put, both clients connecting to
// `port` (the sshd's own or a relay's; 0 for OpenSSH means the sshd's); false when one failed.
bool measure(const bench_files& files, uint16_t port, uint16_t openssh_port, int rounds, figures& best) {
  explorer_session ours;
  double ignored = 0;
  const std::string remote_base = files.remote_folder + "-" + std::to_string(port);
  if (!ours.open(port) || !ours.run(request_make_folder, make_folder_request{remote_base, 0755}, ignored)) {
    std::fprintf(stderr, "the SFTP session did not open\n");
    return false;
  }
  std::string login_only = write_batch(files.work + "/login.batch", "bye\n");
  double our_down = 1e9, our_up = 1e9, their_down = 1e9, their_up = 1e9, their_login = 1e9;
  double cpu_login = 0;
  bool failed = false;
  for (int round = 0; round < rounds && !failed; ++round) {
    std::string down_ours = files.work + "/down-ours-" + std::to_string(round);
    std::string down_theirs = files.work + "/down-theirs-" + std::to_string(round);
    std::filesystem::create_directory(down_ours);
    std::filesystem::create_directory(down_theirs);
    std::string remote_ours = remote_base + "/ours-" + std::to_string(round);
    std::string remote_theirs = remote_base + "/theirs-" + std::to_string(round);
    double d = 0, u = 0, dc = 0, uc = 0, tdc = 0, tuc = 0, tlc = 0;
    failed = !ours.run(request_download, transfer_request{{files.source}, down_ours}, d, &dc) ||
             !ours.run(request_make_folder, make_folder_request{remote_ours, 0755}, ignored) ||
             !ours.run(request_upload, transfer_request{{files.source}, remote_ours + "/"}, u, &uc) ||
             !same_size(down_ours + "/" + file_name, files.size) ||
             !same_size(remote_ours + "/" + file_name, files.size);
    double td = openssh_sftp(write_batch(files.work + "/get.batch", "get " + files.source + " " + down_theirs + "/\n"),
                             openssh_port, tdc);
    double tu = openssh_sftp(write_batch(files.work + "/put.batch", "mkdir " + remote_theirs + "\nput " + files.source +
                                                                         " " + remote_theirs + "/\n"),
                             openssh_port, tuc);
    double tl = openssh_sftp(login_only, openssh_port, tlc);
    std::filesystem::remove_all(down_ours);
    std::filesystem::remove_all(down_theirs);
    if (failed || td < 0 || tu < 0 || tl < 0) {
      std::fprintf(stderr, "round %d failed\n", round + 1);
      failed = true;
      break;
    }
    std::printf("round %d: tessary download %.3f s, upload %.3f s; sftp get %.3f s, put %.3f s, login %.3f s\n",
                round + 1, d, u, td, tu, tl);
    std::fflush(stdout);
    if (d < our_down) our_down = d, best.cpu_down = dc;
    if (u < our_up) our_up = u, best.cpu_up = uc;
    if (td < their_down) their_down = td, best.cpu_get = tdc;
    if (tu < their_up) their_up = tu, best.cpu_put = tuc;
    if (tl < their_login) their_login = tl, cpu_login = tlc;
  }
  ours.run(request_delete_files, std::vector<std::string>{remote_base + "/"}, ignored);
  if (failed) return false;
  const double mib = static_cast<double>(files.size) / (1024.0 * 1024.0);
  best.down = mib / our_down;
  best.up = mib / our_up;
  best.sftp_down = mib / std::max(their_down - their_login, 1e-6);
  best.sftp_up = mib / std::max(their_up - their_login, 1e-6);
  best.cpu_get = std::max(best.cpu_get - cpu_login, 0.0);
  best.cpu_put = std::max(best.cpu_put - cpu_login, 0.0);
  return true;
}

// 256 MiB straight to the sshd.
bool plain_mode(const bench_files& files, uint16_t sshd_port) {
  figures best;
  if (!measure(files, sshd_port, 0, 5, best)) return false;
  // What each side's processor time was for the file, in the best rounds (OpenSSH's without its
  // login): ours is libssh2's encryption and decryption on one thread, theirs the ssh process's.
  std::printf("processor time for %.0f MiB: tessary download %.2f s, upload %.2f s; OpenSSH sftp get %.2f s, "
              "put %.2f s\n",
              static_cast<double>(files.size >> 20), best.cpu_down, best.cpu_up, best.cpu_get, best.cpu_put);
  std::printf("sftp: download %.0f MiB/s, upload %.0f MiB/s, OpenSSH sftp download %.0f MiB/s, upload %.0f MiB/s, "
              "ratios %.2f %.2f\n",
              best.down, best.up, best.sftp_down, best.sftp_up, best.down / best.sftp_down, best.up / best.sftp_up);
  return true;
}

// 64 MiB through the delaying relay at each round trip.
bool long_link_mode(const bench_files& files, uint16_t sshd_port) {
  const int round_trips_ms[] = {0, 20, 80};
  std::string ratios;
  for (int round_trip : round_trips_ms) {
    test_support::freezing_proxy relay(env("TESSARY_SSH_HOST"), sshd_port, std::chrono::milliseconds(round_trip / 2));
    figures best;
    std::printf("round trip %d ms:\n", round_trip);
    if (!relay.valid() || !measure(files, relay.port(), relay.port(), 2, best)) return false;
    std::printf("%d ms: tessary download %.1f MiB/s, upload %.1f MiB/s; OpenSSH sftp download %.1f MiB/s, "
                "upload %.1f MiB/s\n",
                round_trip, best.down, best.up, best.sftp_down, best.sftp_up);
    std::fflush(stdout);
    char part[96];
    std::snprintf(part, sizeof part, "%s%d ms up %.2f down %.2f", ratios.empty() ? "" : ", ", round_trip,
                  best.up / best.sftp_up, best.down / best.sftp_down);
    ratios += part;
  }
  std::printf("sftp long link, ours/OpenSSH: %s\n", ratios.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool long_link = argc > 1 && std::string(argv[1]) == "--long-link";
  if ((argc > 1 && !long_link) || argc > 2) {
    std::fprintf(stderr, "usage: sftp_throughput [--long-link]\n");
    return 2;
  }
  if (env("TESSARY_SSH_PORT").empty() || env("TESSARY_SSH_HOME").empty()) {
    std::fprintf(stderr, "start the peers first: tests/peers/start FILE, then export its lines\n");
    return 2;
  }
  // The source file lives in a folder of its own that the sshd's user can read; downloads go
  // into fresh local folders; uploads into a fresh folder in the user's home. Host keys our
  // client learns (a relay's port is a new host to it) go to a settings folder of the run's own.
  bench_files files;
  files.work = std::filesystem::temp_directory_path().string() + "/sftp-bench-XXXXXX";
  if (!mkdtemp(files.work.data())) return 1;
  chmod(files.work.c_str(), 0755);
  setenv("APPDATA", files.work.c_str(), 1);
  files.source = files.work + "/" + file_name;
  files.remote_folder = env("TESSARY_SSH_HOME") + "/sftp-bench-" + std::to_string(getpid());
  files.size = (long_link ? uint64_t{64} : uint64_t{256}) << 20;
  if (!make_random_file(files.source, files.size)) return 1;
  chmod(files.source.c_str(), 0644);
  const auto sshd_port = static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
  const bool done = long_link ? long_link_mode(files, sshd_port) : plain_mode(files, sshd_port);
  std::filesystem::remove_all(files.work);
  return done ? 0 : 1;
}
