// The terminal view's keyboard, mouse and commands: what a key sends, selection by cell, word
// and line, copy on select, paste with its confirmation, Select All, Clear Scrollback, Find and
// the session log.
#include <QCursor>
#include <QFile>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <mutex>
#include <string>

#include "config/clipboard_access.h"
#include "config/configuration.h"
#include "config/terminal_opt_param.h"
#include "config/text_convert.h"
#include "platform/qt_text.h"
#include "platform/ui.h"
#include "terminal/CPasteConfirmDlg.h"
#include "terminal/CSearchDlg.h"
#include "terminal/CTerminalDoc.h"
#include "terminal/CTerminalView.h"
#include "terminal/key_encoding.h"
#include "terminal/log_writer.h"
#include "terminal/paste_text.h"
#include "terminal/session_frame.h"
#include "terminal/terminal_core.h"

namespace {

const terminal_opt_param& options() { return *configuration::instance().terminal_options; }

clipboard_access* frame_clipboard() {
  session_frame* frame = session_frame::instance();
  return frame ? frame->clipboard() : nullptr;
}

// The navigation key a Qt key stands for, or 0.
int navigation_of(int key) {
  switch (key) {
    case Qt::Key_PageUp: return static_cast<int>(navigation_key::page_up);
    case Qt::Key_PageDown: return static_cast<int>(navigation_key::page_down);
    case Qt::Key_End: return static_cast<int>(navigation_key::end);
    case Qt::Key_Home: return static_cast<int>(navigation_key::home);
    case Qt::Key_Left: return static_cast<int>(navigation_key::left);
    case Qt::Key_Up: return static_cast<int>(navigation_key::up);
    case Qt::Key_Right: return static_cast<int>(navigation_key::right);
    case Qt::Key_Down: return static_cast<int>(navigation_key::down);
    default: return 0;
  }
}

void show_log_failed(QWidget* parent) {
  platform::ui::instance().message_box(parent, QStringLiteral("Try to log failed!"),
                                       QStringLiteral("Error"), platform::MB_OK);
}

}  // namespace

// --- Keyboard ---

bool CTerminalView::IsControlLetter(const QKeyEvent& e) const {
  return (e.modifiers() & Qt::ControlModifier) && e.key() >= Qt::Key_A && e.key() <= Qt::Key_Z;
}

bool CTerminalView::event(QEvent* e) {
  // Ctrl+A to Ctrl+Z belong to the terminal: claiming them here keeps the frame's shortcuts
  // (Ctrl+C, Ctrl+V, Ctrl+N ...) from taking them first.
  if (e->type() == QEvent::ShortcutOverride && IsControlLetter(*static_cast<QKeyEvent*>(e))) {
    e->accept();
    return true;
  }
  return QAbstractScrollArea::event(e);
}

void CTerminalView::keyPressEvent(QKeyEvent* e) {
  if (IsControlLetter(*e)) {
    m_core->queue.push(send_item::one_byte(static_cast<unsigned char>(e->key() - 0x40)));
    return;
  }
  if (m_bPointerShown && options().hide_on_type) HidePointer();
  if (int key = navigation_of(e->key())) {
    m_core->queue.push_navigation_key(m_core->modes.app_cursor_keys.load(),
                                      static_cast<navigation_key>(key));
  } else if (e->modifiers() & Qt::AltModifier) {
    // Alt combinations are menu keys, not text.
  } else if (e->key() == Qt::Key_Backspace) {
    // DEL is the erase character of Linux and BSD peers; Ctrl+H still sends 0x08.
    OnChar(QString(QChar(0x7F)));
  } else if (e->key() != Qt::Key_Delete) {
    // Delete types no character.
    OnChar(e->text());
  }
  e->accept();
}

void CTerminalView::OnChar(const QString& text) {
  if (text.isEmpty()) return;
  if (!Connected()) {
    // Enter reconnects a disconnected session (and does nothing while it connects).
    if (text.contains(QChar(u'\r')) && m_pProtocol) m_pProtocol->start();
    return;
  }
  for (char32_t c : text.toUcs4()) m_core->queue.push(typed_char_item(c));
}

void CTerminalView::HidePointer() {
  m_ptPointer = viewport()->mapFromGlobal(QCursor::pos());
  viewport()->setCursor(Qt::BlankCursor);
  m_bPointerShown = false;
}

void CTerminalView::ShowPointer() {
  viewport()->unsetCursor();
  m_bPointerShown = true;
}

// --- Mouse ---

