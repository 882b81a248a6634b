// Throughput and keystroke latency of an SSH2 terminal session over the loopback sshd of
// tests/peers/start.
//
// Throughput: `cat` of a 64 MiB file in the shell, received through `ssh2` and its
// `terminal_thread` into a terminal core (parser and screen), beside OpenSSH's ssh client running
// the same `cat` into /dev/null in the same run, once on a pseudo-terminal as ours (-tt: the
// same path through the server) and once without one. The best of three rounds counts for each;
// each OpenSSH time has the time of the same `ssh ... true` taken off, as ours starts after the
// login. Latency: a byte pushed into the send queue until its echo arrives, over many keys.
// The last line holds the rates and the ratios.
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "bench/peer_clients.h"
#include "connections/connection_owner.h"
#include "connections/ssh2.h"
#include "terminal/send_item.h"
#include "terminal/terminal_core.h"
#include "terminal/terminal_core_link.h"

namespace {

using bench::steady;
using namespace std::chrono_literals;

constexpr int rounds = 3;
constexpr int keystrokes = 400;

using bench::env;
using bench::seconds_since;

// Waits for the states the worker reports.
class state_watch : public connection_owner {
 public:
  void connection_state_changed(connection_state s) override {
    {
      std::lock_guard<std::mutex> guard(lock);
      state = s;
    }
    changed.notify_all();
  }
  bool wait_for(connection_state wanted, std::chrono::seconds limit) {
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, limit, [&] { return state == wanted; });
  }

 private:
  std::mutex lock;
  std::condition_variable changed;
  connection_state state = state_disconnected;
};

// The core's link, counting what arrives and telling a waiter when it does.
class counting_link : public terminal_core_link {
 public:
  explicit counting_link(std::shared_ptr<terminal_core> core) : terminal_core_link(std::move(core), {}) {}
  void receive_data(const char* bytes, int length) override {
    terminal_core_link::receive_data(bytes, length);
    {
      std::lock_guard<std::mutex> guard(lock);
      received += static_cast<size_t>(length);
    }
    arrived.notify_all();
  }
  size_t count() {
    std::lock_guard<std::mutex> guard(lock);
    return received;
  }
  // Waits until more than `seen` bytes arrived; false after the limit.
  bool wait_beyond(size_t seen, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> guard(lock);
    return arrived.wait_for(guard, limit, [&] { return received > seen; });
  }
  // Waits until nothing arrived for `quiet`.
  void settle(std::chrono::milliseconds quiet) {
    size_t seen = count();
    while (wait_beyond(seen, quiet)) seen = count();
  }

 private:
  std::mutex lock;
  std::condition_variable arrived;
  size_t received = 0;
};

struct session {
  std::shared_ptr<terminal_core> core = std::make_shared<terminal_core>();
  std::shared_ptr<counting_link> link = std::make_shared<counting_link>(core);
  std::shared_ptr<state_watch> watch = std::make_shared<state_watch>();
  std::shared_ptr<ssh2> connection;

  bool open() {
    ssh2_param param;
    param.hostname = env("TESSARY_SSH_HOST");
    param.port = static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
    param.username = env("TESSARY_SSH_USER");
    param.password = env("TESSARY_SSH_PASSWORD");
    core->resize(50, 160);
    connection = std::make_shared<ssh2>("bench", param);
    connection->terminal_type = "xterm";
    connection->set_owner(watch);
    connection->set_terminal(link);
    connection->start();
    if (!watch->wait_for(state_connected, 20s)) return false;
    link->settle(300ms);  // the banner and the prompt
    return true;
  }
  void type(const std::string& text) {
    for (char c : text) core->queue.push(send_item::one_byte(static_cast<unsigned char>(c)));
  }
  ~session() {
    if (connection) connection->release();
  }
};

// Seconds for the file to pass through our session, or a negative value on failure; `cpu`
// gets the processor time this process spent meanwhile (worker and parser).
double tessary_cat(const std::string& file, double& cpu) {
  session s;
  if (!s.open()) return -1;
  auto start = steady::now();
  double cpu_start = bench::cpu_seconds(RUSAGE_SELF);
  s.type("cat " + file + "; exit\r");
  if (!s.watch->wait_for(state_disconnected, 300s)) return -1;
  cpu = bench::cpu_seconds(RUSAGE_SELF) - cpu_start;
  return seconds_since(start);
}

