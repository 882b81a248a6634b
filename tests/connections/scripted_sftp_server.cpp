// An SFTP server (protocol version 3, on standard input and output) that serves scripted
// folders instead of a file system, for what no real file system holds: sshd runs it as its
// "sftp" subsystem. The folder /listing holds, in this order, "first.txt", a name of 5,000
// bytes, "middle.txt", a name of 100,000 bytes and "last.txt" (each file's content is its name),
// sent in two NAME replies so that a long name comes both inside a reply and at its start. The
// folder /oversized holds 3,000 files, "entry-0000..." to "entry-2999...", sent as a reply of
// the first 100 and one of the rest that is larger than any SFTP packet a client need take
// (about 770 KiB). The folder /broken holds "one.txt" and "two.txt" in its first reply, and its
// next read fails (as a server's file system that fails part way does). Anything else is not
// there.
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

enum : uint8_t {
  fxp_init = 1,
  fxp_version = 2,
  fxp_open = 3,
  fxp_close = 4,
  fxp_read = 5,
  fxp_lstat = 7,
  fxp_fstat = 8,
  fxp_opendir = 11,
  fxp_readdir = 12,
  fxp_stat = 17,
  fxp_status = 101,
  fxp_handle = 102,
  fxp_data = 103,
  fxp_name = 104,
  fxp_attrs = 105,
};

enum : uint32_t { fx_ok = 0, fx_eof = 1, fx_no_such_file = 2, fx_failure = 4, fx_op_unsupported = 8 };

constexpr uint32_t attr_size = 1, attr_permissions = 4, attr_acmodtime = 8;
constexpr uint32_t folder_mode = 040755, file_mode = 0100644;

struct entry {
  std::string name;
  bool is_folder;
};

// A folder's path, its replies to the READDIR requests in order, and the status that answers
// the read after them.
struct folder_script {
  std::string path;
  std::vector<std::vector<entry>> batches;
  uint32_t end = fx_eof;
};

// "entry-<n>", padded with dots to 100 bytes, for the n from `first` up to `end`.
std::vector<entry> numbered_entries(int first, int end) {
  std::vector<entry> made;
  for (int n = first; n < end; ++n) {
    std::string name = "entry-" + std::string(4 - std::to_string(n).size(), '0') + std::to_string(n);
    made.push_back({name + std::string(100 - name.size(), '.'), false});
  }
  return made;
}

const std::vector<folder_script> folders = {
    {"/listing",
     {{{".", true}, {"..", true}, {"first.txt", false}, {std::string(5000, 'a') + ".txt", false}, {"middle.txt", false}},
      {{std::string(100000, 'b') + ".txt", false}, {"last.txt", false}}}},
    {"/oversized", {numbered_entries(0, 100), numbered_entries(100, 3000)}},
    {"/broken", {{{".", true}, {"..", true}, {"one.txt", false}, {"two.txt", false}}}, fx_failure},
};

// The scripted folder at the path (with or without a trailing '/' or "/."), if any.
const folder_script* folder_at(const std::string& path) {
  for (const folder_script& folder : folders)
    if (path == folder.path || path == folder.path + "/" || path == folder.path + "/.") return &folder;
  return nullptr;
}

std::string u32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string u64(uint64_t v) { return u32(static_cast<uint32_t>(v >> 32)) + u32(static_cast<uint32_t>(v)); }
std::string text(const std::string& s) { return u32(static_cast<uint32_t>(s.size())) + s; }

std::string attributes(bool is_folder, uint64_t size) {
  return u32(attr_size | attr_permissions | attr_acmodtime) + u64(size) + u32(is_folder ? folder_mode : file_mode) +
         u32(1600000000) + u32(1600000000);
}

