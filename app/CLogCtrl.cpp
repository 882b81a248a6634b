#include "app/CLogCtrl.h"

#include <QScrollBar>

#include "platform/qt_text.h"
#include "servers/trace_sink.h"

QString keep_last_characters(const QString& shown, const QString& pending, int limit) {
  QString text = shown + QString(pending).replace("\r\n", "\n");
  if (text.size() > limit) text.remove(0, text.size() - limit);
  return text;
}

CLogCtrl::CLogCtrl(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont font("Microsoft Sans Serif");
  font.setPointSize(9);
  font.setStyleHint(QFont::SansSerif);
  setFont(font);
  connect(&m_timer, &QTimer::timeout, this, &CLogCtrl::DrainPending);
  m_timer.start(drain_interval_ms);
}

void CLogCtrl::DrainPending() {
  std::u16string pending = trace_sink::instance().take();
  if (pending.empty()) return;
  setPlainText(keep_last_characters(toPlainText(), platform::to_qstring(pending), max_characters));
  moveCursor(QTextCursor::End);
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}
