#include "tests/terminal/terminal_view_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTest>

#include <array>
#include <span>

#include "config/configuration.h"
#include "platform/qt_text.h"
#include "terminal/terminal_core.h"

namespace view_test {

test_frame::test_frame() { previous = session_frame::install(this); }

test_frame::~test_frame() { session_frame::install(previous); }

QRgb test_frame::icon_color(connection_state state) {
  static const std::array<QRgb, 3> colors{qRgb(200, 0, 0), qRgb(200, 200, 0), qRgb(0, 200, 0)};
  return colors[state];
}

QIcon test_frame::state_icon(connection_state state) const {
  QPixmap picture(16, 16);
  picture.fill(QColor(icon_color(state)));
  return QIcon(picture);
}

bool test_frame::open_session(const session_record& record) {
  opened.push_back(record);
  return true;
}

bool test_frame::edit_session_options(session_record& record, int lock_mask) {
  lock_masks.push_back(lock_mask);
  if (!edit) return false;
  edit(record);
  return true;
}

bool fake_protocol::open(const platform::worker_control&) {
  ++opens;
  return opens_succeed;
}

bool wait_until(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  for (auto i = limit.count() / 10; i > 0; --i) {
    if (condition()) return true;
    QTest::qWait(10);
  }
  return condition();
}

session_record standard_record() {
  session_record record;
  record.name = u"test session";
  record.appearance.font_name = u"DejaVu Sans Mono";
  record.appearance.font_size = 10;
  record.appearance.console_type = "xterm";
  record.appearance.scrollback_size = 500;
  record.appearance.cursor_type = 2;
  return record;
}

void use_test_colors(session_appearance& appearance) {
  appearance.ansi_color_mode = 1;
  appearance.foreground = rgb_color(0xC0C0C0);
  appearance.background = rgb_color(0x000000);
  for (uint32_t i = 0; i < 16; ++i)
    appearance.palette[i] = rgb_color(((i + 1) * 0x0F) << 16 | (0x80 + i * 5) << 8 | (0xF0 - i * 7));
}

void terminal_view_test::SetUp() {
  configuration& config = configuration::instance();
  saved_options = *config.terminal_options;
  saved_appearance = *config.terminal_appearance;
  put_on_clipboard(u"");
}

void terminal_view_test::TearDown() {
  view.reset();
  configuration& config = configuration::instance();
  *config.terminal_options = saved_options;
  *config.terminal_appearance = saved_appearance;
}

CTerminalView& terminal_view_test::open(session_record record, QSize client) {
  doc = std::make_shared<CTerminalDoc>();
  doc->OnOpenDocument(record);
  use_test_colors(doc->m_session.appearance);
  view = std::make_unique<CTerminalView>(doc);
  connection = std::make_shared<fake_protocol>(record.connection.protocol);
  view->AttachProtocol(connection);
  if (client.isEmpty()) client = client_for(25, 80);
  view->resize(client + QSize(view->verticalScrollBar()->sizeHint().width(), 0));
  view->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  // The viewport must be exactly the client area asked for.
  view->resize(view->size() + client - view->viewport()->size());
  QCoreApplication::processEvents();
  EXPECT_EQ(view->viewport()->size(), client);
  return *view;
}

QSize terminal_view_test::client_for(int rows, int cols) const {
  // Before a view exists, the metrics of a view on the standard record.
  static const QSize cell = [] {
    auto probe_doc = std::make_shared<CTerminalDoc>();
    probe_doc->OnOpenDocument(standard_record());
    CTerminalView probe(probe_doc);
    return QSize(probe.m_nCharWidth, probe.m_nLineHeight);
  }();
  int width = view ? view->m_nCharWidth : cell.width();
  int height = view ? view->m_nLineHeight : cell.height();
  int margin = static_cast<int>(configuration::instance().terminal_appearance->margin);
  return {2 * margin + cols * width, 2 * margin + rows * height};
}

void terminal_view_test::feed(std::string_view bytes) {
  connection->terminal()->receive_data(bytes.data(), static_cast<int>(bytes.size()));
  QCoreApplication::processEvents();
}

std::string terminal_view_test::sent() {
  std::string out;
  std::array<char, send_queue::fetch_size> buffer;
  for (;;) {
    int n = view->SendQueue().fetch_send_data(std::span<char, send_queue::fetch_size>(buffer),
                                              std::chrono::milliseconds(0));
    if (n <= 0) return out;
    out.append(buffer.data(), n);
  }
}

QImage terminal_view_test::grab() { return view->viewport()->grab().toImage(); }

QPoint terminal_view_test::cell_center(int row, int col) const {
  return {view->m_nMargin + col * view->m_nCharWidth + view->m_nCharWidth / 2,
          view->m_nMargin + row * view->m_nLineHeight + view->m_nLineHeight / 2};
}

void terminal_view_test::mouse(QEvent::Type type, QPoint at, Qt::MouseButton button,
                               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  QPointF local(at);
  QMouseEvent e(type, local, view->viewport()->mapToGlobal(local), button, buttons, modifiers);
  QCoreApplication::sendEvent(view->viewport(), &e);
}

std::u16string terminal_view_test::selected_text() {
  std::u16string text;
  view->Core()->screen.get_selected_text(text);
  return text;
}

std::u16string terminal_view_test::clipboard_text() const {
  return platform::to_u16string(QGuiApplication::clipboard()->text());
}

void terminal_view_test::put_on_clipboard(const std::u16string& text) {
  if (text.empty())
    QGuiApplication::clipboard()->clear();
  else
    QGuiApplication::clipboard()->setText(platform::to_qstring(text));
  QCoreApplication::processEvents();
}

}  // namespace view_test
