#pragma once
// The window of one terminal session. It shares its terminal core (screen buffer, parser, send
// queue) with the connection's worker through std::shared_ptr: the worker feeds received bytes
// into the core and drains the send queue; the view draws the screen with one font, one line
// height and a margin in the session's colours, with a vertical scroll bar over the scrollback
// and a painted caret, and turns keys, mouse actions and commands into bytes to send, selections,
// clipboard text, searches and the session log.
//
// The worker never calls the view: after a received block it raises the core's "screen changed
// pending" flag and, when it was not raised yet, posts one notice to the view, which clears the
// flag, reads the new line count under the screen mutex and repaints. So a flood costs one
// repaint per event-loop turn, and the GUI thread never waits for the network.
//
// Closing the view releases the connection first (the worker ends within the stop grace or is
// let go holding only the shared core), then closes the session log.
#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

#include <memory>
#include <string>

#include "config/session_appearance.h"
#include "terminal/CBaseView.h"
#include "terminal/glyph_cache.h"
#include "terminal/screen_snapshot.h"

class CTerminalDoc;
class log_file;
class send_queue;
class terminal_core;

class CTerminalView : public QAbstractScrollArea, public CBaseView {
  Q_OBJECT

 public:
  // Makes the view for a document that holds its session record, and applies its appearance.
  explicit CTerminalView(std::shared_ptr<CTerminalDoc> document, QWidget* parent = nullptr);
  ~CTerminalView() override;

  // Also gives the connection the view's terminal core as its data partner.
  void AttachProtocol(std::shared_ptr<protocol> connection) override;

  command_state UpdateCommand(int id) const override;
  bool OnCommand(int id) override;

  // Re-applies the document's appearance and the global terminal settings: scrollback, font,
  // colours, rows and columns, caret. GUI thread only.
  void ApplySettings() override;

  // What the worker shares with the view; the button bar and the chat window push to its queue.
  const std::shared_ptr<terminal_core>& Core() const { return m_core; }
  send_queue& SendQueue();

  // `WM_SCREEN_CHANGED` from the GUI thread: `range` the new scroll range in lines (-1 keeps
  // it), `bottom` scrolls to the newest line; the view is repainted in every case.
  void OnScreenChanged(int range, bool bottom);
  // The number of the stored line (0 = the oldest) shown on the top row.
  int ScrollPosition() const;

  // The cell under a client point: rows count from the oldest stored line. A point outside the
  // text area is moved onto its edge first, and the result is then false.
  bool PointToCell(QPoint point, int& row, int& col) const;
  // One step of the search dialog: finds, selects and scrolls the match into the middle.
  bool FindText(const std::u16string& text, bool backward, bool whole_word, bool case_sensitive,
                int& row, int& col);

  void CopySelection();
  void Paste();
  void SelectAll();
  void OnClearScrollback();
  void OnFind();
  void OnLog();

  // The document's appearance (resolved colours included).
  const session_appearance* m_pAppearance = nullptr;
  QFont m_font;
  int m_nCharWidth = 0;
  int m_nCharHeight = 0;
  int m_nLineHeight = 0;
  int m_nRows = 25;
  int m_nCols = 80;
  int m_nMargin = 3;
  QRect m_rcClient;
  bool m_bFocused = false;
  // The caret is shown (it is then painted in the on phase of its blink).
  bool m_bCaretShown = false;
  QPoint m_ptAnchor;
  int m_nAnchorRow = 0;
  int m_nAnchorCol = 0;
  bool m_bDragging = false;
  bool m_bPointerShown = true;
  QPoint m_ptPointer;
  std::shared_ptr<log_file> m_pLogFile;

 protected:
  bool event(QEvent* e) override;
  // Tab is a key the terminal sends, not a move to the next widget.
  bool focusNextPrevChild(bool next) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

 private:
  void OnInitialUpdate();
  // The scrollback of the session's appearance.
  void SetCapacity();
  void CreateFontAndBrush();
  // Rows and columns for the stored client rectangle; then the scroll bar at the bottom.
  void RecalcGrid();
  // The worker's notice: takes the change the core holds.
  void TakeScreenChange();
  void DrawLine(QPainter& painter, const snapshot_line& line, int row);
  int DrawRun(QPainter& painter, const snapshot_line& line, int from, int to, int x, int top);
  void SetScrollPosition(int position);
  bool CaretWanted(int cursor_row) const;
  void CreateCaret();
  void DestroyCaret();
  bool Connected() const;

  // Closes the session log, when one is open.
  void StopLog();

  // Keyboard and mouse parts.
  bool IsControlLetter(const QKeyEvent& e) const;
  void HidePointer();
  void ShowPointer();
  void OnChar(const QString& text);

  std::shared_ptr<terminal_core> m_core;
  QColor m_brush;
  glyph_cache m_glyphs;
  int m_nAscent = 0;
  screen_snapshot m_snapshot;
  QSize m_caretSize;
  QRect m_caretRect;
  bool m_caretCreated = false;
  bool m_caretPhaseOn = true;
  QTimer m_caretBlink;
};
