#include "servers/tftpd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "config/server_values.h"
#include "config/tftpd_param.h"

namespace {

constexpr int64_t pass_wait_us = 500000;

int64_t now_us() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint16_t read_u16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

void write_u16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value >> 8);
  p[1] = static_cast<uint8_t>(value);
}

bool same_peer(const sockaddr_in& a, const sockaddr_in& b) {
  return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

// A name that stays inside the served folder: no separators, and not the folder itself or its
// parent.
bool name_allowed(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

tftp_transfer::~tftp_transfer() {
  close_file();
  if (folder >= 0) ::close(folder);
}

void tftp_transfer::close_file() {
  if (file >= 0) ::close(file);
  file = -1;
}

bool tftp_transfer::store() {
  // A link never replaces: a file that took the name meanwhile keeps it (EEXIST).
  if (::linkat(file, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  // Linking the descriptor itself is for servers that may search every folder; others name the
  // same file through /proc.
  if (errno != ENOENT) return false;
  char link[32];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", file);
  return ::linkat(AT_FDCWD, link, folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

ssize_t tftp_transfer::read_block(uint8_t* out) {
  size_t count = 0;
  while (count < block_size) {
    if (chunk_at == chunk.size()) {
      chunk.resize(chunk_size);
      const ssize_t got = ::read(file, chunk.data(), chunk.size());
      if (got < 0) {
        chunk.clear();
        chunk_at = 0;
        return -1;
      }
      chunk.resize(static_cast<size_t>(got));
      chunk_at = 0;
      if (got == 0) break;
    }
    const size_t take = std::min(block_size - count, chunk.size() - chunk_at);
    std::memcpy(out + count, chunk.data() + chunk_at, take);
    chunk_at += take;
    count += take;
  }
  return static_cast<ssize_t>(count);
}

bool tftp_transfer::write_block(const uint8_t* data, size_t count) {
  chunk.insert(chunk.end(), data, data + count);
  return chunk.size() + block_size <= chunk_size || flush();
}

bool tftp_transfer::flush() {
  size_t done = 0;
  while (done < chunk.size()) {
    const ssize_t wrote = ::write(file, chunk.data() + done, chunk.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      chunk.clear();
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  chunk.clear();
  return true;
}

tftpd* tftpd::instance() {
  static tftpd* const the_server = new tftpd;
  return the_server;
}

tftpd::tftpd() : server("tftpd", LOG_INFORMATION) {}

tftpd::~tftpd() {
  finish();
  close_all();
}

bool tftpd::start(const tftpd_param& settings) {
  if (running) {
    log(LOG_INFORMATION, "tftpd is already running!");
    return true;
  }
  // A worker left running by an earlier stop still owns the sockets and transfers.
  if (worker_alive()) return false;
  level = settings.log_level;
  download_folder = served_folder(settings.download_index, settings.download_paths);
  upload_folder = served_folder(settings.upload_index, settings.upload_paths);
  read_enable = settings.read_enable;
  write_enable = settings.write_enable;
  path_restriction = settings.path_restriction;
  // The settings page asks for 1 to 60 seconds, but a file may hold 0: that would resend every
  // packet at once, over and over, and end each transfer within microseconds.
  timeout = std::max<uint32_t>(settings.timeout, 1);
  max_retry = settings.max_retry;

  close_all();
  if (!bind_socket(socket, settings.interface_address, static_cast<uint16_t>(settings.port))) return false;
  if (!start_worker()) {
    socket.close();
    return false;
  }
  return true;
}

void tftpd::close_all() {
  socket.close();
  for (auto& transfer : transfers) transfer.reset();
  sockets_changed = true;
}

void tftpd::run(platform::worker_control& control) {
  log(LOG_INFORMATION, "TFTP Server started");
  sockets_changed = true;
  std::vector<net_socket*> watched;
  std::vector<int> watched_slots;  // the slot of each watched socket; -1 for the listening one
  std::array<uint8_t, receive_size> buffer;
  int64_t wait_us = pass_wait_us;
  while (running) {
    if (sockets_changed) {
      watched = {&socket};
      watched_slots = {-1};
      for (int slot = 0; slot < max_transfers; ++slot)
        if (transfers[slot]) {
          watched.push_back(&transfers[slot]->socket);
          watched_slots.push_back(slot);
        }
      sockets_changed = false;
    }
    int ready = net_socket::select_sockets(watched, {}, wait_us, control.wake_fd());
    if (ready < 0) break;
    for (size_t i = 0; i < watched.size() && ready > 0 && running; ++i) {
      const int slot = watched_slots[i];
      // An earlier datagram of this pass may have ended that transfer, and its socket with it.
      if (slot >= 0 && (!transfers[slot] || &transfers[slot]->socket != watched[i])) continue;
      if (!(watched[i]->ready_flags & net_socket::ready_read)) continue;
      --ready;
      sockaddr_in sender{};
      const int got = watched[i]->receive(buffer.data(), buffer.size(), 0, &sender);
      if (got > 0) handle_packet(slot, buffer.data(), static_cast<size_t>(got), sender);
    }
    wait_us = check_timeouts();
  }
  running = false;
  log(LOG_INFORMATION, "TFTP Server stopped");
  close_all();
}

void tftpd::handle_packet(int slot, const uint8_t* data, size_t length, const sockaddr_in& sender) {
  if (length < 4) {
    log(LOG_ERROR, "Invalid package length %u!", static_cast<unsigned>(length));
    return;
  }
  const uint16_t opcode = read_u16(data);
  if (opcode == TFTP_RRQ || opcode == TFTP_WRQ) {
    // Requests start transfers only at the server's port.
    if (slot >= 0) return;
    // A client sends its request again when our first answer is slow or lost. That request is
    // already being served: a second transfer would compete with the first, and for an upload
    // it would be refused the name the first one is storing to. A finished upload waiting for a
    // repeated last block is over, though: its client has moved on to a new request.
    for (int other = 0; other < max_transfers; ++other) {
      if (!transfers[other] || !same_peer(sender, *transfers[other]->socket.remote_address)) continue;
      if (transfers[other]->finished) {
        free_slot(other);
        continue;
      }
      log(LOG_DEBUG, "Ignored a repeated request from %s:%u", dotted_text(ntohl(sender.sin_addr.s_addr)).c_str(),
          ntohs(sender.sin_port));
      return;
    }
    auto open_slot = std::find(transfers.begin(), transfers.end(), nullptr);
    std::unique_ptr<tftp_transfer> transfer;
    if (open_slot == transfers.end()) {
      log(LOG_ERROR, "Too many transfers, request refused!");
      transfer = new_transfer(sender);
      transfer->error = TFTP_NOT_DEFINED;
    } else {
      transfer = make_transfer(data, length, sender);
    }
    if (transfer->error >= 0) {
      // A refusal is said once and holds no slot.
      send(*transfer);
      return;
    }
    *open_slot = std::move(transfer);
    sockets_changed = true;
    send(**open_slot);
    return;
  }
  if (slot < 0) return;
  tftp_transfer& transfer = *transfers[slot];
  if (!same_peer(sender, *transfer.socket.remote_address)) {
    log(LOG_DEBUG, "Ignored a packet from %s:%u, not this transfer's client",
        dotted_text(ntohl(sender.sin_addr.s_addr)).c_str(), ntohs(sender.sin_port));
    return;
  }
  if (opcode == TFTP_DATA && !transfer.is_read) handle_data(slot, data, length);
  else if (opcode == TFTP_ACK && transfer.is_read) handle_ack(slot, read_u16(data + 2));
  else if (opcode == TFTP_ERROR) handle_client_error(slot, data, length);
}

std::unique_ptr<tftp_transfer> tftpd::new_transfer(const sockaddr_in& sender) {
  auto transfer = std::make_unique<tftp_transfer>();
  // Not bound: the first send picks a fresh port, the transfer's own.
  transfer->socket.sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (transfer->socket.sock >= 0) {
    transfer->socket.kind = net_socket::kind_udp;
    transfer->socket.state = net_socket::state_open;
  }
  transfer->socket.remote_address = sender;
  return transfer;
}

std::unique_ptr<tftp_transfer> tftpd::make_transfer(const uint8_t* data, size_t length,
                                                     const sockaddr_in& sender) {
  std::unique_ptr<tftp_transfer> transfer = new_transfer(sender);
  transfer->is_read = read_u16(data) == TFTP_RRQ;

  if (transfer->is_read ? !read_enable : !write_enable) {
    transfer->error = TFTP_ACCESS_VIOLATION;
    log(LOG_INFORMATION, "Access deny!");
    return transfer;
  }
  const char* text = reinterpret_cast<const char*>(data);
  const char* name_end = static_cast<const char*>(std::memchr(text + 2, 0, length - 2));
  if (!name_end) {
    transfer->error = TFTP_NOT_DEFINED;
    log(LOG_ERROR, "Filename overflow!");
    return transfer;
  }
  const std::string name(text + 2, name_end);
  const size_t mode_start = static_cast<size_t>(name_end - text) + 1;
  const char* mode_end = mode_start < length
                             ? static_cast<const char*>(std::memchr(text + mode_start, 0, length - mode_start))
                             : nullptr;
  if (!mode_end) {
    transfer->error = TFTP_NOT_DEFINED;
    log(LOG_ERROR, "Mode overflow!");
    return transfer;
  }
  const std::string mode(text + mode_start, mode_end);
  if (!name_allowed(name)) {
    transfer->error = TFTP_NOT_DEFINED;
    log(LOG_ERROR, "File name %s is not supported", printable(name).c_str());
    return transfer;
  }
  if (mode != "octet") {
    transfer->error = TFTP_NOT_DEFINED;
    log(LOG_ERROR, "Not supported mode '%s'", printable(mode).c_str());
    return transfer;
  }
  log(LOG_INFORMATION, "Requst to %s file %s", transfer->is_read ? "GET" : "PUT", printable(name).c_str());

  if (transfer->is_read) {
    // No link is followed and nothing but a regular file is read (a FIFO would never end).
    const std::string path = download_folder + "/" + name;
    transfer->file = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (transfer->file < 0 || ::fstat(transfer->file, &info) != 0 || !S_ISREG(info.st_mode)) {
      transfer->error = TFTP_FILE_NOT_FOUND;
      return transfer;
    }
    transfer->block = 1;
  } else {
    transfer->name = name;
    open_upload(*transfer);
    transfer->block = 0;
  }
  return transfer;
}

void tftpd::open_upload(tftp_transfer& transfer) {
  transfer.path = upload_folder + "/" + transfer.name;
  // Another client's upload of the name takes it as surely as a file does.
  for (const auto& other : transfers) {
    if (other && !other->is_read && !other->finished && other->name == transfer.name) {
      transfer.error = TFTP_FILE_EXISTS;
      return;
    }
  }
  transfer.folder = ::open(upload_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  struct stat taken {};
  // An existing file or link, even a dangling one, is never replaced or written through.
  if (transfer.folder >= 0 && ::fstatat(transfer.folder, transfer.name.c_str(), &taken, AT_SYMLINK_NOFOLLOW) == 0) {
    transfer.error = TFTP_FILE_EXISTS;
    return;
  }
  // The file has no name until the upload is complete, so an unfinished one leaves nothing to
  // remove, and a partial file is never seen under the name.
  if (transfer.folder >= 0 && errno == ENOENT)
    transfer.file = ::openat(transfer.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
  if (transfer.file >= 0) return;
  const int why = errno;
  log(LOG_ERROR, "Upload of %s refused: %s", printable(transfer.path).c_str(),
      why == EOPNOTSUPP || why == EISDIR ? "the upload folder's file system cannot hold a file without a name"
                                         : std::strerror(why));
  transfer.error = TFTP_ACCESS_VIOLATION;
}

bool tftpd::store_upload(int slot) {
  tftp_transfer& transfer = *transfers[slot];
  if (transfer.store()) return true;
  const int why = errno;
  log(LOG_ERROR, "Upload of %s complete at block %u, not stored: %s", printable(transfer.path).c_str(),
      static_cast<unsigned>(transfer.block), why == EEXIST ? "the name was taken meanwhile" : std::strerror(why));
  fail(slot, why == EEXIST ? TFTP_FILE_EXISTS : TFTP_ACCESS_VIOLATION);
  return false;
}

void tftpd::handle_data(int slot, const uint8_t* data, size_t length) {
  tftp_transfer& transfer = *transfers[slot];
  const size_t count = length - 4;
  if (count > tftp_transfer::block_size) return;
  const uint16_t block = read_u16(data + 2);
  if (block == transfer.block) {
    // Our ACK was lost and the client sent the block again.
    ++transfer.retries;
    send(transfer);
    return;
  }
  if (transfer.finished || block != static_cast<uint16_t>(transfer.block + 1)) return;
  transfer.last_length = static_cast<uint16_t>(count);
  const bool last = count < tftp_transfer::block_size;
  if (!transfer.write_block(data + 4, count) || (last && !transfer.flush())) {
    log(LOG_ERROR, "Write failed: %s", std::strerror(errno));
    fail(slot, TFTP_DISK_FULL);
    return;
  }
  transfer.block = block;
  // The upload moves on: only time-outs and repeats of this block count against it now.
  transfer.retries = 0;
  if (last) {
    if (!store_upload(slot)) return;
    transfer.finished = true;
    transfer.close_file();
  }
  send(transfer);
}

void tftpd::handle_ack(int slot, uint16_t acknowledged) {
  tftp_transfer& transfer = *transfers[slot];
  if (acknowledged == transfer.block) {
    if (transfer.last_length == tftp_transfer::block_size) {
      transfer.retries = 0;
      ++transfer.block;
      send(transfer);
      if (transfer.error >= 0) free_slot(slot);
    } else {
      log(LOG_INFORMATION, "Finish sending data, total %u blocks", static_cast<unsigned>(transfer.block));
      free_slot(slot);
    }
    return;
  }
  // A repeated ACK of the block before is a late duplicate: answering it would send every
  // later block twice.
  if (acknowledged == static_cast<uint16_t>(transfer.block - 1)) return;
  fail(slot, TFTP_UNKNOWN_TID);
}

void tftpd::send(tftp_transfer& transfer) {
  uint8_t* packet = transfer.packet.data();
  if (transfer.error < 0 && transfer.is_read) {
    write_u16(packet, TFTP_DATA);
    write_u16(packet + 2, transfer.block);
    const ssize_t count = transfer.read_block(packet + 4);
    if (count < 0) {
      log(LOG_ERROR, "Read failed: %s", std::strerror(errno));
      transfer.error = TFTP_NOT_DEFINED;
    } else {
      transfer.last_length = static_cast<uint16_t>(count);
      transfer.packet_length = 4 + static_cast<size_t>(count);
      if (transfer.block == 1) log(LOG_INFORMATION, "Start to send data block ...");
      log(LOG_DEBUG, "Send data block %u!", static_cast<unsigned>(transfer.block));
    }
  } else if (transfer.error < 0) {
    write_u16(packet, TFTP_ACK);
    write_u16(packet + 2, transfer.block);
    transfer.packet_length = 4;
  }
  if (transfer.error >= 0) {
    write_u16(packet, TFTP_ERROR);
    write_u16(packet + 2, static_cast<uint16_t>(transfer.error));
    packet[4] = 0;
    transfer.packet_length = 5;
  }
  resend(transfer);
}

void tftpd::resend(tftp_transfer& transfer) {
  transfer.socket.send(transfer.packet.data(), transfer.packet_length, &*transfer.socket.remote_address);
  transfer.last_send = now_us();
}

void tftpd::fail(int slot, int32_t code) {
  transfers[slot]->close_file();
  transfers[slot]->error = code;
  send(*transfers[slot]);
  free_slot(slot);
}

void tftpd::give_up(int slot) {
  tftp_transfer& transfer = *transfers[slot];
  if (transfer.is_read || transfer.finished) {
    free_slot(slot);
    return;
  }
  abandon_upload(slot, "timed out", true);
}

void tftpd::handle_client_error(int slot, const uint8_t* data, size_t length) {
  const tftp_transfer& transfer = *transfers[slot];
  const char* text = reinterpret_cast<const char*>(data + 4);
  const std::string message(text, strnlen(text, length - 4));
  const std::string why = "ended by the client's ERROR " + std::to_string(read_u16(data + 2)) + " '" + message + "'";
  if (transfer.is_read || transfer.finished) {
    log(LOG_INFORMATION, "%s %s", transfer.is_read ? "Download" : "Upload", printable(why).c_str());
    free_slot(slot);
    return;
  }
  abandon_upload(slot, why, false);
}

void tftpd::abandon_upload(int slot, const std::string& why, bool tell_client) {
  tftp_transfer& transfer = *transfers[slot];
  transfer.close_file();
  log(LOG_ERROR, "Upload of %s %s at block %u, nothing stored", printable(transfer.path).c_str(),
      printable(why).c_str(), static_cast<unsigned>(transfer.block));
  if (tell_client)
    fail(slot, TFTP_NOT_DEFINED);
  else
    free_slot(slot);
}

void tftpd::free_slot(int slot) {
  transfers[slot].reset();
  sockets_changed = true;
}

int64_t tftpd::check_timeouts() {
  const int64_t now = now_us();
  const int64_t limit = static_cast<int64_t>(timeout) * 1000000;
  int64_t wait = pass_wait_us;
  for (int slot = 0; slot < max_transfers; ++slot) {
    tftp_transfer* transfer = transfers[slot].get();
    if (!transfer) continue;
    if (now - transfer->last_send > limit) {
      if (transfer->finished || ++transfer->retries > static_cast<int32_t>(max_retry)) {
        give_up(slot);
        continue;
      }
      if (transfer->is_read) log(LOG_DEBUG, "Send data block %u!", static_cast<unsigned>(transfer->block));
      resend(*transfer);
    }
    wait = std::min(wait, transfer->last_send + limit + 1 - now);
  }
  return std::max<int64_t>(wait, 0);
}
