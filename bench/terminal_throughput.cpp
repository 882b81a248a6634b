// Throughput of the escape parser and screen buffer, side by side with libvterm on the same
// bytes in the same run.
//
//   terminal_throughput [FILE] [--rows N] [--cols N] [--scrollback N] [--block N] [--log FILE]
//
// With FILE the bytes of that file are measured; without it, four generated streams (plain
// scrolling text, dense SGR colour runs, random cursor writes with colours, UTF-8 multibyte
// text). Bytes go in blocks of --block bytes (8192), the screen mutex taken per block, as the
// connection's worker feeds a terminal view. The last line is the throughput of everything fed.
#include <vterm.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/terminal_streams.h"
#include "platform/atomic_file.h"
#include "terminal/log_writer.h"
#include "terminal/terminal_core.h"

namespace {

using clock_type = std::chrono::steady_clock;

struct options {
  std::string input;
  std::string log;
  int rows = 50;
  int cols = 160;
  int scrollback = 500;
  size_t block = 8192;
};

// Each side is fed its stream again until this much time has passed, so short streams still
// give a steady figure.
constexpr double minimum_seconds = 0.5;

// Feeds `bytes` in blocks again and again; returns the bytes fed and the seconds taken.
template <class Feed>
std::pair<double, double> measure(const std::string& bytes, size_t block, Feed feed) {
  double fed = 0;
  auto start = clock_type::now();
  double seconds = 0;
  do {
    for (size_t at = 0; at < bytes.size(); at += block)
      feed(bytes.data() + at, std::min(block, bytes.size() - at));
    fed += static_cast<double>(bytes.size());
    seconds = std::chrono::duration<double>(clock_type::now() - start).count();
  } while (seconds < minimum_seconds);
  return {fed, seconds};
}

std::pair<double, double> run_tessary(const options& o, const std::string& bytes,
                                      const std::shared_ptr<log_file>& log) {
  auto core = std::make_shared<terminal_core>();
  core->resize(o.rows, o.cols);
  core->screen.set_capacity(o.scrollback);
  {
    std::lock_guard lock(core->screen.mutex);
    core->screen.log_file = log;
  }
  auto result = measure(bytes, o.block,
                        [&](const char* p, size_t n) { core->receive_data(p, n); });
  std::lock_guard lock(core->screen.mutex);
  core->screen.log_file.reset();
  return result;
}

// libvterm with its screen layer and a scrollback of the same size kept from its push-line
// callback, as a libvterm-based terminal keeps one.
class vterm_side {
 public:
  vterm_side(int rows, int cols, int scrollback)
      : vt_(vterm_new(rows, cols)), cols_(cols), lines_(scrollback),
        scrollback_(static_cast<size_t>(scrollback) * cols) {
    vterm_set_utf8(vt_, 1);
    vterm_output_set_callback(vt_, [](const char*, size_t, void*) {}, nullptr);
    VTermScreen* screen = vterm_obtain_screen(vt_);
    callbacks_.sb_pushline = [](int cols, const VTermScreenCell* cells, void* user) {
      auto* self = static_cast<vterm_side*>(user);
      int n = std::min(cols, self->cols_);
      std::memcpy(&self->scrollback_[static_cast<size_t>(self->next_) * self->cols_], cells,
                  sizeof(VTermScreenCell) * n);
      self->next_ = (self->next_ + 1) % self->lines_;
      return 1;
    };
    vterm_screen_set_callbacks(screen, &callbacks_, this);
    vterm_screen_reset(screen, 1);
  }
  ~vterm_side() { vterm_free(vt_); }
  vterm_side(const vterm_side&) = delete;
  vterm_side& operator=(const vterm_side&) = delete;

  void feed(const char* p, size_t n) { vterm_input_write(vt_, p, n); }

 private:
  VTerm* vt_;
  int cols_;
  int lines_;
  int next_ = 0;
  std::vector<VTermScreenCell> scrollback_;
  VTermScreenCallbacks callbacks_{};
};

std::pair<double, double> run_libvterm(const options& o, const std::string& bytes) {
  vterm_side side(o.rows, o.cols, o.scrollback);
  return measure(bytes, o.block, [&](const char* p, size_t n) { side.feed(p, n); });
}

double mb_per_second(std::pair<double, double> r) { return r.first / r.second / 1e6; }

void print_line(const char* name, std::pair<double, double> ours, std::pair<double, double> peer) {
  double a = mb_per_second(ours);
  double b = mb_per_second(peer);
  std::printf("%s: tessary %.1f MB/s, libvterm %.1f MB/s, ratio %.1f\n", name, a, b, a / b);
}

bool parse(int argc, char** argv, options& o) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (arg == "--rows" && (v = value())) {
      o.rows = std::atoi(v);
    } else if (arg == "--cols" && (v = value())) {
      o.cols = std::atoi(v);
    } else if (arg == "--scrollback" && (v = value())) {
      o.scrollback = std::atoi(v);
    } else if (arg == "--block" && (v = value())) {
      o.block = static_cast<size_t>(std::atol(v));
    } else if (arg == "--log" && (v = value())) {
      o.log = v;
    } else if (!arg.empty() && arg[0] != '-' && o.input.empty()) {
      o.input = arg;
    } else {
      return false;
    }
  }
  return o.rows >= 5 && o.cols >= 20 && o.scrollback > o.rows && o.block > 0;
}

}  // namespace

int main(int argc, char** argv) {
  options o;
  if (!parse(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: terminal_throughput [FILE] [--rows N>=5] [--cols N>=20] "
                 "[--scrollback N>rows] [--block N] [--log FILE]\n");
    return 2;
  }
  struct stream {
    std::string name;
    std::string bytes;
  };
  std::vector<stream> streams;
  if (!o.input.empty()) {
    std::string bytes;
    if (!platform::read_file(o.input, bytes) || bytes.empty()) {
      std::fprintf(stderr, "cannot read %s, or it is empty\n", o.input.c_str());
      return 1;
    }
    streams.push_back({o.input, std::move(bytes)});
  } else {
    constexpr size_t size = 16u << 20;
    streams.push_back({"plain scrolling text", bench::plain_scrolling_text(size, o.cols)});
    streams.push_back({"dense SGR colour runs", bench::dense_colour_runs(size, o.cols)});
    streams.push_back(
        {"random cursor writes", bench::random_cursor_writes(size, o.rows, o.cols)});
    streams.push_back({"UTF-8 multibyte text", bench::utf8_multibyte_text(size, o.cols)});
  }
  std::printf("%d rows x %d columns, scrollback %d, blocks of %zu bytes%s\n", o.rows, o.cols,
              o.scrollback, o.block, o.log.empty() ? "" : ", logging on");
  // One log for every stream; its last lines are written when it is closed at the end.
  std::shared_ptr<log_file> log;
  if (!o.log.empty() && !(log = log_file::open(o.log))) {
    std::fprintf(stderr, "cannot open the log file %s\n", o.log.c_str());
    return 1;
  }
  std::pair<double, double> ours_total{0, 0};
  std::pair<double, double> peer_total{0, 0};
  for (const stream& s : streams) {
    auto ours = run_tessary(o, s.bytes, log);
    auto peer = run_libvterm(o, s.bytes);
    print_line(s.name.c_str(), ours, peer);
    ours_total = {ours_total.first + ours.first, ours_total.second + ours.second};
    peer_total = {peer_total.first + peer.first, peer_total.second + peer.second};
  }
  if (log) log_writer::instance().close_file(log);
  print_line("throughput", ours_total, peer_total);
  return 0;
}
