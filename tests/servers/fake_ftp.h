#pragma once
// A scripted FTP server on loopback for the cases real servers do not show: a slow or
// multi-line greeting, an endless reply line, a data connection that never delivers. It serves
// one file from memory, records every command it gets, and answers the rest as a plain server
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
  std::string file_contents = "0123456789";
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
