#pragma once
// The serial-port connection: the COM port opened exclusively, raw line settings from the
// record, reads that never wait and writes bounded by a time-out per byte.
#include <cstdint>
#include <string>
#include <string_view>

#include "config/connection_params.h"
#include "connections/protocol.h"

class serial : public protocol {
 public:
  // A write gives up after this much time plus this much per byte, keeping what went out.
  static constexpr int write_timeout_constant_ms = 100;
  static constexpr int write_timeout_per_byte_ms = 10;

  serial(std::string_view uuid, serial_param param);
  ~serial() override;

  // "COM<n>".
  std::u16string display_name() const override;
  int get_params(connection_params& out) const override;

  bool open(const platform::worker_control& run) override;
  int close() override;
  int run_request(std::u16string& error_text, const platform::worker_control& run) override;
  int read(char* buffer, int capacity) override;
  int write(const char* data, int length) override;
  int set_size(terminal_size size) override;
  wait_target input_wait() const override;

  const serial_param param;

 private:
  // The open port, -1 when closed; only the worker touches it.
  int port = -1;
};
