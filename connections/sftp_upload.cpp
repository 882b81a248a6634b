#include "connections/sftp_upload.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "connections/local_files.h"

namespace {

// Local reads are at most this large, so a call never has much more to send than it had.
constexpr size_t read_step = 1 << 20;
// The buffer holds several windows, so the unacknowledged tail is moved to its start only now
// and then.
constexpr size_t buffer_size = 4 * upload_ahead;

}  // namespace

std::string write_to_remote(LIBSSH2_SFTP_HANDLE* remote, int local, std::vector<char>& buffer,
                            const std::function<bool(uint64_t taken)>& go_on,
                            const std::function<std::string()>& server_error, upload_extent& extent) {
  extent = {};
  buffer.resize(buffer_size);
  // [start, end) is read but not yet taken by the server.
  size_t start = 0;
  size_t end = 0;
  bool read_all = false;
  uint64_t taken = 0;
  std::string failure;
  while (go_on(taken)) {
    if (!read_all && end - start < upload_ahead) {
      if (buffer.size() - end < read_step) {
        std::memmove(buffer.data(), buffer.data() + start, end - start);
        end -= start;
        start = 0;
      }
      long n = read_some(local, buffer.data() + end, std::min(read_step, upload_ahead - (end - start)));
      if (n < 0) {
        failure = std::string("the local file cannot be read: ") + std::strerror(errno);
        break;
      }
      read_all = n == 0;
      end += static_cast<size_t>(n);
      extent.handed_over += static_cast<uint64_t>(n);
    }
    if (start == end) return failure;
    ssize_t n = libssh2_sftp_write(remote, buffer.data() + start, end - start);
    // A write that takes nothing would be repeated for ever: it is an error like any other.
    if (n <= 0) return "the server did not take the data: " + server_error();
    start += static_cast<size_t>(n);
    taken = static_cast<uint64_t>(n);
    extent.acknowledged += taken;
  }
  // Requests libssh2 has begun to send must end whole before the handle is closed; until their
  // acknowledgements arrive, the same tail is passed again with nothing appended.
  while (start < end) {
    ssize_t n = libssh2_sftp_write(remote, buffer.data() + start, end - start);
    if (n <= 0) return failure.empty() ? "the server did not take the data: " + server_error() : failure;
    start += static_cast<size_t>(n);
    extent.acknowledged += static_cast<uint64_t>(n);
  }
  return failure;
}
