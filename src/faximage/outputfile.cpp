#include "faximage/outputfile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "faximage/apferrors.h"

namespace qln::fax {

namespace {

// Temporary files open in this process, for the signal handlers. A slot is
// free (0), being filled or emptied (1), or names a file to remove (2); the
// handler only reads slots in state 2, so it never sees half a name.
constexpr int kSlots = 32;
constexpr std::size_t kPathMax = 4096;
struct Slot {
    std::atomic<int> state{0};
    char path[kPathMax];
};
std::array<Slot, kSlots> g_slots;
std::atomic<unsigned> g_counter{0};

int claimSlot(const std::string &path)
{
    if (path.size() >= kPathMax)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (g_slots[std::size_t(i)].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_slots[std::size_t(i)].path, path.c_str(), path.size() + 1);
            g_slots[std::size_t(i)].state.store(2);
            return i;
        }
    }
    return -1; // more files open than slots: removed on failure, not on a signal
}

void releaseSlot(int slot)
{
    if (slot < 0)
        return;
    g_slots[std::size_t(slot)].state.store(1);
    g_slots[std::size_t(slot)].state.store(0);
}

extern "C" void removeOnSignal(int sig)
{
    for (Slot &s : g_slots)
        if (s.state.load() == 2)
            ::unlink(s.path);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

} // namespace

OutputFile::~OutputFile()
{
    discard();
}

int OutputFile::open(const std::string &finalPath)
{
    discard();
    if (finalPath.empty())
        return ecFileNotFound;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string tmp = finalPath + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(g_counter++);
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return ioErrorCode(errno, true);
        }
        fd_ = fd;
        final_ = finalPath;
        temp_ = tmp;
        slot_ = claimSlot(tmp);
        return 0;
    }
    return ioErrorCode(EEXIST, true);
}

int OutputFile::write(const uint8_t *data, std::size_t len)
{
    if (fd_ < 0)
        return ecBadArgument;
    while (len > 0) {
        ssize_t n = ::write(fd_, data, len);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return ioErrorCode(n < 0 ? errno : ENOSPC, true);
        data += n;
        len -= std::size_t(n);
    }
    return 0;
}

int OutputFile::commit(bool sync)
{
    if (fd_ < 0)
        return ecBadArgument;
    int err = 0;
    if (sync && ::fsync(fd_) != 0)
        err = errno;
    if (::close(fd_) != 0 && err == 0)
        err = errno;
    fd_ = -1;
    if (err == 0 && ::rename(temp_.c_str(), final_.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temp_.c_str());
        releaseSlot(slot_);
        slot_ = -1;
        return ioErrorCode(err, true);
    }
    releaseSlot(slot_);
    slot_ = -1;
    return 0;
}

void OutputFile::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(temp_.c_str());
    }
    releaseSlot(slot_);
    slot_ = -1;
}

void removeOutputFilesOnSignals()
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        ::signal(sig, removeOnSignal);
}

bool sameFile(const std::string &a, const std::string &b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

int writeFileAtomically(const std::string &path, const uint8_t *bytes, std::size_t len)
{
    OutputFile out;
    if (int rc = out.open(path))
        return rc;
    if (int rc = out.write(bytes, len))
        return rc;
    return out.commit();
}

int writeFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes)
{
    return writeFileAtomically(path, bytes.data(), bytes.size());
}

} // namespace qln::fax
