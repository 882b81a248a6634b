#pragma once
// Ending a program a test or benchmark started without waiting on it for ever: one that takes
// SIGTERM and goes on (stuck in a call it never leaves) is killed once a grace period passed.
// Plain POSIX: the benchmarks build it in too.
#include <sys/types.h>

#include <chrono>

namespace test_support {

// Sends SIGTERM to the child (to its whole process group when it leads one, so the children of
// a server go with it), waits at most `grace` for its end, then sends SIGKILL the same way and
// says on standard error which program needed it. The child is reaped either way. Its wait
// status; -1 when `pid` is no child of this process.
int stop_process(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(2));

}  // namespace test_support
