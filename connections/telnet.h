#pragma once
// The Telnet connection: a TCP socket to the host, the Telnet protocol through libtelnet. It
// reports the TERM environment variable as its terminal type (the session's type when TERM is
// unset or empty) and, once the server has agreed to NAWS, the window size and every change.
#include <cstdint>
#include <string>
#include <string_view>

#include "config/connection_params.h"
#include "connections/protocol.h"
#include "connections/socket_slot.h"

typedef struct telnet_t telnet_t;
typedef union telnet_event_t telnet_event_t;

class telnet : public protocol {
 public:
  // Largest block taken from the socket per read.
  static constexpr int receive_block = 512;

  telnet(std::string_view uuid, telnet_param param);
  ~telnet() override;

  std::u16string display_name() const override;
  int get_params(connection_params& out) const override;

  bool open(const platform::worker_control& run) override;
  int close() override;
  int run_request(std::u16string& error_text, const platform::worker_control& run) override;
  int read(char* buffer, int capacity) override;
  int write(const char* data, int length) override;
  int set_size(terminal_size size) override;
  wait_target input_wait() const override;

  const telnet_param param;

 protected:
  void interrupt() override;

 private:
  static void telnet_event_handler(telnet_t* state, telnet_event_t* event, void* user_data);
  void take_data(const char* bytes, size_t size);
  void send_bytes(const char* bytes, size_t size);
  void answer_terminal_type();
  void send_window_size();

  socket_slot socket;
  telnet_t* telnet_state = nullptr;
  // The caller's buffer during a read: where the data pieces go.
  char* receive_buffer = nullptr;
  int receive_capacity = 0;
  int receive_length = 0;
  // Data that did not fit the caller's buffer (a compressed block inflates far past it), given
  // out by the next reads before anything more is taken from the socket. At most what one
  // received block inflates to.
  std::string overflow;
  size_t overflow_taken = 0;
  // The server has agreed to NAWS; the terminal's size as last told by the worker.
  bool naws_agreed = false;
  terminal_size window_size;
  // Set when a send failed; the session then ends.
  bool send_failed = false;
};
