#pragma once
// The TFTP server: one UDP port on one interface (or all), read requests served from the
// download folder and write requests stored in the upload folder, "octet" mode only, 512-byte
// blocks in lock step. Each transfer has its own UDP socket (so its own port) and at most 32 run
// at once. A packet not acknowledged within the time-out is sent again, a limited number of
// times.
//
// Every datagram is hostile until checked: names that could leave the served folder are
// refused, a transfer listens only to its own client, a refused request holds no slot, a
// request repeated by a client already served starts nothing, and an upload never replaces or
// follows an existing file. An upload is written to a file without a name in the upload folder
// and takes its name only once complete: one that does not complete (the client goes silent or
// sends an ERROR) leaves nothing behind, and no partial file ever passes for the whole one.
// Since nothing is removed, no name moved around meanwhile can lead a removal to another file.
#include <netinet/in.h>
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/net_socket.h"
#include "servers/server.h"

class tftpd_param;

enum tftp_opcode : uint16_t {
  TFTP_RRQ = 1,
  TFTP_WRQ = 2,
  TFTP_DATA = 3,
  TFTP_ACK = 4,
  TFTP_ERROR = 5,
};

// TFTP error codes the server sends.
enum tftp_error : int32_t {
  TFTP_NOT_DEFINED = 0,       // bad name or mode, a full transfer table, a read failure
  TFTP_FILE_NOT_FOUND = 1,    // an RRQ's file cannot be opened or is no regular file
  TFTP_ACCESS_VIOLATION = 2,  // reading or writing disabled; a WRQ's file cannot be created
  TFTP_DISK_FULL = 3,         // writing an upload failed
  TFTP_UNKNOWN_TID = 5,       // an ACK for a block that is neither the current nor the last one
  TFTP_FILE_EXISTS = 6,
};

// One transfer, owned by its slot; used by the worker only.
struct tftp_transfer {
  static constexpr size_t block_size = 512;
  // The file is read and written in chunks of this size, not one system call per block.
  static constexpr size_t chunk_size = 32 * 1024;

  tftp_transfer() = default;
  // Closes the file, as close_file does.
  ~tftp_transfer();
  tftp_transfer(const tftp_transfer&) = delete;
  tftp_transfer& operator=(const tftp_transfer&) = delete;

  int32_t error = -1;      // the error to send; -1 when none
  net_socket socket;       // its own socket; remote_address is the client
  bool is_read = false;    // RRQ: the server sends DATA; WRQ: it sends ACK
  int file = -1;
  // An upload's folder, held from the request on, and the name its file takes once complete;
  // the path is for the trace.
  int folder = -1;
  std::string name;
  std::string path;
  // An upload whose last block is written and its file closed: the slot stays one time-out
  // longer, to acknowledge the last block again should the client not have got that ACK.
  bool finished = false;
  int32_t retries = 0;     // time-outs (and, for an upload, repeated blocks) since the last new block
  uint16_t block = 0;      // the current block
  uint16_t last_length = 0;  // data bytes of the last DATA read or received
  int64_t last_send = 0;   // steady microseconds of the last send
  // The last packet sent, sent again after a time-out.
  std::array<uint8_t, 4 + block_size> packet{};
  size_t packet_length = 0;

  // The next block of a download (up to block_size bytes; fewer only at the end); negative on
  // a read error.
  ssize_t read_block(uint8_t* out);
  // Appends a block of an upload; false when writing to the file failed.
  bool write_block(const uint8_t* data, size_t count);
  // Writes what the chunk holds; false on an error.
  bool flush();
  // Gives a complete upload's file its name in the upload folder, never in place of a file
  // that took the name meanwhile (errno EEXIST then); false with errno set when that fails.
  bool store();
  // Closes the file; an upload's unnamed file goes with it.
  void close_file();

 private:
  std::vector<uint8_t> chunk;  // read ahead (download) or not yet written (upload)
  size_t chunk_at = 0;         // download: the next byte to hand out
};

class tftpd final : public server {
 public:
  static constexpr int max_transfers = 32;
  static constexpr size_t receive_size = 1024;

  // The process's TFTP server, made on first use and never destroyed.
  static tftpd* instance();

  tftpd();
  ~tftpd() override;

  // Takes the settings, binds the listening socket and starts the worker. True when running
  // (also when it already ran); false when the socket cannot be bound (logged with the reason)
  // or no worker could start.
  bool start(const tftpd_param& settings);

  // The listening socket; its local_address holds the bound address and port once started.
  net_socket socket;
  std::string download_folder;
  std::string upload_folder;
  bool read_enable = true;
  bool write_enable = false;
  bool path_restriction = true;  // kept for the settings page; names never leave the folder anyway
  uint32_t timeout = 3;          // seconds
  uint32_t max_retry = 6;

 protected:
  void run(platform::worker_control& control) override;

 private:
  // One datagram: `slot` is the transfer it came to, or -1 for the listening socket.
  void handle_packet(int slot, const uint8_t* data, size_t length, const sockaddr_in& sender);
  // A transfer with its own socket for the client at `sender`.
  std::unique_ptr<tftp_transfer> new_transfer(const sockaddr_in& sender);
  // A transfer for an RRQ or WRQ; its error is set when the request is refused.
  std::unique_ptr<tftp_transfer> make_transfer(const uint8_t* data, size_t length, const sockaddr_in& sender);
  // Opens the upload's unnamed file in the upload folder for the WRQ of `transfer`'s name, or
  // sets its error: 6 when the name is taken (also by an upload under way), 2 when the file
  // cannot be made.
  void open_upload(tftp_transfer& transfer);
  // Stores a complete upload under its name; false (the slot freed, the client told) when that
  // fails.
  bool store_upload(int slot);
  void handle_data(int slot, const uint8_t* data, size_t length);
  void handle_ack(int slot, uint16_t acknowledged);
  // Builds and sends the transfer's next packet (its ERROR, DATA or ACK).
  void send(tftp_transfer& transfer);
  // Sends the last packet again.
  void resend(tftp_transfer& transfer);
  // Sends the transfer's ERROR once and frees its slot (an unfinished upload's data goes
  // first).
  void fail(int slot, int32_t code);
  // Ends a transfer whose client stayed silent too long: a download or a finished upload just
  // goes, an unfinished upload is abandoned with an ERROR to the client.
  void give_up(int slot);
  // Ends a transfer at once on its client's ERROR; the client gets no answer to it.
  void handle_client_error(int slot, const uint8_t* data, size_t length);
  // Ends an unfinished upload: its data goes, the trace says `why` it ended, and the client
  // gets an ERROR when `tell_client` is set.
  void abandon_upload(int slot, const std::string& why, bool tell_client);
  void free_slot(int slot);
  // Resends or drops the transfers whose time-out passed; the wait until the next one is due.
  int64_t check_timeouts();
  void close_all();

  bool sockets_changed = true;
  std::array<std::unique_ptr<tftp_transfer>, max_transfers> transfers;
};
