#pragma once
// Blocks the signals of a window and of every object inside it for the guard's lifetime, so that
// filling a dialog's controls from the settings is not taken for the user changing them.
// Each object's own blocked state is put back when the guard ends; objects that loading
// destroyed meanwhile (a text box drops parts of its old document) are skipped.
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <utility>
#include <vector>

class loading_guard {
 public:
  explicit loading_guard(QWidget& window) {
    block(&window);
    for (QObject* child : window.findChildren<QObject*>()) block(child);
  }
  ~loading_guard() {
    for (auto& [object, was_blocked] : blocked_)
      if (object) object->blockSignals(was_blocked);
  }
  loading_guard(const loading_guard&) = delete;
  loading_guard& operator=(const loading_guard&) = delete;

 private:
  void block(QObject* object) { blocked_.emplace_back(object, object->blockSignals(true)); }

  std::vector<std::pair<QPointer<QObject>, bool>> blocked_;
};
