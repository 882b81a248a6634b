// Load and save of a settings file with 10,000 hosts in 100 groups.
//
// Builds the tree in a store of its own, times configuration::save (both files, synced), then
// times configuration::load of that file into a fresh store. Prints both, and on the last line
// the two times together in milliseconds.
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "config/configuration.h"
#include "config/host_param.h"
#include "config/text_convert.h"
#include "platform/clock.h"

namespace {

constexpr int group_count = 100;
constexpr int hosts_per_group = 100;

double milliseconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::unique_ptr<host_node> big_tree() {
  auto root = std::make_unique<host_node>(std::u16string(u"All Hosts"));
  for (int g = 0; g < group_count; ++g) {
    auto group = std::make_unique<host_node>(u"group " + mbs_to_wstring(std::to_string(g)));
    for (int h = 0; h < hosts_per_group; ++h) {
      session_record record;
      const std::string id = std::to_string(g * hosts_per_group + h);
      record.name = u"host " + mbs_to_wstring(id);
      record.connection.protocol = h % 3;
      record.connection.ssh2.hostname = "h" + id + ".example.org";
      record.connection.ssh2.username = "user";
      record.connection.ssh2.password = "pass&word<" + id;
      record.connection.telnet.hostname = "t" + id + ".example.org";
      group->group->children.push_back(std::make_unique<host_node>(std::move(record)));
    }
    root->group->children.push_back(std::move(group));
  }
  return root;
}

}  // namespace

int main(int argc, char** argv) {
  char folder[] = "/tmp/tessary-bench-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("APPDATA", folder, 1);
  QCoreApplication app(argc, argv);
  const std::string path = std::string(folder) + "/Tessary.conf";

  configuration written(path, platform::real_clock());
  written.hosts->set_tree(big_tree(), false);
  auto start = std::chrono::steady_clock::now();
  if (!written.save()) return 1;
  const double save_ms = milliseconds_since(start);

  configuration read(path, platform::real_clock());
  start = std::chrono::steady_clock::now();
  if (!read.load()) return 1;
  const double load_ms = milliseconds_since(start);
  size_t hosts = 0;
  for_each_host(*read.hosts->root, [&](const session_record&) { ++hosts; });

  std::printf("hosts read back: %zu\n", hosts);
  std::printf("file: %ju bytes\n", static_cast<uintmax_t>(std::filesystem::file_size(path)));
  std::printf("save: %.1f ms\n", save_ms);
  std::printf("load: %.1f ms\n", load_ms);
  std::printf("config_hosts load+save of 10000 hosts in 100 groups: %.1f ms\n", save_ms + load_ms);

  std::filesystem::remove_all(folder);
  return hosts == group_count * hosts_per_group ? 0 : 1;
}
