#pragma once
// What the terminal window tests share: a main frame double that records what the views ask of
// it, a connection whose state the test sets (it never reaches a peer; the end-to-end tests use
// the real sshd), and a fixture that opens a real terminal view offscreen, feeds it bytes the way
// the worker does and reads back the bytes it queued.
#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QPoint>
#include <QSize>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/clipboard_access.h"
#include "config/session_record.h"
#include "config/terminal_appearance_param.h"
#include "config/terminal_opt_param.h"
#include "connections/protocol.h"
#include "terminal/CTerminalDoc.h"
#include "terminal/CTerminalView.h"
#include "terminal/session_frame.h"

namespace view_test {

class test_frame : public session_frame {
 public:
  test_frame();
  ~test_frame() override;

  QIcon state_icon(connection_state state) const override;
  clipboard_access* clipboard() override { return &board; }
  void terminal_resized(int rows, int cols) override { sizes.push_back({rows, cols}); }
  void show_status(const QString& text) override { notes.push_back(text); }
  CBaseView* active_view() override { return active; }
  bool open_session(const session_record& record) override;
  bool edit_session_options(session_record& record, int lock_mask) override;
  void update_host(const session_record& record) override { updated_hosts.push_back(record); }
  bool app_closing() const override { return closing; }
  int screen_dpi_y() const override { return dpi; }

  // The colour each state's icon is filled with.
  static QRgb icon_color(connection_state state);

  clipboard_access board;
  std::vector<std::pair<int, int>> sizes;
  // The status bar notes, oldest first.
  std::vector<QString> notes;
  CBaseView* active = nullptr;
  std::vector<session_record> opened;
  std::vector<int> lock_masks;
  // Acts as the user in the Session Options dialog; none means Cancel.
  std::function<void(session_record&)> edit;
  std::vector<session_record> updated_hosts;
  bool closing = false;
  int dpi = 96;

 private:
  session_frame* previous;
};

// A connection that reaches no peer: the test stores its state, or starts it. Its worker either
// fails to open at once, or (with `opens_succeed`) stays connected, reading nothing, until it is
// stopped.
class fake_protocol : public protocol {
 public:
  explicit fake_protocol(int32_t kind = 0) : protocol(kind, "fake-uuid") {}

  std::u16string display_name() const override { return u"fake"; }
  int get_params(connection_params&) const override { return 1; }
  bool open(const platform::worker_control&) override;
  int close() override { return 1; }
  int run_request(std::u16string&, const platform::worker_control&) override { return 0; }
  int read(char*, int) override { return opens_succeed ? 0 : -1; }
  int write(const char*, int length) override { return length; }
  int set_size(terminal_size) override { return 0; }
  wait_target input_wait() const override { return {}; }

  std::atomic<bool> opens_succeed{false};
  std::atomic<int> opens{0};
};

// Runs the event loop until `condition` holds or `limit` passed. The default bound only
// matters when the condition never holds: a busy machine may take seconds for a login.
bool wait_until(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::seconds(20));

// The record the tests open: a fixed-pitch font that is installed, terminal type "xterm".
session_record standard_record();

// Colours that tell every palette entry, the default foreground and background apart.
void use_test_colors(session_appearance& appearance);

class terminal_view_test : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens a view on `record` with a client area (the viewport) of `client` pixels, shown
  // offscreen, with a fake connection attached.
  CTerminalView& open(session_record record = standard_record(), QSize client = {});
  // A client area of exactly rows × cols cells.
  QSize client_for(int rows, int cols) const;
  // The bytes arrive as from the peer: parsed by the worker-side link, then the view's notice
  // is delivered.
  void feed(std::string_view bytes);
  // Everything the view queued to send so far.
  std::string sent();
  void set_state(connection_state state) { connection->state.store(state); }
  // The viewport as drawn now.
  QImage grab();
  // The centre of the cell (row on screen, column), in viewport pixels.
  QPoint cell_center(int row, int col) const;
  // A mouse event on the viewport.
  void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  // The screen's selected text, empty when nothing is selected.
  std::u16string selected_text();
  std::u16string clipboard_text() const;
  // An empty text empties the clipboard.
  void put_on_clipboard(const std::u16string& text);

  test_frame frame;
  std::shared_ptr<fake_protocol> connection;
  std::shared_ptr<CTerminalDoc> doc;
  std::unique_ptr<CTerminalView> view;
  terminal_opt_param saved_options;
  terminal_appearance_param saved_appearance;
};

}  // namespace view_test
