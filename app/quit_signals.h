#pragma once
// SIGTERM and SIGINT end the program through the same orderly close as the window's close
// button: the handler only writes a byte into a pipe, and the GUI thread, woken by it, runs the
// close.
#include <functional>

// Installs the handlers; `on_quit` runs on the GUI thread for each signal that arrives.
// False when the pipe cannot be made (the signals then keep their default action).
bool install_quit_signals(std::function<void()> on_quit);
