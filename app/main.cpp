#include <QApplication>
#include <QMainWindow>

#include <clocale>
#include <csignal>

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  QApplication app(argc, argv);
  // Lua and printf must keep '.' as the decimal point whatever the user's locale says.
  std::setlocale(LC_NUMERIC, "C");
  QMainWindow frame;
  frame.setWindowTitle("Tessary");
  frame.showMaximized();
  return app.exec();
}
