// SFTP transfer throughput over the loopback sshd of tests/peers/start: a 256 MiB file of
// random bytes downloaded and uploaded through `ssh2`'s transfer code (a request placed in the
// connection's mailbox, run by its worker, timed until its result is stored), beside OpenSSH's
// `sftp` client moving the same file between the same folders in the same run. Each OpenSSH
// time has the time of an `sftp` run that only logs in taken off (ours starts after the login).
// The best of five rounds counts for each. The last line holds the four rates and the ratios
// (ours over OpenSSH's).
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

namespace {

using bench::steady;
using namespace std::chrono_literals;

constexpr int rounds = 5;
constexpr uint64_t file_size = uint64_t{256} << 20;
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
  bool open() {
    ssh2_param param;
    param.hostname = env("TESSARY_SSH_HOST");
    param.port = static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
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
double openssh_sftp(const std::string& batch_file, double& cpu) {
  std::vector<std::string> words = {"sftp", "-q", "-b", batch_file};
  for (std::string& word : bench::openssh_login("-P")) words.push_back(std::move(word));
  const double cpu_start = cpu_seconds(RUSAGE_CHILDREN);
  const double took = bench::run_quietly(std::move(words));
  cpu = cpu_seconds(RUSAGE_CHILDREN) - cpu_start;
  return took;
}

std::string write_batch(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
  return path;
}

bool make_random_file(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  std::mt19937_64 random(42);
  std::vector<uint64_t> block(1 << 17);  // 1 MiB
  for (uint64_t written = 0; written < file_size; written += block.size() * sizeof(uint64_t)) {
    for (auto& word : block) word = random();
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
  }
  return static_cast<bool>(out.flush());
}

bool same_size(const std::string& path) {
  std::error_code ec;
  return std::filesystem::file_size(path, ec) == file_size;
}

}  // namespace

int main() {
  if (env("TESSARY_SSH_PORT").empty() || env("TESSARY_SSH_HOME").empty()) {
    std::fprintf(stderr, "start the peers first: tests/peers/start FILE, then export its lines\n");
    return 2;
  }
  // The source file lives in a folder of its own that the sshd's user can read; downloads go
  // into fresh local folders; uploads into a fresh folder in the user's home.
  std::string work = std::filesystem::temp_directory_path().string() + "/sftp-bench-XXXXXX";
  if (!mkdtemp(work.data())) return 1;
  chmod(work.c_str(), 0755);
  std::string source = work + "/" + file_name;
  std::string remote_folder = env("TESSARY_SSH_HOME") + "/sftp-bench-" + std::to_string(getpid());
  if (!make_random_file(source)) return 1;
  chmod(source.c_str(), 0644);

  explorer_session ours;
  double ignored = 0;
  if (!ours.open() || !ours.run(request_make_folder, make_folder_request{remote_folder, 0755}, ignored)) {
    std::fprintf(stderr, "the SFTP session did not open\n");
    return 1;
  }
  std::string login_only = write_batch(work + "/login.batch", "bye\n");
  double mib = static_cast<double>(file_size) / (1024.0 * 1024.0);
  double our_down = 1e9, our_up = 1e9, their_down = 1e9, their_up = 1e9, their_login = 1e9;
  // Processor seconds of the best rounds.
  double cpu_down = 0, cpu_up = 0, cpu_get = 0, cpu_put = 0, cpu_login = 0;
  bool failed = false;
  for (int round = 0; round < rounds && !failed; ++round) {
    std::string down_ours = work + "/down-ours-" + std::to_string(round);
    std::string down_theirs = work + "/down-theirs-" + std::to_string(round);
    std::filesystem::create_directory(down_ours);
    std::filesystem::create_directory(down_theirs);
    std::string remote_ours = remote_folder + "/ours-" + std::to_string(round);
    std::string remote_theirs = remote_folder + "/theirs-" + std::to_string(round);
    double d = 0, u = 0, dc = 0, uc = 0, tdc = 0, tuc = 0, tlc = 0;
    failed = !ours.run(request_download, transfer_request{{source}, down_ours}, d, &dc) ||
             !ours.run(request_make_folder, make_folder_request{remote_ours, 0755}, ignored) ||
             !ours.run(request_upload, transfer_request{{source}, remote_ours + "/"}, u, &uc) ||
             !same_size(down_ours + "/" + file_name);
    double td = openssh_sftp(write_batch(work + "/get.batch", "get " + source + " " + down_theirs + "/\n"), tdc);
    double tu = openssh_sftp(
        write_batch(work + "/put.batch", "mkdir " + remote_theirs + "\nput " + source + " " + remote_theirs + "/\n"),
        tuc);
    double tl = openssh_sftp(login_only, tlc);
    if (failed || td < 0 || tu < 0 || tl < 0) {
      std::fprintf(stderr, "round %d failed\n", round + 1);
      failed = true;
      break;
    }
    std::printf("round %d: tessary download %.3f s, upload %.3f s; sftp get %.3f s, put %.3f s, login %.3f s\n",
                round + 1, d, u, td, tu, tl);
    if (d < our_down) our_down = d, cpu_down = dc;
    if (u < our_up) our_up = u, cpu_up = uc;
    if (td < their_down) their_down = td, cpu_get = tdc;
    if (tu < their_up) their_up = tu, cpu_put = tuc;
    if (tl < their_login) their_login = tl, cpu_login = tlc;
    std::filesystem::remove_all(down_ours);
    std::filesystem::remove_all(down_theirs);
  }
  ours.run(request_delete_files, std::vector<std::string>{remote_folder + "/"}, ignored);
  std::filesystem::remove_all(work);
  if (failed) return 1;

  // What each side's processor time was for the file, in the best rounds (OpenSSH's without its
  // login): ours is libssh2's encryption and decryption on one thread, theirs the ssh process's.
  std::printf("processor time for %.0f MiB: tessary download %.2f s, upload %.2f s; OpenSSH sftp get %.2f s, "
              "put %.2f s\n",
              mib, cpu_down, cpu_up, std::max(cpu_get - cpu_login, 0.0), std::max(cpu_put - cpu_login, 0.0));
  double down = mib / our_down, up = mib / our_up;
  double sftp_down = mib / std::max(their_down - their_login, 1e-6);
  double sftp_up = mib / std::max(their_up - their_login, 1e-6);
  std::printf("sftp: download %.0f MiB/s, upload %.0f MiB/s, OpenSSH sftp download %.0f MiB/s, upload %.0f MiB/s, "
              "ratios %.2f %.2f\n",
              down, up, sftp_down, sftp_up, down / sftp_down, up / sftp_up);
  return 0;
}
