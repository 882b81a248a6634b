#pragma once
// A scripted FTP server on loopback for the cases real servers do not show: a slow or
// multi-line greeting, a log-in without a password, a slow password check, an endless reply
// line, a data connection that never delivers, hostile listings and SIZE replies. It serves one
// file from memory, records every command it gets, and answers the rest as a plain server
// would. Its thread serves one control connection at a time.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace server_test {

class fake_ftp {
 public:
  fake_ftp();
  ~fake_ftp();

  uint16_t port() const { return port_; }
  std::vector<std::string> commands() const;

  // What the server does; set before the client connects.
  std::string greeting = "220 ready\r\n";
  int greeting_delay_ms = 0;
  std::string user_reply = "331 password please\r\n";  // "230 ..." lets the user in at once
  int password_delay_ms = 0;  // before the PASS reply
  std::string file_contents = "0123456789";
  // The folder a log-in starts in (a user who is not chrooted starts in a home of its own), and
  // the absolute path of the file: CWD, SIZE and RETR of paths that do not lead to it, relative
  // ones taken from the current folder, answer 550. An empty `file_path` serves the file at
  // every name.
  std::string login_folder = "/";
  std::string file_path;
  std::string listing = "-rw-r--r-- 1 ftp ftp 10 Jan 01 10:00 a.bin\r\n";
  std::string size_reply;    // in place of "213 <size of the file>" when not empty
  bool stall_data = false;   // accept the data connection, then send nothing
  std::string pasv_host = "127,0,0,1";

 private:
  void serve();
  void serve_control(int fd);

  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex lock_;
  std::vector<std::string> commands_;
  std::thread thread_;
};

}  // namespace server_test
