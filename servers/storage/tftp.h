#pragma once
// The back end for a "tftp" location: a TFTP client (octet mode) on a UDP socket. open sends
// the request and takes the first reply; read walks the DATA blocks, acknowledging each.
//
// Only the server asked is listened to: the first reply must come from its address (from any
// port, its transfer port), and every later packet from that same address and port; packets
// from anyone else are ignored. A block that arrives twice (the server sent it again before our
// acknowledgement reached it) is skipped. Every wait is bounded.
#include <netinet/in.h>

#include <cstdint>

#include "config/net_socket.h"
#include "servers/storage/base.h"

namespace quarro {

enum tftp_error : uint32_t {
  TFTP_NO_SOCKET = 4,
  TFTP_REQUEST_NOT_SENT = 5,
  TFTP_BAD_REPLY_SIZE = 6,
  TFTP_REQUEST_TOO_LONG = 0x2000000,
  TFTP_NO_FIRST_REPLY = 0x2000001,
  TFTP_SERVER_ERROR = 0x2000002,  // + the code of the server's ERROR packet
};

enum tftp_opcode : uint16_t { TFTP_RRQ = 1, TFTP_WRQ = 2, TFTP_DATA = 3, TFTP_ACK = 4, TFTP_ERROR = 5 };

class tftp : public base {
 public:
  static constexpr int packet_limit = 1500;
  static constexpr int block_bytes = 512;
  static constexpr int first_reply_ms = 3000;
  static constexpr int packet_ms = 1000;
  static constexpr int attempts = 3;

  tftp(const quarro::location& where, handle* owner);
  ~tftp() override;

  // Sends the read (or write) request and takes the server's first reply: DATA 1 with the
  // first block, or ACK 0.
  bool open(bool write) override;
  bool close() override;
  // Hands out the current block; when it is used up, acknowledges it and takes the next one.
  // 0 once the last (short) block has been acknowledged.
  int read(char* buffer, int size) override;
  int write(const char* data, int size) override;
  // The size of a file is never known over TFTP: always -1.
  int64_t size() override;

  net_socket socket;
  bool opened = false;
  uint16_t block = 255;
  uint16_t block_size = 0;
  sockaddr_in peer{};
  char buffer[block_bytes] = {};
  int filled = 0;
  int taken = 0;

 private:
  // The next packet from the server until `deadline_ms`: its length, 0 when none came in time,
  // negative on an error. The first reply may come from any port of the server's address;
  // later ones only from `peer`.
  int receive_packet(char* packet, int64_t deadline_ms, bool first);
  bool send_to_peer(const char* packet, int length);
};

}  // namespace quarro
