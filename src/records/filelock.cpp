#include "records/filelock.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace qln::records {

namespace {

constexpr int kDefaultWaitMs = 10000;
constexpr int kRetryMs = 25;

int initialWait()
{
    if (const char *v = std::getenv("QLN_TABLE_LOCK_WAIT_MS")) {
        char *end = nullptr;
        const long ms = std::strtol(v, &end, 10);
        if (end != v && *end == '\0' && ms >= 0 && ms <= 600000)
            return int(ms);
    }
    return kDefaultWaitMs;
}

std::atomic<int> &waitSetting()
{
    static std::atomic<int> ms{initialWait()};
    return ms;
}

std::string programOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

int tableLockWaitMs() { return waitSetting().load(); }
void setTableLockWaitMs(int ms) { waitSetting().store(ms < 0 ? 0 : ms); }

LockHolder flockHolder(int fd)
{
    LockHolder holder;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return holder;
    // Lines read "1: FLOCK  ADVISORY  WRITE 1234 08:02:131 0 EOF"; waiters
    // carry a "->" after the number and are skipped.
    std::ifstream in("/proc/locks");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string ordinal, kind, advisory, access, device;
        long pid = 0;
        if (!(fields >> ordinal >> kind) || kind != "FLOCK")
            continue;
        if (!(fields >> advisory >> access >> pid >> device))
            continue;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(device.c_str(), "%x:%x:%llu", &major, &minor, &inode) != 3)
            continue;
        if (inode == st.st_ino && major == ::major(st.st_dev) && minor == ::minor(st.st_dev) && pid > 0) {
            holder.pid = pid_t(pid);
            holder.program = programOf(holder.pid);
            return holder;
        }
    }
    return holder;
}

std::string describeHolder(const LockHolder &holder)
{
    if (holder.pid <= 0)
        return {};
    if (holder.pid == ::getpid())
        return " by this program";
    return " by " + (holder.program.empty() ? std::string("another process") : holder.program) + " (pid " +
           std::to_string(holder.pid) + ")";
}

Status lockExclusiveWaiting(int fd, const std::string &path, int waitMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return Status::ok();
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return Status::ioError("cannot lock " + path + ": " + std::strerror(errno));
        const LockHolder holder = flockHolder(fd);
        if (holder.pid == ::getpid() || std::chrono::steady_clock::now() >= deadline)
            return Status::busy(path + " is in use" + describeHolder(holder));
        std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
    }
}

} // namespace qln::records
