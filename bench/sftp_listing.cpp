// The HTTP server's SFTP storage listing one large folder: 200,000 empty files in a fresh
// folder of the loopback sshd's test user (tests/peers/start), listed through `quarro::sftp`
// (log-in, every entry read and sorted by name, log-out), beside OpenSSH's `sftp` client
// listing the same folder ("ls -1", which sorts too) in the same run; both times include the
// log-in (an `sftp` run that only logs in is timed beside them). The best of three rounds counts
// for each. The last line holds both times and the ratio (ours over OpenSSH's).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/peer_clients.h"
#include "servers/storage/handle.h"
#include "servers/storage/sftp.h"

namespace {

using bench::env;
using bench::seconds_since;
using bench::steady;

constexpr int rounds = 3;
constexpr int names = 200000;

double openssh_sftp(const std::string& batch_file) {
  std::vector<std::string> words = {"sftp", "-q", "-b", batch_file};
  for (std::string& word : bench::openssh_login("-P")) words.push_back(std::move(word));
  return bench::run_quietly(std::move(words));
}

std::string write_batch(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
  return path;
}

// Names made in descending order, so that a folder whose order follows creation sends them so.
bool make_files(const std::string& folder) {
  char name[32];
  for (int i = names - 1; i >= 0; --i) {
    std::snprintf(name, sizeof name, "/n%06d", i);
    const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ::close(fd);
  }
  return ::chmod(folder.c_str(), 0755) == 0;
}

// Seconds to list the folder, or a negative value when the listing failed or was not whole.
double our_listing(const std::string& folder) {
  quarro::location where;
  where.scheme = quarro::SCHEME_SFTP;
  where.host = env("TESSARY_SSH_HOST");
  where.default_port = 0;
  where.port = static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
  where.path = folder;
  where.username = env("TESSARY_SSH_USER");
  where.password = env("TESSARY_SSH_PASSWORD");
  quarro::handle handle;
  if (!handle.create_backend(&where)) return -1;
  std::vector<quarro::entry> entries;
  const auto start = steady::now();
  const bool listed = handle.backend->list(entries);
  const double took = seconds_since(start);
  // "." and ".." are listed too; the listing stops at its limit.
  const size_t whole = std::min<size_t>(names + 2, quarro::sftp::listing_limit);
  return listed && entries.size() == whole ? took : -1;
}

}  // namespace

int main() {
  if (env("TESSARY_SSH_PORT").empty() || env("TESSARY_SSH_HOME").empty()) {
    std::fprintf(stderr, "start the peers first: tests/peers/start FILE, then export its lines\n");
    return 2;
  }
  const std::string folder = env("TESSARY_SSH_HOME") + "/sftp-listing-bench-" + std::to_string(::getpid());
  std::string work = std::filesystem::temp_directory_path().string() + "/sftp-listing-bench-XXXXXX";
  if (!::mkdtemp(work.data()) || ::mkdir(folder.c_str(), 0755) != 0 || !make_files(folder)) {
    std::fprintf(stderr, "cannot make %d files in %s\n", names, folder.c_str());
    return 1;
  }
  const std::string list_batch = write_batch(work + "/list.batch", "ls -1 " + folder + "\n");
  const std::string login_batch = write_batch(work + "/login.batch", "bye\n");
  double ours = -1, theirs = -1;
  bool failed = false;
  for (int round = 1; round <= rounds && !failed; ++round) {
    const double o = our_listing(folder);
    const double t = openssh_sftp(list_batch);
    const double l = openssh_sftp(login_batch);
    failed = o < 0 || t < 0 || l < 0;
    std::printf("round %d: tessary %.3f s; sftp ls %.3f s, login %.3f s\n", round, o, t, l);
    if (o >= 0 && (ours < 0 || o < ours)) ours = o;
    if (t >= 0 && (theirs < 0 || t < theirs)) theirs = t;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::remove_all(work, ignored);
  if (failed) {
    std::fprintf(stderr, "a listing failed\n");
    return 1;
  }
  std::printf("sftp listing of %d names: tessary %.2f s, OpenSSH sftp %.2f s, ratio %.2f\n", names, ours, theirs,
              ours / theirs);
  return 0;
}
