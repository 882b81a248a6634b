#pragma once
// The settings store: the tree of settings nodes, the file Tessary.conf that holds it, and the
// deferred save.
//
// A save writes the whole tree to Tessary.conf.bak and then copies that over Tessary.conf, each
// file replaced atomically and synced, so a crash or a full disk never leaves a half-written
// file. A load reads Tessary.conf, else the backup; a main file that exists but cannot be used is
// first moved aside (Tessary.conf.unreadable) so that the next save cannot destroy what a user
// may still want back.
//
// Everything here runs on the GUI thread.
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/parameter.h"

namespace platform {
class clock;
class one_shot_timer;
}  // namespace platform

class ansi_color_param;
class button_bar_param;
class color_scheme_param;
class common_options_param;
class default_session_param;
class dhcpd_param;
class host_param;
class httpd_param;
class terminal_appearance_param;
class terminal_opt_param;
class tftpd_param;

class configuration {
 public:
  // The process-wide store for Tessary.conf in the configuration folder, built with every
  // built-in default on first use. It lives until the process ends (worker threads left running
  // at exit may still read their nodes).
  static configuration& instance();

  // A store for the file at `path` whose deferred save runs on `clock`'s timers (tests).
  configuration(std::string path, platform::clock& clock);
  ~configuration();
  configuration(const configuration&) = delete;
  configuration& operator=(const configuration&) = delete;

  // Reads the main file, else its backup, into the tree; false (every default kept) when
  // neither holds a "Tessary" document.
  bool load();
  // Writes the whole tree to the backup file, then copies it over the main file. True only when
  // both reached the disk; on failure the main file is as it was.
  bool save();
  // Arms the deferred save: 3000 ms after the first change of a burst, not restarted by later
  // changes.
  void schedule_save();
  // The deferred save's timer callback: saves, then clears the pending save.
  void save_timer_proc();
  // At exit: a pending save is written at once; with none pending nothing is written.
  void exit_save();
  bool save_pending() const { return save_pending_; }

  std::string backup_path() const { return file_path + ".bak"; }

  static constexpr int64_t save_delay_ms = 3000;

  std::string file_path;
  parameter* root = nullptr;
  // The section nodes, each also reachable through the tree.
  common_options_param* common_options = nullptr;
  default_session_param* default_session = nullptr;
  terminal_opt_param* terminal_options = nullptr;
  terminal_appearance_param* terminal_appearance = nullptr;
  ansi_color_param* ansi_colors = nullptr;
  color_scheme_param* color_schemes = nullptr;
  tftpd_param* tftpd = nullptr;
  dhcpd_param* dhcpd = nullptr;
  httpd_param* httpd = nullptr;
  host_param* hosts = nullptr;
  button_bar_param* button_bar = nullptr;

 private:
  template <typename Node, typename... Args>
  Node* make_node(Args&&... args);
  void build_tree();
  bool load_document(class xml_document& doc, const std::string& path) const;
  void move_aside_unreadable() const;

  platform::clock& clock_;
  std::unique_ptr<platform::one_shot_timer> save_timer_;
  bool save_pending_ = false;
  std::thread::id gui_thread_;
  std::vector<std::unique_ptr<parameter>> nodes_;
};
