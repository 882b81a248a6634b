#include "connections/partial_upload.h"

namespace {

using std::chrono::seconds;

// `base` moved by `by`, never below 0.
uint64_t moved(uint64_t base, seconds by) {
  if (by.count() >= 0) return base + static_cast<uint64_t>(by.count());
  const auto back = static_cast<uint64_t>(-by.count());
  return back > base ? 0 : base - back;
}

}  // namespace

server_clock::server_clock(uint64_t mtime, time_point sent, time_point answered)
    : mtime(mtime), sent(sent), answered(answered) {}

// The file was made at a server time t with mtime <= t < mtime + 1, between `sent` and
// `answered`: at `at` the server's time is at least t + (at - answered) and less than
// t + (at - sent). A second more either way allows for the file system's clock, which may lag
// the server's own by a tick.
uint64_t server_clock::earliest(time_point at) const {
  return moved(mtime, std::chrono::floor<seconds>(at - answered) - seconds(1));
}

uint64_t server_clock::latest(time_point at) const {
  return moved(mtime + 2, std::chrono::ceil<seconds>(at - sent));
}

std::string why_not_the_upload(const partial_upload& upload, const LIBSSH2_SFTP_ATTRIBUTES& found) {
  const unsigned long needed = LIBSSH2_SFTP_ATTR_PERMISSIONS | LIBSSH2_SFTP_ATTR_SIZE;
  if ((found.flags & needed) != needed || !LIBSSH2_SFTP_S_ISREG(found.permissions))
    return "what is at its name now is not a file";
  if (found.filesize < upload.acknowledged || found.filesize > upload.handed_over)
    return "the file at its name now holds " + std::to_string(found.filesize) + " bytes, the upload left " +
           std::to_string(upload.acknowledged) + " to " + std::to_string(upload.handed_over);
  if (!upload.times_known || !(found.flags & LIBSSH2_SFTP_ATTR_ACMODTIME))
    return "the server's clock is not known, so the file at its name cannot be told from another";
  if (found.mtime < upload.made_after) return "the file at its name now is older than the upload";
  if (found.mtime > upload.written_before) return "the file at its name was written after the upload stopped";
  return {};
}
