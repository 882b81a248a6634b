// Uploads and downloads of files and whole folder trees over an SSH2 connection's SFTP session,
// with the progress dialog's reports, pause and cancel.
//
// A request's sources are counted first (the total), then copied in order. A source's last path
// component is made again in the target folder; when that name is taken there, " (1)",
// " (2)", ... are tried, for the request's own sources only. Walks never follow a symbolic link
// (links are not copied), so a link loop cannot trap them. Every file is made new, never opened
// over what is at its name (the name was found free, or its folder was just made): a link or file
// that appears there meanwhile skips the file, so nothing outside the copy is ever written,
// truncated or removed. A file that fails while being written is removed at the side it was
// written to (an upload's partial file, where the session broke or timed out, by the next session
// while it is still the upload's: ssh2_partial_uploads.cpp). Every entry that failed or was
// skipped (a folder or an entry in it that cannot be read or looked at, a folder whose reading
// stopped part way) is said on standard error, and the request then fails with the first of them;
// the entries that could be copied still are.
// Downloaded files and folders get the remote entry's permission bits (less the umask), as
// OpenSSH's sftp makes them.
#include <fcntl.h>
#include <libssh2.h>
#include <libssh2_sftp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "config/paths.h"
#include "config/text_convert.h"
#include "connections/local_files.h"
#include "connections/sftp_handles.h"
#include "connections/sftp_upload.h"
#include "connections/ssh2.h"
#include "connections/transfer_session.h"

namespace {

using std::chrono::milliseconds;

// How long a paused transfer sleeps between queries, by where it was paused.
constexpr milliseconds local_walk_pause{300};
constexpr milliseconds remote_walk_pause{500};
constexpr milliseconds upload_pause{100};
constexpr milliseconds download_pause{500};

// Where the part of `source` that is made again at the target begins: after the last '/' that
// precedes the trailing ones. A source of nothing but separators has no such part.
size_t name_offset_of(const std::string& source) {
  size_t end = source.size();
  while (end > 0 && source[end - 1] == '/') --end;
  if (end == 0) return source.size();
  size_t slash = source.rfind('/', end - 1);
  return slash == std::string::npos ? 0 : slash + 1;
}

bool is_folder_path(const std::string& path) { return !path.empty() && path.back() == '/'; }

// The target of `source` under `base`: `base` and the part of the source from the name offset
// on. For one of the request's own sources, " (1)", " (2)", ... are tried while `presence`
// (1 taken, 0 free, -1 cannot tell) finds the name taken; everything below the source then goes
// inside that target, under its new name. 1 with the target placed, 0 when the source has no
// part to make again, -1 when `presence` could not tell.
int place_target(const std::string& source, std::string& base, transfer_totals& totals, std::string& target,
                 const std::function<int(const std::string&)>& presence) {
  if (totals.name_offset >= source.size()) return 0;
  std::string relative = source.substr(totals.name_offset);
  target = join_path(base, relative);
  if (!totals.top_level) return 1;
  for (;;) {
    int taken = presence(target);
    if (taken == 0) break;
    if (taken < 0) return -1;
    relative = next_copy_name(relative, false);
    target = join_path(base, relative);
  }
  base = target;
  totals.name_offset = source.size();
  totals.top_level = false;
  return 1;
}

void local_size(const std::string& path, transfer_session& transfer) {
  transfer.report_total(local_size_clock());
  if (!is_folder_path(path)) {
    uint64_t size = 0;
    if (local_file_size(path, size)) transfer.totals.total += size;
    return;
  }
  // A folder that cannot be opened counts nothing; the copy says why it was skipped.
  local_folder folder(path);
  if (!folder.is_open()) return;
  local_entry entry;
  int got = 0;
  while ((got = folder.next(entry)) > 0) {
    if (!transfer.go_on(local_walk_pause)) return;
    if (entry.kind == entry_kind::folder) local_size(path + entry.name + "/", transfer);
    else if (entry.kind == entry_kind::file) transfer.totals.total += entry.size;
  }
  if (got < 0) transfer.fail("Counting " + path + " stopped part way: " + std::strerror(folder.error()));
}

// Closes a descriptor when it goes.
class fd_closer {
 public:
  explicit fd_closer(int fd) : fd(fd) {}
  ~fd_closer() { close(); }
  fd_closer(const fd_closer&) = delete;
  fd_closer& operator=(const fd_closer&) = delete;
  int get() const { return fd; }
  // close(2)'s result; 0 when already closed.
  int close() { return fd < 0 ? 0 : ::close(std::exchange(fd, -1)); }