// Seconds for OpenSSH's ssh to run `command` with its output going to /dev/null, on a
// pseudo-terminal when `tty` is set.
double openssh_run(const std::string& command, bool tty) {
  std::vector<std::string> words = {"ssh", "-q"};
  if (tty) words.push_back("-tt");
  for (std::string& word : bench::openssh_login("-p")) words.push_back(std::move(word));
  words.push_back(command);
  return bench::run_quietly(std::move(words));
}

// Keystroke to echo, in microseconds, sorted.
std::vector<double> echo_latencies() {
  session s;
  std::vector<double> samples;
  if (!s.open()) return samples;
  for (int i = 0; i < keystrokes; ++i) {
    size_t seen = s.link->count();
    auto start = steady::now();
    s.type("a");
    if (!s.link->wait_beyond(seen, 2000ms)) break;
    samples.push_back(std::chrono::duration<double, std::micro>(steady::now() - start).count());
    s.link->settle(2ms);
    if (i % 50 == 49) {
      s.type("\x15");  // Ctrl+U keeps the command line short
      s.link->settle(20ms);
    }
  }
  std::sort(samples.begin(), samples.end());
  return samples;
}

double percentile(const std::vector<double>& sorted, double p) {
  return sorted[std::min(sorted.size() - 1, static_cast<size_t>(p * static_cast<double>(sorted.size())))];
}

}  // namespace

int main() {
  std::string file = env("TESSARY_SSH_BENCH_FILE");
  struct stat info{};
  if (env("TESSARY_SSH_PORT").empty() || file.empty() || stat(file.c_str(), &info) != 0) {
    std::fprintf(stderr, "start the peers first: tests/peers/start FILE, then export its lines\n");
    return 2;
  }
  double mib = static_cast<double>(info.st_size) / (1024.0 * 1024.0);

  // Best times: ours, then OpenSSH's cat and true on a pseudo-terminal and without one.
  double ours = 1e9, our_cpu = 1e9, tty_cat = 1e9, tty_true = 1e9, plain_cat = 1e9, plain_true = 1e9;
  for (int round = 0; round < rounds; ++round) {
    double cpu = 0;
    double t = tessary_cat(file, cpu);
    double tc = openssh_run("cat " + file, true);
    double tt = openssh_run("true", true);
    double pc = openssh_run("cat " + file, false);
    double pt = openssh_run("true", false);
    if (t < 0 || tc < 0 || tt < 0 || pc < 0 || pt < 0) {
      std::fprintf(stderr, "a round failed\n");
      return 1;
    }
    ours = std::min(ours, t);
    our_cpu = std::min(our_cpu, cpu);
    tty_cat = std::min(tty_cat, tc);
    tty_true = std::min(tty_true, tt);
    plain_cat = std::min(plain_cat, pc);
    plain_true = std::min(plain_true, pt);
    std::printf("round %d: tessary %.3f s (cpu %.3f s); openssh -tt %.3f s (true %.3f s); openssh %.3f s (true %.3f s)\n",
                round + 1, t, cpu, tc, tt, pc, pt);
  }
  double our_rate = mib / ours;
  double tty_rate = mib / std::max(tty_cat - tty_true, 1e-6);
  double plain_rate = mib / std::max(plain_cat - plain_true, 1e-6);

  // What our side alone could take if the server's pseudo-terminal did not hold it back.
  std::printf("tessary processor time for %.0f MiB: %.3f s (a ceiling of %.0f MiB/s)\n", mib, our_cpu,
              mib / std::max(our_cpu, 1e-6));

  std::vector<double> latency = echo_latencies();
  if (latency.empty()) {
    std::fprintf(stderr, "no echo came back\n");
    return 1;
  }
  std::printf("keystroke to echo over %zu keys: p50 %.0f us, p99 %.0f us\n", latency.size(),
              percentile(latency, 0.50), percentile(latency, 0.99));
  std::printf("ssh_throughput: %.0f MiB: tessary %.1f MiB/s, openssh -tt %.1f MiB/s, openssh %.1f MiB/s, "
              "ratio %.2f (pty path) %.2f (openssh without pty)\n",
              mib, our_rate, tty_rate, plain_rate, our_rate / tty_rate, our_rate / plain_rate);
  return 0;
}
