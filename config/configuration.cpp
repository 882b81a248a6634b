#include "config/configuration.h"

#include <sys/stat.h>

#include <cassert>
#include <cstdio>

#include "config/ansi_color_param.h"
#include "config/button_bar_param.h"
#include "config/color_scheme_param.h"
#include "config/common_options_param.h"
#include "config/default_session_param.h"
#include "config/dhcpd_param.h"
#include "config/host_param.h"
#include "config/httpd_param.h"
#include "config/terminal_appearance_param.h"
#include "config/terminal_opt_param.h"
#include "config/tftpd_param.h"
#include "config/xml_document.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/folders.h"

namespace {

bool file_exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

configuration& configuration::instance() {
  // Never destroyed: nodes must outlive every thread that may still read them at exit.
  static configuration* const the_configuration =
      new configuration(platform::configuration_folder() + "/Tessary.conf", platform::real_clock());
  return *the_configuration;
}

configuration::configuration(std::string path, platform::clock& clock)
    : file_path(std::move(path)), clock_(clock), gui_thread_(std::this_thread::get_id()) {
  build_tree();
}

configuration::~configuration() = default;

template <typename Node, typename... Args>
Node* configuration::make_node(Args&&... args) {
  auto node = std::make_unique<Node>(std::forward<Args>(args)...);
  Node* raw = node.get();
  nodes_.push_back(std::move(node));
  return raw;
}

void configuration::build_tree() {
  root = make_node<parameter>(u"Tessary");
  parameter* global_options = make_node<parameter>(u"GlobalOptions");
  common_options = make_node<common_options_param>();
  default_session = make_node<default_session_param>();
  common_options->children.push_back(default_session);
  global_options->children.push_back(common_options);

  terminal_options = make_node<terminal_opt_param>();
  terminal_appearance = make_node<terminal_appearance_param>();
  ansi_colors = make_node<ansi_color_param>();
  color_schemes = make_node<color_scheme_param>();
  terminal_options->children.push_back(terminal_appearance);
  terminal_appearance->children.push_back(ansi_colors);
  terminal_appearance->children.push_back(color_schemes);
  global_options->children.push_back(terminal_options);
  root->children.push_back(global_options);

  parameter* tiny_server = make_node<parameter>(u"TinyServer");
  tftpd = make_node<tftpd_param>();
  dhcpd = make_node<dhcpd_param>();
  httpd = make_node<httpd_param>();
  tiny_server->children = {tftpd, dhcpd, httpd};
  root->children.push_back(tiny_server);

  hosts = make_node<host_param>();
  hosts->store = this;
  root->children.push_back(hosts);

  button_bar = make_node<button_bar_param>();
  root->children.push_back(button_bar);
}

bool configuration::load_document(xml_document& doc, const std::string& path) const {
  if (!doc.load_file(path)) return false;
  doc.reset_main_position();
  return doc.find_element(root->name);
}

void configuration::move_aside_unreadable() const {
  std::string target = file_path + ".unreadable";
  // An earlier damaged file that was moved aside is kept as well.
  for (int n = 2; file_exists(target) && n < 100; ++n)
    target = file_path + ".unreadable." + std::to_string(n);
  std::rename(file_path.c_str(), target.c_str());
}

bool configuration::load() {
  // Saves cut short by a kill or a crash leave their temporary copies (each a full settings
  // file with the scrambled passwords); they go before anything is read.
  platform::remove_stale_temporaries(file_path);
  platform::remove_stale_temporaries(backup_path());
  xml_document doc;
  doc.set_document();
  if (!load_document(doc, file_path)) {
    if (file_exists(file_path)) move_aside_unreadable();
    doc.set_document();
    if (!load_document(doc, backup_path())) return false;
  }
  doc.reset_main_position();
  return root->load_tree(doc);
}

bool configuration::save() {
  xml_document doc;
  doc.set_document();
  root->save_tree(doc);
  uint32_t flags = doc.document_flags();
  if (!xml_document::write_file(doc.get_document(), doc.result_log(), backup_path(), flags))
    return false;
  return platform::copy_file_atomically(backup_path(), file_path);
}

void configuration::schedule_save() {
  // The save's timer belongs to the thread that arms it; only the GUI thread may.
  assert(std::this_thread::get_id() == gui_thread_);
  if (save_pending_) return;
  if (!save_timer_) save_timer_ = clock_.make_timer([this] { save_timer_proc(); });
  save_timer_->start(save_delay_ms);
  save_pending_ = true;
}

void configuration::save_timer_proc() {
  save();
  if (save_pending_) {
    save_timer_->stop();
    save_pending_ = false;
  }
}

void configuration::exit_save() {
  if (!save_pending_) return;
  save_timer_->stop();
  save_pending_ = false;
  save();
}
