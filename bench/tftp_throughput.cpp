// TFTP throughput: a 32 MiB download and upload through our server and through tftpd-hpa
// (in.tftpd -L -s on another loopback port), both driven by the same tftp-hpa client in the same
// run. Each transfer runs three times per server, alternating; the best time counts. The last
// line gives both rates (download and upload together) and our rate over tftpd-hpa's.
#include <arpa/inet.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/peer_clients.h"
#include "config/tftpd_param.h"
#include "servers/tftpd.h"
#include "tests/support/stop_process.h"

extern char** environ;

namespace {

constexpr size_t file_size = 32u * 1024 * 1024;
constexpr int rounds = 3;


// Seconds one tftp-hpa command took; negative when it failed.
double timed(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return status == 0 ? seconds : -1;
}

bool same_file(const std::string& a, const std::string& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  return std::equal(std::istreambuf_iterator<char>(x), {}, std::istreambuf_iterator<char>(y), {});
}

struct best_times {
  double down = 1e9;
  double up = 1e9;
};

// One download and one upload through the server at `port`, whose upload folder is `incoming`.
bool measure(uint16_t port, const std::string& work, const std::string& incoming, best_times& best) {
  const std::string client = "tftp -m binary 127.0.0.1 " + std::to_string(port) + " -c ";
  std::filesystem::remove(work + "/fetched.bin");
  std::filesystem::remove(incoming + "/stored.bin");
  const double down = timed("cd " + work + " && " + client + "get big.bin fetched.bin");
  const double up = timed("cd " + work + " && " + client + "put big.bin stored.bin");
  if (down < 0 || up < 0 || !same_file(work + "/big.bin", work + "/fetched.bin") ||
      !same_file(work + "/big.bin", incoming + "/stored.bin"))
    return false;
  best.down = std::min(best.down, down);
  best.up = std::min(best.up, up);
  return true;
}

double mib_per_s(double seconds) { return file_size / (1024.0 * 1024.0) / seconds; }

}  // namespace

int main() {
  char pattern[] = "/tmp/tftp-bench-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const std::string work = pattern;
  const std::string ours_in = work + "/ours-in";
  std::filesystem::create_directories(ours_in);
  {
    std::ofstream out(work + "/big.bin", std::ios::binary);
    std::string block(64 * 1024, '\0');
    for (size_t done = 0; done < file_size; done += block.size()) {
      for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((done + i) * 2654435761u >> 24);
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
  }
  // tftpd-hpa serves and stores in one folder: its uploads land beside big.bin.
  tftpd_param settings;  // the defaults a user gets, with our folders and a free port
  settings.enable = true;
  settings.write_enable = true;
  settings.port = bench::free_loopback_port(SOCK_DGRAM);
  settings.download_paths = {work};
  settings.download_index = 0;
  settings.upload_paths = {ours_in};
  settings.upload_index = 0;
  if (!tftpd::instance()->start(settings)) {
    std::printf("our server did not start\n");
    return 1;
  }

  const uint16_t hpa_port = bench::free_loopback_port(SOCK_DGRAM);
  const std::string address = "127.0.0.1:" + std::to_string(hpa_port);
  const char* argv[] = {"in.tftpd", "-L", "-s", work.c_str(), "-a", address.c_str(), "-c", "-p", "-u", "root", nullptr};
  pid_t hpa = -1;
  if (::posix_spawnp(&hpa, "in.tftpd", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
    std::printf("in.tftpd (tftpd-hpa) could not be started\n");
    return 1;
  }
  ::usleep(300000);

  best_times ours, theirs;
  bool ok = true;
  for (int round = 0; round < rounds && ok; ++round) {
    ok = measure(static_cast<uint16_t>(settings.port), work, ours_in, ours);
    if (ok) {
      ok = measure(hpa_port, work, work, theirs);
    }
  }
  test_support::stop_process(hpa);
  tftpd::instance()->stop();
  std::filesystem::remove_all(work);
  if (!ok) {
    std::printf("a transfer failed or arrived damaged\n");
    return 1;
  }
  std::printf("tessary   download %.1f MiB/s, upload %.1f MiB/s\n", mib_per_s(ours.down), mib_per_s(ours.up));
  std::printf("tftpd-hpa download %.1f MiB/s, upload %.1f MiB/s\n", mib_per_s(theirs.down), mib_per_s(theirs.up));
  const double ours_rate = 2 * mib_per_s(ours.down + ours.up);
  const double theirs_rate = 2 * mib_per_s(theirs.down + theirs.up);
  std::printf("tftp 32 MiB down+up: tessary %.1f MiB/s, tftpd-hpa %.1f MiB/s, ratio %.2f\n", ours_rate, theirs_rate,
              ours_rate / theirs_rate);
  return 0;
}
