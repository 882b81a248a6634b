#include "servers/storage/tftp.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/clock.h"

namespace quarro {

namespace {

uint16_t number_at(const char* packet, int offset) {
  return static_cast<uint16_t>((static_cast<unsigned char>(packet[offset]) << 8) |
                               static_cast<unsigned char>(packet[offset + 1]));
}

void put_number(char* packet, int offset, uint16_t value) {
  packet[offset] = static_cast<char>(value >> 8);
  packet[offset + 1] = static_cast<char>(value & 0xFF);
}

}  // namespace

tftp::tftp(const quarro::location& where, handle* owner) : base(where, owner) {}

tftp::~tftp() { socket.close(); }

int64_t tftp::size() { return -1; }

bool tftp::close() {
  socket.close();
  return true;
}

int tftp::receive_packet(char* packet, int64_t deadline_ms, bool first) {
  for (;;) {
    const int64_t left = deadline_ms - platform::real_clock().now_ms();
    if (left <= 0) return 0;
    sockaddr_in source{};
    const int got = socket.receive(packet, packet_limit, static_cast<int>(left), &source);
    if (got <= 0) return got;
    const bool from_server =
        first ? source.sin_addr.s_addr == socket.remote_address->sin_addr.s_addr
              : source.sin_addr.s_addr == peer.sin_addr.s_addr && source.sin_port == peer.sin_port;
    if (!from_server) continue;
    peer = source;
    return got;
  }
}

bool tftp::send_to_peer(const char* packet, int length) {
  return socket.send(packet, static_cast<size_t>(length), &peer) == length;
}

bool tftp::open(bool write) {
  if (!socket.open(net_socket::kind_udp, location.host.c_str(), location.port)) {
    fail(TFTP_NO_SOCKET);
    return false;
  }
  const size_t length = location.path.size() + 9;
  if (length > packet_limit) {
    fail(TFTP_REQUEST_TOO_LONG);
    return false;
  }
  std::string request(2, '\0');
  put_number(request.data(), 0, write ? TFTP_WRQ : TFTP_RRQ);
  request += location.path;
  request += '\0';
  request += "octet";
  request += '\0';
  if (socket.send(request.data(), request.size()) != static_cast<int>(request.size())) {
    fail(TFTP_REQUEST_NOT_SENT);
    return false;
  }

  block = 1;
  block_size = block_bytes;
  char packet[packet_limit];
  const int got = receive_packet(packet, platform::real_clock().now_ms() + first_reply_ms, true);
  if (got < 4 || got > 4 + block_bytes) {
    fail(TFTP_BAD_REPLY_SIZE);
    return false;
  }
  const uint16_t opcode = number_at(packet, 0);
  const uint16_t number = number_at(packet, 2);
  if (!write && opcode == TFTP_DATA && number == 1) {
    filled = got - 4;
    std::memcpy(buffer, packet + 4, static_cast<size_t>(filled));
    taken = 0;
    opened = true;
    return true;
  }
  if (write && opcode == TFTP_ACK && number == 0) {
    opened = true;
    return true;
  }
  fail(opcode == TFTP_ERROR ? TFTP_SERVER_ERROR + number : TFTP_NO_FIRST_REPLY);
  return false;
}

int tftp::read(char* out, int size) {
  if (!opened || size < 0) return -1;
  for (;;) {
    if (taken < filled) {
      const int count = std::min(size, filled - taken);
      std::memcpy(out, buffer + taken, static_cast<size_t>(count));
      taken += count;
      return count;
    }
    char ack[4];
    put_number(ack, 0, TFTP_ACK);
    put_number(ack, 2, block);
    int got = 0;
    char packet[packet_limit];
    for (int attempt = 0; attempt < attempts && got == 0; ++attempt) {
      if (!send_to_peer(ack, sizeof ack)) return -1;
      if (filled < block_bytes) return 0;
      const int64_t deadline = platform::real_clock().now_ms() + packet_ms;
      // A copy of the block we hold is the server repeating itself: wait on for the next one.
      do {
        got = receive_packet(packet, deadline, false);
      } while (got >= 4 && number_at(packet, 0) == TFTP_DATA && number_at(packet, 2) == block);
    }
    if (got <= 0) return -1;
    const uint16_t next = static_cast<uint16_t>(block + 1);
    if (got < 4 || got > 4 + block_bytes || number_at(packet, 0) != TFTP_DATA || number_at(packet, 2) != next)
      return -1;
    block = next;
    filled = got - 4;
    std::memcpy(buffer, packet + 4, static_cast<size_t>(filled));
    taken = 0;
  }
}

int tftp::write(const char* data, int size) {
  if (!opened || size < 0) return -1;
  for (int offset = 0; offset < size;) {
    const int piece = std::min(block_bytes, size - offset);
    char packet[4 + block_bytes];
    put_number(packet, 0, TFTP_DATA);
    put_number(packet, 2, block);
    std::memcpy(packet + 4, data + offset, static_cast<size_t>(piece));
    int got = 0;
    char reply[packet_limit];
    for (int attempt = 0; attempt < attempts && got == 0; ++attempt) {
      if (!send_to_peer(packet, 4 + piece)) return -1;
      const int64_t deadline = platform::real_clock().now_ms() + packet_ms;
      // The acknowledgement of the previous block, repeated, is skipped.
      do {
        got = receive_packet(reply, deadline, false);
      } while (got == 4 && number_at(reply, 0) == TFTP_ACK &&
               number_at(reply, 2) == static_cast<uint16_t>(block - 1));
    }
    if (got != 4 || number_at(reply, 0) != TFTP_ACK || number_at(reply, 2) != block) return -1;
    ++block;
    offset += piece;
  }
  return size;
}

}  // namespace quarro
