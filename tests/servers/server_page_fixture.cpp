#include "tests/servers/server_page_fixture.h"

#include <QCoreApplication>
#include <QTabWidget>

#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "config/dhcpd_param.h"
#include "config/httpd_param.h"
#include "config/tftpd_param.h"
#include "platform/clock.h"
#include "servers/tftpd.h"
#include "tests/servers/loopback.h"

namespace test_support {

std::string output_of(const std::string& command) {
  std::string text = server_test::command_output(command);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

QString message_of(const std::function<void()>& action) {
  scripted_ui ui;
  ui.expect_message(platform::IDOK);
  action();
  // A missing or extra box fails the test through the script.
  const std::vector<interaction> shown = ui.messages();
  if (shown.empty()) return {};
  EXPECT_EQ(shown[0].caption, "Tessary");
  EXPECT_EQ(shown[0].style, platform::MB_OK);
  return shown[0].text;
}

void server_page_fixture::SetUp() {
  // The program's name, which the pages' captionless message boxes show.
  QCoreApplication::setApplicationName("Tessary");
}

void server_page_fixture::TearDown() {
  sheet.reset();
  tftpd::instance()->stop();
}

void server_page_fixture::load_settings(const std::string& tiny_server) {
  configuration& store = configuration::instance();
  // A save left pending by an earlier test of this process goes first, so it cannot overwrite
  // the prepared file.
  if (store.save_pending()) store.save_timer_proc();
  {
    std::ofstream file(store.file_path, std::ios::trunc);
    file << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Tessary>\n<TinyServer>\n"
         << tiny_server << "\n</TinyServer>\n</Tessary>\n";
  }
  *store.tftpd = tftpd_param();
  *store.dhcpd = dhcpd_param();
  *store.httpd = httpd_param();
  ASSERT_TRUE(store.load());
}

void server_page_fixture::open_sheet(const QString& tab) {
  sheet = std::make_unique<CServerPropertySheet>();
  sheet->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
  for (int i = 0; i < sheet->m_tab->count(); ++i)
    if (sheet->m_tab->tabText(i) == tab) sheet->m_tab->setCurrentIndex(i);
  page = sheet->m_tab->currentWidget();
  ASSERT_EQ(sheet->m_tab->tabText(sheet->m_tab->currentIndex()), tab);
}

void server_page_fixture::type(int id, const QString& text) { type_into(control<QLineEdit>(id), text); }

void server_page_fixture::type_in_combo(int id, const QString& text) {
  QLineEdit* edit = control<QComboBox>(id)->lineEdit();
  ASSERT_NE(edit, nullptr);
  type_into(edit, text);
}

void server_page_fixture::choose(int id, const QString& text) { ::choose(control<QComboBox>(id), text); }

void server_page_fixture::click(int id) { control<QAbstractButton>(id)->click(); }

void server_page_fixture::apply() {
  auto* button = sheet->findChild<QAbstractButton*>("id_1008");
  ASSERT_TRUE(button->isEnabled());
  button->click();
}

bool server_page_fixture::apply_enabled() { return sheet->findChild<QAbstractButton*>("id_1008")->isEnabled(); }

std::unique_ptr<configuration> server_page_fixture::saved_settings() {
  configuration& store = configuration::instance();
  EXPECT_TRUE(store.save_pending());
  store.save_timer_proc();
  auto read = std::make_unique<configuration>(store.file_path, platform::real_clock());
  EXPECT_TRUE(read->load());
  return read;
}

std::string server_page_fixture::saved_text() {
  std::ifstream in(configuration::instance().file_path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

uint16_t server_page_fixture::free_port(int type) { return held_port(type).port; }

held_port::held_port(int type) : fd_(server_test::bound_socket(type, port)) {
  EXPECT_NE(port, 0);
  if (type == SOCK_STREAM) ::listen(fd_, 1);
}

held_port::~held_port() { ::close(fd_); }

}  // namespace test_support