 private:
  int fd;
};

// The permission bits a downloaded copy is made with: the remote entry's own, or what a new
// file or folder gets when the server sent none. The umask applies in either case.
unsigned copy_mode(const LIBSSH2_SFTP_ATTRIBUTES& attributes, bool folder) {
  if (attributes.flags & LIBSSH2_SFTP_ATTR_PERMISSIONS) return static_cast<unsigned>(attributes.permissions & 0777);
  return folder ? 0777 : 0666;
}

// A folder is filled with every owner bit set; afterwards it takes the owner bits of `mode` (the
// others it got when it was made).
void keep_owner_bits(const std::string& folder, unsigned mode) {
  if ((mode & S_IRWXU) == S_IRWXU) return;
  fd_closer fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (fd.get() >= 0 && fstat(fd.get(), &info) == 0) fchmod(fd.get(), info.st_mode & 0777 & (mode | 077));
}

}  // namespace

int ssh2::copy_files(const transfer_request& transfer, bool download, std::u16string& error_text,
                     const platform::worker_control& run) {
  // While an upload runs, a stop lets it remove its partial file first (see needs_clean_up).
  uploading.store(!download);
  struct lowered_at_end {
    std::atomic<bool>& flag;
    ~lowered_at_end() { flag.store(false); }
  } lowered{uploading};
  transfer_session session(download, run);
  for (const std::string& source : transfer.sources) {
    if (download) remote_size(source, session);
    else local_size(source, session);
  }
  transfer_progress start;
  start.action = download ? u"downloading..." : u"uploading...";
  start.detail = total_size_text(session.totals.total);
  session.report(start);
  for (const std::string& source : transfer.sources) {
    // After a cancel or a time-out no further source is begun.
    if (session.stopped() || !trusted()) break;
    session.totals.name_offset = name_offset_of(source);
    session.totals.top_level = true;
    std::string base = transfer.target_folder;
    if (download) {
      LIBSSH2_SFTP_ATTRIBUTES attributes{};
      std::string path = without_trailing_slashes(source);
      libssh2_sftp_stat_ex(sftp, path.data(), length_of(path), LIBSSH2_SFTP_STAT, &attributes);
      download_item(source, base, session, copy_mode(attributes, is_folder_path(source)));
    } else {
      upload_item(source, base, session);
    }
  }
  if (session.failure.empty()) return 1;
  error_text = mbs_to_wstring(session.failure);
  return 0;
}

void ssh2::remote_size(const std::string& path, transfer_session& transfer) {
  if (!trusted()) return;
  transfer.report_total(remote_size_clock());
  if (!is_folder_path(path)) {
    LIBSSH2_SFTP_ATTRIBUTES attributes{};
    if (libssh2_sftp_stat_ex(sftp, path.data(), length_of(path), LIBSSH2_SFTP_STAT, &attributes) == 0 &&
        (attributes.flags & LIBSSH2_SFTP_ATTR_SIZE))
      transfer.totals.total += attributes.filesize;
    return;
  }
  // A folder that cannot be opened counts nothing; the copy says why it was skipped.
  remote_folder folder(sftp, path);
  if (!folder.is_open()) return;
  remote_entry entry;
  int got = 0;
  while (transfer.go_on(remote_walk_pause) && trusted() && (got = folder.next(entry)) > 0) {
    entry_kind kind = entry.kind();
    if (kind == entry_kind::file && (entry.attributes.flags & LIBSSH2_SFTP_ATTR_SIZE))
      transfer.totals.total += entry.attributes.filesize;
    else if (kind == entry_kind::folder && !entry.is_dot_or_dot_dot())
      remote_size(path + entry.name + "/", transfer);
  }
  if (got < 0) transfer.fail("Counting " + path + " stopped part way: " + call_error());
}

