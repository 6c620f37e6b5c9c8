// The exclusive lock of a table file, and who holds it.
//
// A table opened for exclusive use holds an advisory flock() on its DBF for
// as long as it is open. Another program that wants the table waits a
// bounded time for the lock (programs that add a fax hold it for a moment
// only) and then gives up, naming the holder. The holder is found through
// the lock itself: the kernel's lock list (/proc/locks) names the process
// that holds a flock() on the file's device and inode, and /proc/PID/comm
// its program name. Nothing is written beside the table, so no stale note
// can outlive a program that crashed; where the list cannot be read (no
// /proc, another pid namespace) the holder is simply not named.
//
// Free functions; any thread.
#pragma once

#include "records/status.h"

#include <string>
#include <sys/types.h>

namespace qln::records {

struct LockHolder {
    pid_t pid = 0;          // 0: not known
    std::string program;    // "" when not known
};

// The process holding a flock() on the file open as fd, as the kernel lists
// it; pid 0 when none is listed.
LockHolder flockHolder(int fd);

// " by PROGRAM (pid N)", " by another process (pid N)" or "" when unknown.
std::string describeHolder(const LockHolder &holder);

// Takes an exclusive flock() on fd, retrying for up to waitMs milliseconds
// while another process holds it. Busy ("PATH is in use by qlnfax (pid
// 1234)") when the time runs out; at once when the holder is this process
// (waiting could not help).
Status lockExclusiveWaiting(int fd, const std::string &path, int waitMs);

// How long table opens wait for the lock: 10000 ms unless changed (tests,
// or the environment variable QLN_TABLE_LOCK_WAIT_MS, read once).
int tableLockWaitMs();
void setTableLockWaitMs(int ms);

} // namespace qln::records
