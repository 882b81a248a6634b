// HTTP throughput: our server beside busybox httpd (and nginx with one worker, when it is
// installed), all serving the same folder on loopback ports in the same run, all driven by the
// same client in this program. Small files: 4 KiB files fetched one request per connection at
// concurrency 1, 16 and 64, in requests per second. Large file: one 1 GiB file over one
// connection, in MiB/s. Each figure is the best of three rounds, the servers taking turns.
// The last line gives our rates and our ratio to busybox httpd for each.
//
//   http_throughput [--level DEBUG|INFORMATION|ERROR|DISABLED] [--seconds S] [--large-mib N]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/peer_clients.h"
#include "config/httpd_param.h"
#include "servers/httpd.h"
#include "tests/support/stop_process.h"

extern char** environ;

namespace {

constexpr int small_files = 1000;
constexpr size_t small_size = 4096;
constexpr int rounds = 3;
constexpr int concurrencies[] = {1, 16, 64};


int connect_to(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

// One request on its own connection; the bytes of the body, or -1 when the answer was not a
// whole 200 (status line, then exactly `expected` body bytes when that is not negative).
int64_t fetch(uint16_t port, const std::string& target, int64_t expected, std::vector<char>& buffer) {
  const int fd = connect_to(port);
  if (fd < 0) return -1;
  const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) {
    ::close(fd);
    return -1;
  }
  std::string head;
  int64_t total = 0;
  int64_t body = -1;
  for (;;) {
    const ssize_t got = ::recv(fd, buffer.data(), buffer.size(), 0);
    if (got <= 0) break;
    total += got;
    if (body < 0) {
      head.append(buffer.data(), static_cast<size_t>(got));
      const size_t end = head.find("\r\n\r\n");
      if (end != std::string::npos) body = static_cast<int64_t>(head.size() - end - 4);
    } else {
      body += got;
    }
  }
  ::close(fd);
  const bool ok = head.compare(0, 12, "HTTP/1.1 200") == 0 || head.compare(0, 12, "HTTP/1.0 200") == 0;
  if (!ok || body < 0 || (expected >= 0 && body != expected)) return -1;
  return body;
}

struct served {
  std::string name;
  uint16_t port;
};

// Requests per second for `seconds` with `clients` threads, each fetching small files in turn.
double small_rate(uint16_t port, int clients, double seconds, int& failures) {
  std::atomic<int64_t> done{0};
  std::atomic<int> failed{0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c) {
    threads.emplace_back([&, c] {
      std::vector<char> buffer(65536);
      for (int i = c; std::chrono::steady_clock::now() < deadline; i += clients) {
        char target[32];
        std::snprintf(target, sizeof target, "/s%04d.bin", i % small_files);
        if (fetch(port, target, small_size, buffer) < 0)
          ++failed;
        else
          ++done;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  failures += failed;
  return static_cast<double>(done) / elapsed;
}

// MiB/s of one fetch of the large file.
double large_rate(uint16_t port, int64_t size) {
  std::vector<char> buffer(1 << 20);
  const auto start = std::chrono::steady_clock::now();
  const int64_t got = fetch(port, "/large.bin", size, buffer);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return got < 0 ? 0 : static_cast<double>(got) / (1024.0 * 1024.0) / elapsed;
}

pid_t spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

bool wait_listening(uint16_t port) {
  for (int i = 0; i < 100; ++i) {
    const int fd = connect_to(port);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void make_files(const std::string& folder, int64_t large_size) {
  std::string block(small_size, '\0');
  for (int i = 0; i < small_files; ++i) {
    for (size_t j = 0; j < small_size; ++j) block[j] = static_cast<char>('a' + (i + j) % 26);
    char name[32];
    std::snprintf(name, sizeof name, "/s%04d.bin", i);
    std::ofstream(folder + name, std::ios::binary) << block;
  }
  std::ofstream large(folder + "/large.bin", std::ios::binary);
  std::vector<char> chunk(1 << 20);
  for (size_t j = 0; j < chunk.size(); ++j) chunk[j] = static_cast<char>(j * 7 % 251);
  for (int64_t written = 0; written < large_size; written += static_cast<int64_t>(chunk.size()))
    large.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

}  // namespace

int main(int argc, char** argv) {
  ::signal(SIGPIPE, SIG_IGN);
  std::string level_word = "ERROR";
  double seconds = 1.0;
  int64_t large_mib = 1024;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--level") level_word = argv[i + 1];
    if (option == "--seconds") seconds = std::atof(argv[i + 1]);
    if (option == "--large-mib") large_mib = std::atoll(argv[i + 1]);
  }
  const int64_t large_size = large_mib * 1024 * 1024;

  char pattern[] = "/tmp/tessary-http-bench-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const std::string work = pattern;
  const std::string folder = work + "/served";
  std::filesystem::create_directories(folder);
  std::filesystem::permissions(work, std::filesystem::perms(0755));
  std::printf("making %d files of 4 KiB and one of %lld MiB in %s\n", small_files,
              static_cast<long long>(large_mib), folder.c_str());
  make_files(folder, large_size);

  httpd ours;
  httpd_param settings;
  settings.enable = true;
  settings.interface_address = INADDR_LOOPBACK;
  settings.port = bench::free_loopback_port(SOCK_STREAM);
  settings.log_level = parse_log_level(std::u16string(level_word.begin(), level_word.end()));
  settings.home_paths = {folder};
  settings.home_index = 0;
  std::vector<served> servers;
  if (!ours.start(settings)) {
    std::fprintf(stderr, "our server did not start\n");
    return 1;
  }
  servers.push_back({"tessary", settings.port});

  const uint16_t busybox_port = bench::free_loopback_port(SOCK_STREAM);
  const pid_t busybox = spawn({"busybox", "httpd", "-f", "-p", "127.0.0.1:" + std::to_string(busybox_port), "-h",
                               folder});
  if (busybox < 0 || !wait_listening(busybox_port)) {
    std::fprintf(stderr, "busybox httpd did not start\n");
    return 1;
  }
  servers.push_back({"busybox", busybox_port});

  pid_t nginx = -1;
  if (::access("/usr/sbin/nginx", X_OK) == 0) {
    const uint16_t nginx_port = bench::free_loopback_port(SOCK_STREAM);
    std::ofstream(work + "/nginx.conf")
        << "worker_processes 1;\ndaemon off;\npid " << work << "/nginx.pid;\nerror_log " << work
        << "/nginx.log;\nevents { worker_connections 1024; }\nhttp {\n access_log off;\n sendfile on;\n"
        << " client_body_temp_path " << work << ";\n proxy_temp_path " << work << ";\n fastcgi_temp_path "
        << work << ";\n uwsgi_temp_path " << work << ";\n scgi_temp_path " << work
        << ";\n server {\n  listen 127.0.0.1:" << nginx_port << ";\n  root " << folder << ";\n }\n}\n";
    nginx = spawn({"/usr/sbin/nginx", "-c", work + "/nginx.conf", "-p", work});
    if (nginx >= 0 && wait_listening(nginx_port))
      servers.push_back({"nginx", nginx_port});
    else
      std::printf("nginx did not start; left out\n");
  }

  std::vector<std::vector<double>> small(servers.size(), std::vector<double>(std::size(concurrencies), 0));
  std::vector<double> large(servers.size(), 0);
  int failures = 0;
  for (int round = 0; round < rounds; ++round) {
    for (size_t c = 0; c < std::size(concurrencies); ++c)
      for (size_t s = 0; s < servers.size(); ++s)
        small[s][c] = std::max(small[s][c], small_rate(servers[s].port, concurrencies[c], seconds, failures));
    for (size_t s = 0; s < servers.size(); ++s) large[s] = std::max(large[s], large_rate(servers[s].port, large_size));
  }

  for (size_t s = 0; s < servers.size(); ++s) {
    std::printf("%-8s 4 KiB files: c1 %.0f/s, c16 %.0f/s, c64 %.0f/s; %lld MiB file %.0f MiB/s\n",
                servers[s].name.c_str(), small[s][0], small[s][1], small[s][2], static_cast<long long>(large_mib),
                large[s]);
  }
  if (failures) std::printf("failed requests: %d\n", failures);

  ours.stop();
  for (pid_t pid : {busybox, nginx}) test_support::stop_process(pid);
  std::filesystem::remove_all(work);

  auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
  std::printf(
      "http (log %s): tessary c1 %.0f/s (%.2f), c16 %.0f/s (%.2f), c64 %.0f/s (%.2f), 1 GiB %.0f MiB/s (%.2f) of "
      "busybox httpd\n",
      level_word.c_str(), small[0][0], ratio(small[0][0], small[1][0]), small[0][1], ratio(small[0][1], small[1][1]),
      small[0][2], ratio(small[0][2], small[1][2]), large[0], ratio(large[0], large[1]));
  return failures ? 1 : 0;
}