void ssh2::upload_item(const std::string& source, std::string& remote_base, transfer_session& transfer) {
  if (!trusted()) return;
  std::string target;
  int placed = place_target(source, remote_base, transfer.totals, target,
                            [this](const std::string& path) { return remote_presence(sftp, path); });
  if (placed == 0) return;
  // Without a clear "no such file" an existing file could be overwritten: skip instead.
  if (placed < 0) {
    transfer.fail("Upload of " + source + " skipped: " + call_error());
    return;
  }
  if (!is_folder_path(source)) {
    upload_file(source, target, transfer);
    return;
  }
  // A folder that cannot be read is not made at the server either.
  local_folder folder(source);
  if (!folder.is_open()) {
    transfer.fail("Upload of " + source + " skipped: " + std::strerror(folder.error()));
    return;
  }
  std::string folder_path = without_trailing_slashes(target);
  if (libssh2_sftp_mkdir_ex(sftp, folder_path.data(), length_of(folder_path), 0755) != 0) {
    transfer.fail("Upload of " + source + " skipped: cannot make " + folder_path + ": " + call_error());
    return;
  }
  local_entry entry;
  int got = 0;
  while ((got = folder.next(entry)) > 0) {
    if (!transfer.go_on(local_walk_pause)) return;
    if (entry.error) transfer.fail("Upload of " + source + entry.name + " skipped: " + std::strerror(entry.error));
    else if (entry.kind == entry_kind::folder) upload_item(source + entry.name + "/", remote_base, transfer);
    else if (entry.kind == entry_kind::file) upload_item(source + entry.name, remote_base, transfer);
  }
  if (got < 0) transfer.fail("Upload of " + source + " stopped part way: " + std::strerror(folder.error()));
}

