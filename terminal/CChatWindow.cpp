#include "terminal/CChatWindow.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

#include "config/text_convert.h"
#include "platform/qt_text.h"
#include "terminal/CTerminalView.h"
#include "terminal/send_queue.h"
#include "terminal/session_frame.h"

namespace {

bool is_enter(const QKeyEvent& e) { return e.key() == Qt::Key_Return || e.key() == Qt::Key_Enter; }

bool is_edit_shortcut(const QKeyEvent& e) {
  return (e.modifiers() & Qt::ControlModifier) &&
         (e.key() == Qt::Key_C || e.key() == Qt::Key_V || e.key() == Qt::Key_X);
}

// Lines shown for a block: a block not laid out yet counts as one.
int lines_of(const QTextBlock& block) {
  const QTextLayout* layout = block.layout();
  return layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
}

}  // namespace

CChatWindow::CChatWindow(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("id_5"));
  m_font = QFont(QStringLiteral("Microsoft Sans Serif"));
  m_font.setStyleHint(QFont::SansSerif);
  m_font.setPointSize(8);
  setFont(m_font);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

bool CChatWindow::event(QEvent* e) {
  // Copy, paste and cut work in the edit box instead of reaching the frame's shortcuts.
  if (e->type() == QEvent::ShortcutOverride && is_edit_shortcut(*static_cast<QKeyEvent*>(e))) {
    e->accept();
    return true;
  }
  return QPlainTextEdit::event(e);
}

void CChatWindow::keyPressEvent(QKeyEvent* e) {
  if (is_enter(*e)) {
    if (e->modifiers() & Qt::ControlModifier)
      textCursor().insertText(QStringLiteral("\n"));
    else
      Send();
    return;
  }
  if (e->key() == Qt::Key_Up && CaretLine() == 0 && m_nHistoryPos > 0) {
    ShowEntry(std::min(m_nHistoryPos - 1, m_history.size() - 1));
    return;
  }
  if (e->key() == Qt::Key_Down && CaretLine() >= LineCount() - 1 &&
      m_nHistoryPos < m_history.size()) {
    ShowEntry(m_nHistoryPos + 1);
    return;
  }
  QPlainTextEdit::keyPressEvent(e);
}

void CChatWindow::Send() {
  std::u16string text = platform::to_u16string(toPlainText());
  if (text.empty() || text.back() != u'\n') text += u'\n';
  session_frame* frame = session_frame::instance();
  auto* view = dynamic_cast<CTerminalView*>(frame ? frame->active_view() : nullptr);
  // Nothing takes the text: it stays to be sent once a connected terminal is active. A text
  // queued while the session is down would run at the prompt of the next shell, unseen.
  if (!view || view->ConnectionState() != state_connected) {
    if (frame) frame->show_status(view ? session_frame::not_connected_message : session_frame::no_terminal_message);
    return;
  }
  // A full queue drops the text.
  view->SendQueue().push(send_item::heap_buffer(wcs_to_string(text)));
  text.pop_back();
  if (!text.empty()) {
    m_history.push_back(text);
    m_nHistoryPos = m_history.size();
  }
  clear();
}

void CChatWindow::ShowEntry(size_t position) {
  m_nHistoryPos = position;
  if (position < m_history.size())
    setPlainText(platform::to_qstring(m_history[position]));
  else
    clear();
}

int CChatWindow::CaretLine() const {
  QTextCursor caret = textCursor();
  QTextBlock block = caret.block();
  int line = 0;
  for (QTextBlock b = document()->firstBlock(); b.isValid() && b != block; b = b.next())
    line += lines_of(b);
  const QTextLayout* layout = block.layout();
  if (layout && layout->lineCount() > 0)
    line += std::max(layout->lineForTextPosition(caret.positionInBlock()).lineNumber(), 0);
  return line;
}

int CChatWindow::LineCount() const {
  int count = 0;
  for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next()) count += lines_of(b);
  return count;
}