bool read_all(char* data, size_t length) {
  while (length > 0) {
    ssize_t n = read(0, data, length);
    if (n <= 0) return false;
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

void send(uint8_t type, const std::string& body) {
  std::string packet = u32(static_cast<uint32_t>(body.size() + 1)) + static_cast<char>(type) + body;
  const char* at = packet.data();
  size_t left = packet.size();
  while (left > 0) {
    ssize_t n = write(1, at, left);
    if (n <= 0) _exit(1);
    at += n;
    left -= static_cast<size_t>(n);
  }
}

void status(const std::string& id, uint32_t code) { send(fxp_status, id + u32(code) + text("") + text("")); }

// Reads the fields of a request in order.
class fields {
 public:
  explicit fields(std::string data) : data(std::move(data)) {}
  uint32_t number() {
    if (at + 4 > data.size()) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(data[at++]);
    return v;
  }
  uint64_t wide() {
    uint64_t high = number();
    return high << 32 | number();
  }
  std::string string() {
    uint32_t length = number();
    std::string s = data.substr(at, length);
    at += s.size();
    return s;
  }

 private:
  std::string data;
  size_t at = 0;
};

// The file of that name in the listing, if any.
const entry* file_named(const std::string& path) {
  for (const folder_script& folder : folders)
    for (const auto& batch : folder.batches)
      for (const entry& e : batch)
        if (!e.is_folder && path == folder.path + "/" + e.name) return &e;
  return nullptr;
}

}  // namespace

int main() {
  // The folder opened last, and how many of its replies were sent.
  const folder_script* opened = nullptr;
  size_t batches_sent = 0;
  for (;;) {
    char head[5];
    if (!read_all(head, sizeof head)) return 0;
    uint32_t length = fields(std::string(head, 4)).number();
    if (length < 1 || length > (1u << 20)) return 1;
    std::string body(length - 1, '\0');
    if (!read_all(body.data(), body.size())) return 0;
    auto type = static_cast<uint8_t>(head[4]);
    if (type == fxp_init) {
      send(fxp_version, u32(3));
      continue;
    }
    fields request(body);
    std::string id = u32(request.number());
    switch (type) {
      case fxp_opendir: {
        const folder_script* folder = folder_at(request.string());
        if (folder) {
          opened = folder;
          batches_sent = 0;
          send(fxp_handle, id + text("dir"));
        } else {
          status(id, fx_no_such_file);
        }
        break;
      }
      case fxp_readdir:
        if (!opened || batches_sent == opened->batches.size()) {
          status(id, opened ? opened->end : fx_eof);
          break;
        } else {
          const auto& batch = opened->batches[batches_sent++];
          std::string names = id + u32(static_cast<uint32_t>(batch.size()));
          for (const entry& e : batch) {
            uint64_t size = e.is_folder ? 4096 : e.name.size();
            std::string long_entry = std::string(e.is_folder ? "drwxr-xr-x" : "-rw-r--r--") + " 1 user group " +
                                     std::to_string(size) + " Sep 13 12:26 " + e.name;
            names += text(e.name) + text(long_entry) + attributes(e.is_folder, size);
          }
          send(fxp_name, names);
        }
        break;
      case fxp_stat:
      case fxp_lstat: {
        std::string path = request.string();
        if (folder_at(path))
          send(fxp_attrs, id + attributes(true, 4096));
        else if (const entry* e = file_named(path))
          send(fxp_attrs, id + attributes(false, e->name.size()));
        else
          status(id, fx_no_such_file);
        break;
      }
      case fxp_open: {
        std::string path = request.string();
        if (file_named(path)) send(fxp_handle, id + text("f" + path));
        else status(id, fx_no_such_file);
        break;
      }
      case fxp_read: {
        std::string handle = request.string();
        uint64_t offset = request.wide();
        uint32_t wanted = request.number();
        const entry* e = handle.empty() ? nullptr : file_named(handle.substr(1));
        if (!e || offset >= e->name.size()) status(id, fx_eof);
        else send(fxp_data, id + text(e->name.substr(offset, wanted)));
        break;
      }
      case fxp_fstat: {
        std::string handle = request.string();
        const entry* e = handle.empty() ? nullptr : file_named(handle.substr(1));
        if (e) send(fxp_attrs, id + attributes(false, e->name.size()));
        else status(id, fx_no_such_file);
        break;
      }
      case fxp_close:
        status(id, fx_ok);
        break;
      default:
        status(id, fx_op_unsupported);
        break;
    }
  }
}
