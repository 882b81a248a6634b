#include "app/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>

namespace {

int quit_pipe[2] = {-1, -1};

void on_signal(int) {
  int saved = errno;
  char byte = 1;
  // A full pipe already holds a wake-up; nothing more is needed.
  [[maybe_unused]] ssize_t written = write(quit_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

bool install_quit_signals(std::function<void()> on_quit) {
  if (pipe2(quit_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  auto* notifier = new QSocketNotifier(quit_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [on_quit = std::move(on_quit)] {
    char drained[16];
    while (read(quit_pipe[0], drained, sizeof drained) > 0) {
    }
    on_quit();
  });
  struct sigaction action = {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  return true;
}