bool CTerminalView::PointToCell(QPoint point, int& row, int& col) const {
  bool inside = true;
  int x = point.x();
  int y = point.y();
  int right = m_nMargin + m_nCols * m_nCharWidth;
  int bottom = m_nMargin + m_nRows * m_nLineHeight;
  if (x < m_nMargin) x = m_nMargin, inside = false;
  if (y < m_nMargin) y = m_nMargin, inside = false;
  if (x >= right) x = right - 1, inside = false;
  if (y >= bottom) y = bottom - 1, inside = false;
  row = (m_nLineHeight ? (y - m_nMargin) / m_nLineHeight : 0) + ScrollPosition();
  col = m_nCharWidth ? (x - m_nMargin) / m_nCharWidth : 0;
  return inside;
}

void CTerminalView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    m_ptAnchor = e->position().toPoint();
    m_nAnchorRow = m_nAnchorCol = -1;
    m_bDragging = true;
    bool cleared;
    {
      auto lock = m_core->gui_lock();
      cleared = m_core->screen.clear_selection();
    }
    if (cleared) OnScreenChanged(-1, false);
  } else if (e->button() == Qt::RightButton) {
    if (options().right_paste) Paste();
  }
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  e->accept();
}

void CTerminalView::mouseMoveEvent(QMouseEvent* e) {
  QPoint point = e->position().toPoint();
  if (!m_bPointerShown && point != m_ptPointer) ShowPointer();
  if (!m_bDragging || !(e->buttons() & Qt::LeftButton)) return;
  // Dragging past the top or the bottom scrolls one line per move, after this move is done.
  QScrollBar* bar = verticalScrollBar();
  if (point.y() < 0)
    QMetaObject::invokeMethod(bar, [bar] { bar->triggerAction(QAbstractSlider::SliderSingleStepSub); },
                              Qt::QueuedConnection);
  else if (point.y() > m_rcClient.bottom())
    QMetaObject::invokeMethod(bar, [bar] { bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); },
                              Qt::QueuedConnection);
  if (m_nAnchorRow == -1 && m_nAnchorCol == -1) PointToCell(m_ptAnchor, m_nAnchorRow, m_nAnchorCol);
  int row;
  int col;
  PointToCell(point, row, col);
  bool moved_cell = row != m_nAnchorRow || col != m_nAnchorCol;
  bool moved_far = std::abs(point.x() - m_ptAnchor.x()) >= m_nCharWidth / 2;
  if (moved_cell || moved_far) {
    auto lock = m_core->gui_lock();
    bool anchor_first = m_nAnchorRow < row || (m_nAnchorRow == row && m_nAnchorCol <= col);
    if (anchor_first)
      m_core->screen.select_range(m_nAnchorRow, m_nAnchorCol, row, col);
    else
      m_core->screen.select_range(row, col, m_nAnchorRow, m_nAnchorCol);
  }
  OnScreenChanged(-1, false);
}

void CTerminalView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && m_bDragging) {
    m_bDragging = false;
    if (options().select_copy) CopySelection();
  }
  e->accept();
}

void CTerminalView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  // Qt does not tell the left-hand modifier keys from the right-hand ones: either counts.
  int mode = 0;
  if ((e->modifiers() & Qt::ControlModifier) && options().expand_select)
    mode = 1;
  else if ((e->modifiers() & Qt::ShiftModifier) && options().whole_select)
    mode = 2;
  int row;
  int col;
  if (!PointToCell(e->position().toPoint(), row, col)) return;
  bool marked = false;
  {
    screen_buffer& screen = m_core->screen;
    auto lock = m_core->gui_lock();
    if (row < screen.line_count()) {
      int32_t slot = screen.wrap(int64_t(screen.first) + row);
      screen_line& line = screen.line(slot);
      int start;
      int end;
      if (line.word_bounds(col, start, end, mode)) {
        line.mark_selected(start, end);
        screen.selected_lines.push_back(slot);
        marked = true;
      }
    }
  }
  OnScreenChanged(-1, false);
  if (marked && options().select_copy) CopySelection();
  e->accept();
}

// --- Commands ---

command_state CTerminalView::UpdateCommand(int id) const {
  switch (id) {
    case ID_EDIT_COPY: {
      auto lock = m_core->gui_lock();
      return {true, !m_core->screen.selected_lines.empty(), false};
    }
    case ID_EDIT_PASTE: {
      clipboard_access* clipboard = frame_clipboard();
      return {true, Connected() && clipboard && clipboard->text_available(), false};
    }
    case ID_EDIT_FIND:
    case ID_EDIT_SELECT_ALL:
    case ID_CLEAR_SCROLLBACK:
      return {true, true, false};
    case ID_SESSION_LOG:
      return {true, true, m_pLogFile != nullptr};
    default:
      return CBaseView::UpdateCommand(id);
  }
}

