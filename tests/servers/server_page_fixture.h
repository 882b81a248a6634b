#pragma once
// The Tiny Server sheet opened over the process's configuration, loaded from a prepared
// Tessary.conf, with helpers that act on a page's controls by their ids as the user does, and
// read back what Apply stored in the node and in the file.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <functional>
#include <memory>
#include <string>

#include "config/configuration.h"
#include "servers/pages/CServerPropertySheet.h"
#include "tests/support/dialog_controls.h"
#include "tests/support/scripted_ui.h"

namespace test_support {

// A UDP (SOCK_DGRAM) or TCP (SOCK_STREAM) socket bound to a free port on loopback, held until
// the object goes away: a port no server can bind.
class held_port {
 public:
  explicit held_port(int type);
  ~held_port();
  held_port(const held_port&) = delete;
  held_port& operator=(const held_port&) = delete;

  uint16_t port = 0;

 private:
  int fd_;
};

// Runs `action` with a scripted ui that answers one message box with OK, and gives that box's
// text; the box must be a plain OK box captioned with the program's name. Empty when no box
// was shown.
QString message_of(const std::function<void()>& action);

// What a shell command printed on its standard output, without the final line end.
std::string output_of(const std::string& command);

class server_page_fixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes `tiny_server` (the elements inside "TinyServer") as the Tessary.conf and loads the
  // process's configuration from it, every server node back at its defaults first.
  void load_settings(const std::string& tiny_server);
  // Opens the sheet on the page with this tab title.
  void open_sheet(const QString& tab);

  template <typename Widget>
  Widget* control(int id) {
    return ::control<Widget>(*page, id);
  }
  // The user's actions: typing replaces an edit's text, choosing picks a list entry by its text,
  // clicking toggles a check box.
  void type(int id, const QString& text);
  void type_in_combo(int id, const QString& text);
  void choose(int id, const QString& text);
  void click(int id);
  // Presses the sheet's Apply (1008) and OK (1) buttons.
  void apply();
  bool apply_enabled();

  // Writes the pending save now and reads the file into a fresh configuration.
  std::unique_ptr<configuration> saved_settings();
  std::string saved_text();

  // A UDP or TCP port on loopback that nothing is bound to right now.
  static uint16_t free_port(int type);

  std::unique_ptr<CServerPropertySheet> sheet;
  QWidget* page = nullptr;
};

}  // namespace test_support
