// The main of every test executable: a QApplication (offscreen) so widget tests can run, and a
// private APPDATA so no test reads or writes a real configuration.
#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <memory>

#include "tests/support/temp_folder.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  ::testing::InitGoogleTest(&argc, argv);
  auto appdata = std::make_unique<test_support::temp_folder>();
  setenv("APPDATA", appdata->path().c_str(), 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // Texts are UTF-8 whatever locale the caller runs in (child processes inherit it too).
  setenv("LANG", "C.UTF-8", 1);
  // Qt wants a private runtime folder; without one it warns on every start.
  if (!std::getenv("XDG_RUNTIME_DIR")) setenv("XDG_RUNTIME_DIR", appdata->path().c_str(), 1);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  return RUN_ALL_TESTS();
}
