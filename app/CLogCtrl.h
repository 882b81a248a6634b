#pragma once
// The "Tiny Server" tab: a read-only text that shows the servers' trace lines. Once a second it
// moves what the servers appended to the process's trace sink into the window, keeping only
// the last 10240 characters.
#include <QPlainTextEdit>
#include <QTimer>

class CLogCtrl : public QPlainTextEdit {
 public:
  static constexpr int max_characters = 10240;
  static constexpr int drain_interval_ms = 1000;

  explicit CLogCtrl(QWidget* parent = nullptr);

  // Moves the pending trace text into the window (the timer's tick).
  void DrainPending();

 private:
  QTimer m_timer;
};

// `shown` followed by `pending` (line breaks as "\n"), cut at the front to at most `limit`
// characters.
QString keep_last_characters(const QString& shown, const QString& pending, int limit);
