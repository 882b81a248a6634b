// The terminal view's display and data path: construction, settings, font and metrics, rows and
// columns, the screen-changed notice, drawing, the caret and scrolling.
#include "terminal/CTerminalView.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyleHints>
#include <QWheelEvent>

#include <algorithm>
#include <mutex>
#include <utility>

#include "config/configuration.h"
#include "config/terminal_appearance_param.h"
#include "platform/qt_text.h"
#include "terminal/CTerminalDoc.h"
#include "terminal/box_drawing.h"
#include "terminal/run_colors.h"
#include "terminal/session_frame.h"
#include "terminal/terminal_core.h"
#include "terminal/terminal_core_link.h"
#include "terminal/terminal_metrics.h"
#include "terminal/view_notifier.h"

namespace {

QColor to_qcolor(color_ref c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

int screen_dpi_y() {
  if (session_frame* frame = session_frame::instance()) return frame->screen_dpi_y();
  QScreen* screen = QGuiApplication::primaryScreen();
  int dpi = screen ? static_cast<int>(screen->logicalDotsPerInchY()) : 0;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

CTerminalView::CTerminalView(std::shared_ptr<CTerminalDoc> document, QWidget* parent)
    : QAbstractScrollArea(parent),
      CBaseView(this, std::move(document)),
      m_core(std::make_shared<terminal_core>()) {
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::NoFrame);
  // Moves without a button pressed bring a pointer hidden by typing back.
  viewport()->setMouseTracking(true);
  // paintEvent covers every pixel: no erase first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  verticalScrollBar()->setSingleStep(1);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
          qOverload<>(&QWidget::update));
  connect(&m_caretBlink, &QTimer::timeout, this, [this] {
    m_caretPhaseOn = !m_caretPhaseOn;
    viewport()->update(m_caretRect);
  });
  OnInitialUpdate();
}

CTerminalView::~CTerminalView() {
  // The connection goes first, while everything it was given is still here.
  OnDestroy();
  StopLog();
}

void CTerminalView::AttachProtocol(std::shared_ptr<protocol> connection) {
  CBaseView::AttachProtocol(std::move(connection));
  if (!m_pProtocol) return;
  std::shared_ptr<view_notifier> notice = notifier();
  m_pProtocol->set_terminal(std::make_shared<terminal_core_link>(m_core, [notice, this] {
    // Runs on the worker; the call itself runs on the GUI thread only while the view lives.
    notice->post([this] { TakeScreenChange(); });
  }));
}

send_queue& CTerminalView::SendQueue() { return m_core->queue; }

void CTerminalView::OnInitialUpdate() {
  OnConnectionState(state_connecting);
  m_pAppearance = &GetDocument()->m_session.appearance;
  SetCapacity();
  m_core->set_console_type(m_pAppearance->console_type);
  CreateFontAndBrush();
}

void CTerminalView::CreateFontAndBrush() {
  m_font = QFont(platform::to_qstring(m_pAppearance->font_name));
  // A face that is missing falls back to a fixed-pitch one; full hinting gives whole-pixel
  // advances, so measured runs stay on the cell grid that the caret and the mouse use.
  m_font.setStyleHint(QFont::Monospace);
  m_font.setHintingPreference(QFont::PreferFullHinting);
  m_font.setWeight(QFont::Normal);
  m_font.setPixelSize(std::max(mul_div(m_pAppearance->font_size, logicalDpiY(), 72), 1));
  m_brush = to_qcolor(m_pAppearance->background);
  QFontMetrics metrics(m_font);
  m_nCharWidth = metrics.averageCharWidth();
  m_nCharHeight = metrics.height();
  m_nAscent = metrics.ascent();
  m_glyphs = glyph_cache(m_font);
  const terminal_appearance_param& global = *configuration::instance().terminal_appearance;
  m_nMargin = static_cast<int>(global.margin);
  m_nLineHeight = terminal_line_height(m_nCharHeight, static_cast<int>(global.line_spacing),
                                       screen_dpi_y());
}

void CTerminalView::SetCapacity() {
  auto lock = m_core->gui_lock();
  // A record from a file may ask for any size; the screen keeps at most the bound.
  m_core->screen.set_capacity(std::min(m_pAppearance->scrollback_size, session_appearance::max_scrollback_size));
}

void CTerminalView::ApplySettings() {
  SetCapacity();
  m_core->set_console_type(m_pAppearance->console_type);
  CreateFontAndBrush();
  RecalcGrid();
  // A new font or margin changes the rows and columns: the status bar follows.
  if (session_frame* frame = session_frame::instance()) frame->terminal_resized(m_nRows, m_nCols);
  if (m_caretCreated) CreateCaret();
  viewport()->update();
}

void CTerminalView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  m_rcClient = viewport()->rect();
  if (!m_nCharWidth || !m_nCharHeight) return;
  RecalcGrid();
  if (session_frame* frame = session_frame::instance()) frame->terminal_resized(m_nRows, m_nCols);
}

void CTerminalView::RecalcGrid() {
  if (!m_nCharWidth || !m_nCharHeight) return;
  terminal_grid grid = terminal_grid_for(m_rcClient.width(), m_rcClient.height(), m_nMargin,
                                         m_nCharWidth, m_nLineHeight);
  m_nRows = grid.rows;
  m_nCols = grid.cols;
  m_core->resize(m_nRows, m_nCols);
  int count;
  {
    auto lock = m_core->gui_lock();
    count = m_core->screen.line_count();
  }
  QScrollBar* bar = verticalScrollBar();
  bar->setPageStep(m_nRows);
  bar->setRange(0, std::max(m_nRows, count) - m_nRows);
  bar->setValue(bar->maximum());
}

