// What drawing costs the terminal view, and how long the screen mutex is held while a flood is
// received and painted.
//
//   terminal_paint [--frames N] [--flood-mb N]
//
// Paint: a real CTerminalView, shown offscreen with a 200 x 60 client area, its screen full of
// cells whose attributes alternate from cell to cell (so every cell is a run of its own, the
// worst case for run drawing); the viewport is rendered into an image N times.
// Flood: a worker thread feeds a stream of dense SGR colour runs in 8192-byte blocks through the
// view's terminal link, as a connection's worker does; the GUI thread meanwhile runs its event
// loop (each posted notice repaints the view). The worker's time per block under the screen
// mutex, and the time the GUI spends in the locked copy that each paint takes, are collected.
// Both include any wait for the other side. The last line gives the paint time per frame and
// the mutex hold p50/p99 of both sides.
#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/terminal_streams.h"
#include "connections/protocol.h"
#include "terminal/CTerminalDoc.h"
#include "terminal/CTerminalView.h"
#include "terminal/screen_snapshot.h"
#include "terminal/terminal_core.h"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr int rows = 60;
constexpr int cols = 200;
constexpr size_t block = 8192;

// The view's connection for the flood: never started, it only carries the terminal link.
class idle_protocol : public protocol {
 public:
  idle_protocol() : protocol(0, "bench") {}
  std::u16string display_name() const override { return u"bench"; }
  int get_params(connection_params&) const override { return 1; }
  bool open(const platform::worker_control&) override { return false; }
  int close() override { return 1; }
  int run_request(std::u16string&, const platform::worker_control&) override { return 0; }
  int read(char*, int) override { return -1; }
  int write(const char*, int length) override { return length; }
  int set_size(terminal_size) override { return 0; }
  wait_target input_wait() const override { return {}; }
};

double micros(clock_type::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[at];
}

// A screen full of cells that alternate between two attributes.
std::string alternating_screen() {
  std::string bytes = "\x1b[H\x1b[2J";
  for (int r = 0; r < rows; ++r) {
    bytes += "\x1b[" + std::to_string(r + 1) + ";1H";
    for (int c = 0; c < cols; ++c) {
      bytes += (r + c) % 2 ? "\x1b[0;31;40m" : "\x1b[1;32;44m";
      bytes += static_cast<char>('A' + (r * cols + c) % 26);
    }
  }
  return bytes + "\x1b[0m";
}

int option(int argc, char** argv, const char* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = option(argc, argv, "--frames", 200);
  const int flood_mb = option(argc, argv, "--flood-mb", 64);
  char folder[] = "/tmp/tessary-bench-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("APPDATA", folder, 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  session_record record;
  record.name = u"bench";
  record.appearance.font_name = u"DejaVu Sans Mono";
  record.appearance.font_size = 10;
  auto doc = std::make_shared<CTerminalDoc>();
  doc->OnOpenDocument(record);
  CTerminalView view(doc);
  QSize client(2 * view.m_nMargin + cols * view.m_nCharWidth,
               2 * view.m_nMargin + rows * view.m_nLineHeight);
  view.resize(client + QSize(view.verticalScrollBar()->sizeHint().width(), 0));
  view.show();
  QCoreApplication::processEvents();
  view.resize(view.size() + client - view.viewport()->size());
  QCoreApplication::processEvents();
  if (view.m_nRows != rows || view.m_nCols != cols) {
    std::fprintf(stderr, "the view has %d x %d cells, not %d x %d\n", view.m_nCols, view.m_nRows, cols, rows);
    return 1;
  }
  auto connection = std::make_shared<idle_protocol>();
  view.AttachProtocol(connection);
  std::shared_ptr<terminal_link> link = connection->terminal();

  // --- Paint ---
  std::string screen = alternating_screen();
  link->receive_data(screen.data(), static_cast<int>(screen.size()));
  QCoreApplication::processEvents();
  QImage image(view.viewport()->size(), QImage::Format_RGB32);
  view.viewport()->render(&image);
  std::vector<double> paint_ms;
  for (int i = 0; i < frames; ++i) {
    auto start = clock_type::now();
    view.viewport()->render(&image);
    paint_ms.push_back(micros(clock_type::now() - start) / 1000);
  }
  screen_snapshot copy;
  std::vector<double> quiet_copy_us;
  for (int i = 0; i < frames; ++i) {
    auto start = clock_type::now();
    take_snapshot(*view.Core(), view.ScrollPosition(), rows, copy);
    quiet_copy_us.push_back(micros(clock_type::now() - start));
  }

  // --- Flood ---
  std::string flood = bench::dense_colour_runs(static_cast<size_t>(flood_mb) << 20, cols);
  std::vector<double> worker_us;
  worker_us.reserve(flood.size() / block + 1);
  std::atomic<bool> done{false};
  auto flood_start = clock_type::now();
  std::thread worker([&] {
    for (size_t at = 0; at < flood.size(); at += block) {
      int n = static_cast<int>(std::min(block, flood.size() - at));
      auto start = clock_type::now();
      link->receive_data(flood.data() + at, n);
      worker_us.push_back(micros(clock_type::now() - start));
    }
    done = true;
  });
  std::vector<double> paint_copy_us;
  int painted = 0;
  while (!done) {
    QCoreApplication::processEvents();
    // The locked part of a paint, timed as the paint takes it.
    auto start = clock_type::now();
    take_snapshot(*view.Core(), view.ScrollPosition(), rows, copy);
    paint_copy_us.push_back(micros(clock_type::now() - start));
    view.viewport()->repaint();
    ++painted;
  }
  worker.join();
  double flood_s = std::chrono::duration<double>(clock_type::now() - flood_start).count();

  std::printf("paint of %d x %d alternating cells: p50 %.2f ms, p99 %.2f ms per frame (%d frames)\n",
              cols, rows, percentile(paint_ms, 0.5), percentile(paint_ms, 0.99), frames);
  std::printf("locked copy of the shown screen, no flood: p50 %.1f us, p99 %.1f us\n",
              percentile(quiet_copy_us, 0.5), percentile(quiet_copy_us, 0.99));
  std::printf("flood of %d MiB dense colour runs: %.1f MB/s received, %d frames painted\n", flood_mb,
              static_cast<double>(flood.size()) / 1e6 / flood_s, painted);
  std::printf("screen mutex, worker per %zu-byte block: p50 %.1f us, p99 %.1f us, max %.1f us\n", block,
              percentile(worker_us, 0.5), percentile(worker_us, 0.99), percentile(worker_us, 1.0));
  std::printf("screen mutex, paint copy during the flood: p50 %.1f us, p99 %.1f us, max %.1f us\n",
              percentile(paint_copy_us, 0.5), percentile(paint_copy_us, 0.99), percentile(paint_copy_us, 1.0));
  std::printf("terminal_paint: %.2f ms per 200x60 frame; screen mutex p50/p99 worker %.1f/%.1f us, paint %.1f/%.1f us\n",
              percentile(paint_ms, 0.5), percentile(worker_us, 0.5), percentile(worker_us, 0.99),
              percentile(paint_copy_us, 0.5), percentile(paint_copy_us, 0.99));
  view.m_pProtocol.reset();
  std::filesystem::remove_all(folder);
  return 0;
}
