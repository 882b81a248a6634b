// Template expansion and the button bar's layout.
//
// Times script_runner::expand_template on three kinds of template, each at one size and at four
// times that size, so the ratio shows whether the cost grows linearly: a literal template of
// 100 KB (no Lua at all), 50 blocks of Lua (one fresh state, 50 chunks), and one block printing
// 100,000 lines. Then times CButtonBar::LayoutButtons with 500 buttons, in a pane wide enough for
// all of them (every button placed and shown) and in a 1200 px pane (most go to the ">>" menu).
// Each figure is the best of several runs. The last line gives the slower layout in
// microseconds.
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <unistd.h>

#include "config/button_bar_param.h"
#include "config/configuration.h"
#include "platform/clock.h"
#include "scripting/CButtonBar.h"
#include "scripting/script_runner.h"

namespace {

double best_ms(int runs, const std::function<void()>& work) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

double expansion_ms(const std::string& text, size_t expected_size) {
  std::string result;
  const double ms = best_ms(5, [&] {
    if (script_runner::instance().expand_template(nullptr, text, result) != 0) {
      std::fprintf(stderr, "expansion failed: %s\n", script_runner::instance().error.c_str());
      std::exit(1);
    }
  });
  if (result.size() != expected_size) {
    std::fprintf(stderr, "expansion gave %zu bytes, not %zu\n", result.size(), expected_size);
    std::exit(1);
  }
  return ms;
}

std::string literal_template(size_t kilobytes) {
  std::string text;
  while (text.size() < kilobytes * 1024) text += "show interface status | include connected % <%  \r\n";
  // "<%" without a later "%>" stays literal text.
  text.resize(kilobytes * 1024);
  return text;
}

std::string block_template(int blocks) {
  std::string text;
  for (int i = 0; i < blocks; ++i) text += "line " + std::to_string(i) + ": <% n = (n or 0) + 1 nprint(n * 2) %>\n";
  return text;
}

size_t block_output_size(int blocks) {
  size_t size = 0;
  for (int i = 0; i < blocks; ++i) size += ("line " + std::to_string(i) + ": " + std::to_string((i + 1) * 2) + "\n").size();
  return size;
}

std::string lines_template(int lines) {
  return "<% for i = 1, " + std::to_string(lines) + " do print('ping -c 1 10.0.0.', i % 250) end %>";
}

size_t lines_output_size(int lines) {
  size_t size = 0;
  for (int i = 1; i <= lines; ++i) size += ("ping -c 1 10.0.0.\t" + std::to_string(i % 250) + "\n").size();
  return size;
}

void report(const char* what, const char* small, double small_ms, const char* large, double large_ms) {
  std::printf("%-28s %-8s %9.3f ms   %-8s %9.3f ms   x%.2f for 4x the input\n", what, small, small_ms, large, large_ms,
              large_ms / small_ms);
}

}  // namespace

int main(int argc, char** argv) {
  char folder[] = "/tmp/tessary-bench-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  setenv("APPDATA", folder, 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  report("literal template", "100 KB", expansion_ms(literal_template(100), 100 * 1024), "400 KB",
         expansion_ms(literal_template(400), 400 * 1024));
  report("Lua blocks", "50", expansion_ms(block_template(50), block_output_size(50)), "200",
         expansion_ms(block_template(200), block_output_size(200)));
  report("printed lines", "100,000", expansion_ms(lines_template(100000), lines_output_size(100000)), "400,000",
         expansion_ms(lines_template(400000), lines_output_size(400000)));

  configuration store(std::string(folder) + "/Tessary.conf", platform::real_clock());
  for (int i = 0; i < 500; ++i)
    store.button_bar->add_button(u"button " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)), i % 4, u"tip",
                                 u"<% nprint(1) %>", nullptr);
  double slowest_us = 0;
  {
    CButtonBar pane(nullptr, &store);
    pane.show();
    for (int width : {60000, 1200}) {
      pane.resize(width, 40);
      QCoreApplication::processEvents();
      const double us = 1000 * best_ms(20, [&] { pane.LayoutButtons(); });
      std::printf("layout of 500 buttons, pane %5d px wide: %.1f us (%d shown)\n", width, us,
                  pane.m_nFirstHidden < 0 ? 500 : pane.m_nFirstHidden);
      slowest_us = std::max(slowest_us, us);
    }
  }
  std::filesystem::remove_all(folder);
  std::printf("button bar layout of 500 buttons: %.1f us\n", slowest_us);
  return 0;
}
