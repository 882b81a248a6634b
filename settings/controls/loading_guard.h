#pragma once
// Blocks the signals of a window and of every widget inside it for the guard's lifetime, so that
// filling a dialog's controls from the settings is not taken for the user changing them.
// Each object's own blocked state is put back when the guard ends.
#include <QSignalBlocker>
#include <QWidget>

#include <vector>

class loading_guard {
 public:
  explicit loading_guard(QWidget& window) {
    blockers_.emplace_back(&window);
    for (QObject* child : window.findChildren<QObject*>()) blockers_.emplace_back(child);
  }
  loading_guard(const loading_guard&) = delete;
  loading_guard& operator=(const loading_guard&) = delete;

 private:
  std::vector<QSignalBlocker> blockers_;
};
