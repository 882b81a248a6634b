// The explorer's list with 100,000 entries: a real CExplorerView (offscreen) on a real SSH2
// connection to the loopback sshd of tests/peers/start lists a folder of 100,000 files 50
// times. Each refresh is timed in two parts: the listing (request placed until the worker
// stored the result) and the sort and fill (the view taking the result, sorting the rows once,
// replacing the model's rows and laying out and painting the list). The resident memory is read
// after each refresh, so growth across refreshes shows. The last line holds the medians and the
// memory after the first, the second and the last refresh.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/session_record.h"
#include "connections/ssh2.h"
#include "explorer/CExplorerDoc.h"
#include "explorer/CExplorerListCtrl.h"
#include "explorer/CExplorerView.h"
#include "explorer/CPathBarEx.h"
#include "explorer/explorer_model.h"

namespace {

using steady = std::chrono::steady_clock;

constexpr int entry_count = 100000;
constexpr int refreshes = 50;

std::string env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

double ms_since(steady::time_point start) {
  return std::chrono::duration<double, std::milli>(steady::now() - start).count();
}

// Resident memory of this process in MiB.
double resident_mib() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// A folder of `entry_count` entries the sshd's user can read: files of a few types and sizes,
// and one folder in a hundred.
bool make_folder(const std::string& folder) {
  const char* types[] = {".txt", ".log", ".png", ".tar.gz", ".c", ""};
  for (int i = 0; i < entry_count; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "/entry-%06d%s", (i * 7919) % entry_count, types[i % 6]);
    std::string path = folder + name;
    if (i % 100 == 0) {
      if (mkdir(path.c_str(), 0755) != 0) return false;
      continue;
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    if (ftruncate(fd, i % 4096) != 0) return false;
    close(fd);
  }
  return true;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (env("TESSARY_SSH_PORT").empty()) {
    std::fprintf(stderr, "start the peers first: tests/peers/start FILE, then export its lines\n");
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::string work = std::filesystem::temp_directory_path().string() + "/explorer-list-XXXXXX";
  if (!mkdtemp(work.data())) return 1;
  chmod(work.c_str(), 0755);
  setenv("APPDATA", work.c_str(), 1);
  std::string folder = work + "/entries";
  mkdir(folder.c_str(), 0755);
  if (!make_folder(folder)) {
    std::fprintf(stderr, "cannot make the folder\n");
    return 1;
  }

  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  session_record record;
  record.name = u"bench";
  record.view = session_view_explorer;
  record.connection.protocol = protocol_ssh2;
  record.connection.ssh2.hostname = env("TESSARY_SSH_HOST");
  record.connection.ssh2.port = static_cast<uint16_t>(std::stoi(env("TESSARY_SSH_PORT")));
  record.connection.ssh2.username = env("TESSARY_SSH_USER");
  record.connection.ssh2.password = env("TESSARY_SSH_PASSWORD");
  auto document = std::make_shared<CExplorerDoc>();
  document->OnOpenDocument(record);
  {
    CExplorerView view(document);
    view.resize(1000, 700);
    view.show();
    view.Refresh();
    auto idle = [&] { return view.m_pProtocol && view.m_pProtocol->request.state.load() == request_idle; };
    auto started = steady::now();
    while (!(view.m_wndPathBar->m_strCurrent == env("TESSARY_SSH_HOME") && idle())) {
      application.processEvents(QEventLoop::AllEvents, 50);
      if (ms_since(started) > 20000) {
        std::fprintf(stderr, "the explorer did not connect\n");
        return 1;
      }
    }

    std::vector<double> listing, filling;
    // The second refresh holds the old rows and the new listing at once; from then on the
    // memory should stay where it is.
    double first_memory = 0, second_memory = 0;
    for (int round = 0; round < refreshes; ++round) {
      auto start = steady::now();
      view.m_wndPathBar->list_folder(folder);
      // The worker lists; the notice waits in the event queue meanwhile.
      while (view.m_pProtocol->request.state.load() != request_done)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      listing.push_back(ms_since(start));
      start = steady::now();
      while (!idle()) application.processEvents();
      // The list's layout and paint for the new rows.
      view.m_wndList->repaint();
      application.processEvents();
      filling.push_back(ms_since(start));
      if (view.m_model->rowCount() != entry_count + 1) {
        std::fprintf(stderr, "%d rows listed\n", view.m_model->rowCount());
        return 1;
      }
      if (round == 0) first_memory = resident_mib();
      if (round == 1) second_memory = resident_mib();
      if (round == 0 || round % 10 == 9)
        std::printf("refresh %2d: list %.0f ms, sort and fill %.0f ms, resident %.1f MiB\n", round + 1,
                    listing.back(), filling.back(), resident_mib());
    }
    double last_memory = resident_mib();
    std::printf("explorer_list: %d entries: list %.0f ms, sort and fill %.0f ms (medians of %d); resident "
                "%.1f MiB after refresh 1, %.1f MiB after refresh 2, %.1f MiB after refresh %d\n",
                entry_count, median(listing), median(filling), refreshes, first_memory, second_memory, last_memory,
                refreshes);
  }
  std::filesystem::remove_all(work);
  return 0;
}