void CTerminalView::TakeScreenChange() {
  // Cleared before the count is read, so a block parsed after the read posts again.
  m_core->screen_changed_pending.store(false);
  int count;
  {
    auto lock = m_core->gui_lock();
    count = m_core->screen.line_count();
  }
  // Every received block brings the view back to the newest line.
  OnScreenChanged(std::max(count, m_nRows), true);
}

void CTerminalView::OnScreenChanged(int range, bool bottom) {
  QScrollBar* bar = verticalScrollBar();
  if (range != -1) bar->setMaximum(std::max(range - m_nRows, 0));
  if (bottom) bar->setValue(bar->maximum());
  viewport()->update();
}

int CTerminalView::ScrollPosition() const { return verticalScrollBar()->value(); }

void CTerminalView::SetScrollPosition(int position) {
  QScrollBar* bar = verticalScrollBar();
  position = std::clamp(position, bar->minimum(), bar->maximum());
  if (position != bar->value()) bar->setValue(position);
}

void CTerminalView::wheelEvent(QWheelEvent* e) {
  SetScrollPosition(ScrollPosition() - e->angleDelta().y() * 3 / 120);
  e->accept();
}

bool CTerminalView::Connected() const { return ConnectionState() == state_connected; }

bool CTerminalView::CaretWanted(int cursor_row) const {
  return m_bFocused && Connected() && m_core->modes.cursor_visible.load() && cursor_row >= 0;
}

void CTerminalView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), m_brush);
  m_bCaretShown = false;
  if (!m_nCharWidth || !m_nLineHeight) return;
  // Only the copy holds the screen mutex; drawing runs without it.
  take_snapshot(*m_core, ScrollPosition(), m_nRows, m_snapshot);
  painter.setFont(m_font);
  for (int r = 0; r < m_snapshot.shown; ++r) DrawLine(painter, m_snapshot.lines[r], r);
  // A cursor line scrolled out of view has no caret.
  if (!CaretWanted(m_snapshot.cursor_row)) return;
  int type = m_pAppearance->cursor_type;
  m_caretRect = QRect(caret_origin(m_rcClient, m_nMargin, m_nCharWidth, m_nCharHeight,
                                   m_nLineHeight, type, m_snapshot.cursor_row,
                                   m_snapshot.cursor_col),
                      m_caretSize);
  m_bCaretShown = true;
  if (m_caretPhaseOn && !m_caretRect.isEmpty()) {
    // The caret inverts what lies under it, as a system caret does.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(m_caretRect, Qt::white);
  }
}

void CTerminalView::DrawLine(QPainter& painter, const snapshot_line& line, int row) {
  int top = m_rcClient.top() + m_nMargin + row * m_nLineHeight;
  int x = m_rcClient.left() + m_nMargin;
  int length = static_cast<int>(line.chars.size());
  for (int from = 0; from < length;) {
    // A run has one attribute, and either only line-drawing characters or none.
    bool boxes = is_box_drawing(line.chars[from]);
    int to = from + 1;
    while (to < length && line.attrs[to] == line.attrs[from] &&
           is_box_drawing(line.chars[to]) == boxes)
      ++to;
    x += DrawRun(painter, line, from, to, x, top);
    from = to;
  }
}

int CTerminalView::DrawRun(QPainter& painter, const snapshot_line& line, int from, int to, int x,
                           int top) {
  std::u16string_view text(line.chars.data() + from, to - from);
  run_colors colors = colors_of_run(line.attrs[from], *m_pAppearance);
  bool boxes = is_box_drawing(text.front());
  // Line-drawing characters are drawn cell by cell on the grid, not from the font.
  int width = boxes ? static_cast<int>(text.size()) * m_nCharWidth : m_glyphs.layout(text);
  if (colors.fill != m_pAppearance->background)
    painter.fillRect(x, top, width, m_nLineHeight, to_qcolor(colors.fill));
  if (boxes) {
    for (size_t i = 0; i < text.size(); ++i) {
      QRect cell(x + static_cast<int>(i) * m_nCharWidth, top, m_nCharWidth, m_nLineHeight);
      draw_box_character(painter, text[i], cell, to_qcolor(colors.text));
    }
    return width;
  }
  painter.setPen(to_qcolor(colors.text));
  m_glyphs.draw(painter, x, top + (m_nLineHeight - m_nCharHeight) / 2 + m_nAscent);
  return width;
}

void CTerminalView::CreateCaret() {
  m_caretSize = caret_size(m_pAppearance->cursor_type, m_nCharWidth, m_nCharHeight);
  m_caretCreated = true;
  m_caretPhaseOn = true;
  // The system's blink rate; a rate of 0 means a caret that does not blink.
  int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (flash > 0)
    m_caretBlink.start(flash / 2);
  else
    m_caretBlink.stop();
}

void CTerminalView::DestroyCaret() {
  m_caretCreated = false;
  m_bCaretShown = false;
  m_caretBlink.stop();
}

void CTerminalView::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  m_bFocused = true;
  CreateCaret();
  viewport()->update();
}

void CTerminalView::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  m_bFocused = false;
  DestroyCaret();
  viewport()->update();
}

bool CTerminalView::focusNextPrevChild(bool) { return false; }
