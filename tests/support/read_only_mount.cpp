#include "tests/support/read_only_mount.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace test_support {

read_only_mount::read_only_mount(std::string folder) : folder_(std::move(folder)) {
  if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_RDONLY, "size=64k,mode=0755") != 0)
    failure_ = "a read-only tmpfs cannot be mounted on " + folder_ + ": " + std::strerror(errno);
}

read_only_mount::~read_only_mount() {
  // Detached, so that a file still open there does not keep it mounted.
  if (failure_.empty()) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace test_support