void ssh2::upload_file(const std::string& source, const std::string& target, transfer_session& transfer) {
  fd_closer local(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (local.get() < 0) {
    transfer.fail("Upload of " + source + " skipped: " + std::strerror(errno));
    return;
  }
  transfer_progress shown;
  shown.file = mbs_to_wstring(source);
  transfer.report(shown);
  const auto opened = std::chrono::steady_clock::now();
  sftp_handle remote(libssh2_sftp_open_ex(sftp, target.data(), length_of(target),
                                          LIBSSH2_FXF_WRITE | LIBSSH2_FXF_CREAT | LIBSSH2_FXF_EXCL, 0644,
                                          LIBSSH2_SFTP_OPENFILE));
  std::string removal;
  if (!remote) {
    std::string line = "Upload of " + source + " skipped: cannot open " + target + ": " + call_error();
    // Unless the server refused, it may have made the (empty) file before the session failed.
    if (libssh2_session_last_errno(session) != LIBSSH2_ERROR_SFTP_PROTOCOL) {
      remove_partial_upload(partial_upload_of(target, {}, opened), transfer.session_ending(), removal);
      line += "; " + removal;
    }
    transfer.fail(line);
    return;
  }
  learn_server_clock(remote.get(), opened, std::chrono::steady_clock::now());
  upload_extent extent;
  std::string failure = write_to_remote(
      remote.get(), local.get(), transfer_buffer,
      [&](uint64_t taken) {
        transfer.add_done(taken, upload_clock());
        return transfer.go_on(upload_pause);
      },
      [this] { return call_error(); }, extent);
  if (remote.close() != 0 && failure.empty() && !transfer.stopped())
    failure = "closing it failed: " + call_error();
  if (failure.empty() && !transfer.stopped()) return;
  bool removed = remove_partial_upload(partial_upload_of(target, extent, opened), transfer.session_ending(), removal);
  if (!failure.empty()) transfer.fail("Upload of " + source + " failed, " + failure + "; " + removal);
  else if (!removed) transfer.fail("Upload of " + source + " cancelled; " + removal);
}

void ssh2::download_item(const std::string& source, std::string& local_base, transfer_session& transfer,
                         unsigned mode) {
  if (!trusted()) return;
  std::string target;
  if (place_target(source, local_base, transfer.totals, target,
                   [](const std::string& path) { return local_exists(path) ? 1 : 0; }) <= 0)
    return;
  if (!is_folder_path(source)) {
    download_file(source, target, transfer, mode);
    return;
  }
  if (mkdir(target.c_str(), mode | S_IRWXU) != 0) {
    transfer.fail("Download of " + source + " skipped: cannot make " + target + ": " + std::strerror(errno));
    return;
  }
  download_folder(source, local_base, transfer);
  keep_owner_bits(target, mode);
}

void ssh2::download_folder(const std::string& source, std::string& local_base, transfer_session& transfer) {
  remote_folder folder(sftp, source);
  if (!folder.is_open()) {
    transfer.fail("Download of " + source + " skipped: " + call_error());
    return;
  }
  remote_entry entry;
  int got = 0;
  while (transfer.go_on(remote_walk_pause) && trusted() && (got = folder.next(entry)) > 0) {
    if (entry.is_dot_or_dot_dot()) continue;
    entry_kind kind = entry.kind();
    if (kind == entry_kind::file)
      download_item(source + entry.name, local_base, transfer, copy_mode(entry.attributes, false));
    else if (kind == entry_kind::folder)
      download_item(source + entry.name + "/", local_base, transfer, copy_mode(entry.attributes, true));
  }
  if (got < 0) transfer.fail("Download of " + source + " stopped part way: " + call_error());
}

void ssh2::download_file(const std::string& source, const std::string& target, transfer_session& transfer,
                         unsigned mode) {
  fd_closer local(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (local.get() < 0) {
    transfer.fail("Download of " + source + " skipped: cannot make " + target + ": " + std::strerror(errno));
    return;
  }
  transfer_progress shown;
  shown.file = mbs_to_wstring(source);
  transfer.report(shown);
  sftp_handle remote(
      libssh2_sftp_open_ex(sftp, source.data(), length_of(source), LIBSSH2_FXF_READ, 0, LIBSSH2_SFTP_OPENFILE));
  if (!remote) {
    std::string why = call_error();
    local.close();
    unlink(target.c_str());
    transfer.fail("Download of " + source + " skipped: it cannot be opened: " + why);
    return;
  }
  std::string failure;
  transfer_buffer.resize(transfer_block);
  for (;;) {
    ssize_t n = libssh2_sftp_read(remote.get(), transfer_buffer.data(), transfer_buffer.size());
    if (n == 0) break;
    if (n < 0) {
      failure = "reading it failed: " + call_error();
      break;
    }
    if (!write_all(local.get(), transfer_buffer.data(), static_cast<size_t>(n))) {
      failure = std::string("writing ") + target + " failed: " + std::strerror(errno);
      break;
    }
    transfer.add_done(static_cast<uint64_t>(n), download_clock());
    if (!transfer.go_on(download_pause)) break;
  }
  remote.close();
  if (local.close() != 0 && failure.empty()) failure = std::string("writing ") + target + " failed: " + std::strerror(errno);
  if (failure.empty() && !transfer.stopped()) return;
  unlink(target.c_str());
  if (failure.empty()) return;
  transfer.fail("Download of " + source + " failed, " + failure + "; the partial file " + target + " was removed");
}