bool CTerminalView::OnCommand(int id) {
  if (!UpdateCommand(id).enabled) return false;
  switch (id) {
    case ID_EDIT_COPY: CopySelection(); return true;
    case ID_EDIT_PASTE: Paste(); return true;
    case ID_EDIT_FIND: OnFind(); return true;
    case ID_EDIT_SELECT_ALL: SelectAll(); return true;
    case ID_CLEAR_SCROLLBACK: OnClearScrollback(); return true;
    case ID_SESSION_LOG: OnLog(); return true;
    default: return CBaseView::OnCommand(id);
  }
}

void CTerminalView::CopySelection() {
  std::u16string text;
  // The selection is read under the screen mutex (inside get_selected_text); the clipboard is
  // written after it is released.
  {
    auto lock = m_core->gui_lock();
    if (!m_core->screen.get_selected_text(text)) return;
  }
  if (clipboard_access* clipboard = frame_clipboard()) clipboard->put_text(text);
}

void CTerminalView::SelectAll() {
  screen_buffer& screen = m_core->screen;
  {
    auto lock = m_core->gui_lock();
    screen.select_range(0, 0, screen.line_count() - 1, -1);
  }
  OnScreenChanged(-1, false);
  CopySelection();
}

void CTerminalView::Paste() {
  clipboard_access* clipboard = frame_clipboard();
  if (!clipboard || !clipboard->text_available()) return;
  // The clipboard is read without the screen mutex: nothing here touches the screen.
  std::string text = paste_bytes(clipboard->text());
  if (text.empty()) return;
  const terminal_opt_param& opt = options();
  if (paste_needs_confirmation(text, opt.prompt_mline_paste, opt.lines)) {
    CPasteConfirmDlg confirm(text);
    if (platform::ui::instance().run_modal(confirm) != platform::IDOK) return;
  }
  m_core->queue.push(send_item::heap_buffer(text));
}

void CTerminalView::OnClearScrollback() {
  {
    auto lock = m_core->gui_lock();
    m_core->screen.clear_scrollback();
  }
  OnScreenChanged(0, false);
}

void CTerminalView::OnFind() {
  CSearchDlg search(*this);
  platform::ui::instance().run_modal(search);
}

bool CTerminalView::FindText(const std::u16string& text, bool backward, bool whole_word,
                             bool case_sensitive, int& row, int& col) {
  screen_buffer& screen = m_core->screen;
  bool found;
  int stored = 0;
  {
    auto lock = m_core->gui_lock();
    found = screen.find_text(text, backward, whole_word, case_sensitive, row, col);
    if (found && row >= 0) stored = screen.wrap(int64_t(row) - screen.first);
  }
  if (found && row >= 0) {
    // The match's line goes to the middle of the view.
    SetScrollPosition(stored - m_nRows / 2);
  }
  viewport()->update();
  return found;
}

void CTerminalView::StopLog() {
  if (!m_pLogFile) return;
  // Detached under the screen mutex first, so the parser pushes nothing more for it; the line
  // still under the cursor goes to it as it stands.
  {
    auto lock = m_core->gui_lock();
    m_core->screen.detach_log();
  }
  log_writer::instance().close_file(m_pLogFile);
  m_pLogFile.reset();
}

void CTerminalView::OnLog() {
  platform::ui& ui = platform::ui::instance();
  if (m_pLogFile) {
    if (ui.message_box(this, QStringLiteral("Are you sure to stop log?"), QStringLiteral("Confirm"),
                       platform::MB_YESNO | platform::MB_ICONQUESTION) != platform::IDYES)
      return;
    StopLog();
    return;
  }
  std::optional<QString> path = ui.pick_save_file(
      this, QStringLiteral("Save As"), platform::to_qstring(GetDocument()->m_session.default_log_name()),
      QStringLiteral("Log Files (*.log);;All Files (*)"), QStringLiteral("log"));
  if (!path) return;
  std::shared_ptr<log_file> log;
  if (!path->isEmpty() && !m_pLogFile) log = log_file::open(QFile::encodeName(*path).toStdString());
  if (!log) {
    show_log_failed(this);
    return;
  }
  m_pLogFile = log;
  auto lock = m_core->gui_lock();
  m_core->screen.log_file = log;
}
