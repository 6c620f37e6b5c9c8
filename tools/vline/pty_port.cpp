#include "vline/pty_port.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace qln::vline {

PtyPort::~PtyPort()
{
    close();
}

std::string PtyPort::open(const std::string &linkPath)
{
    close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0)
        return std::string("posix_openpt: ") + std::strerror(errno);
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        std::string why = std::string("grantpt/unlockpt: ") + std::strerror(errno);
        close();
        return why;
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        std::string why = std::string("ptsname: ") + std::strerror(errno);
        close();
        return why;
    }
    slaveName_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0) {
        std::string why = "open " + slaveName_ + ": " + std::strerror(errno);
        close();
        return why;
    }
    // A modem's port starts raw: no echo, no line editing, 8 bits.
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B38400);
    cfsetospeed(&tio, B38400);
    tcsetattr(slave_, TCSANOW, &tio);

    // Replace a stale link left by an earlier run; never replace other files.
    struct stat st{};
    if (::lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        close();
        return linkPath + " exists and is not a symbolic link";
    }
    if (::unlink(linkPath.c_str()) != 0 && errno != ENOENT) {
        std::string why = "unlink " + linkPath + ": " + std::strerror(errno);
        close();
        return why;
    }
    if (::symlink(slaveName_.c_str(), linkPath.c_str()) != 0) {
        std::string why = "symlink " + linkPath + ": " + std::strerror(errno);
        close();
        return why;
    }
    linkPath_ = linkPath;
    return {};
}

void PtyPort::close()
{
    if (!linkPath_.empty())
        ::unlink(linkPath_.c_str());
    linkPath_.clear();
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = master_ = -1;
    out_.clear();
}

size_t PtyPort::read(uint8_t *buf, size_t max)
{
    if (master_ < 0 || max == 0)
        return 0;
    ssize_t n = ::read(master_, buf, max);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

size_t PtyPort::queuedInput() const
{
    int n = 0;
    if (master_ < 0 || ioctl(master_, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return static_cast<size_t>(n);
}

void PtyPort::write(const uint8_t *buf, size_t len)
{
    out_.insert(out_.end(), buf, buf + len);
    flush();
}

void PtyPort::writeUrgent(uint8_t byte)
{
    out_.push_front(byte);
    flush();
}

void PtyPort::flush()
{
    if (master_ < 0)
        return;
    uint8_t chunk[4096];
    while (!out_.empty()) {
        size_t n = std::min(out_.size(), sizeof chunk);
        std::copy(out_.begin(), out_.begin() + static_cast<long>(n), chunk);
        ssize_t w = ::write(master_, chunk, n);
        if (w <= 0)
            return; // pty full (EAGAIN): the rest waits for POLLOUT
        out_.erase(out_.begin(), out_.begin() + w);
    }
}

bool PtyPort::dtrDropped() const
{
    termios tio{};
    if (slave_ < 0 || tcgetattr(slave_, &tio) != 0)
        return false;
    return cfgetospeed(&tio) == B0;
}

bool PtyPort::hostUsesSoftwareFlow() const
{
    termios tio{};
    if (slave_ < 0 || tcgetattr(slave_, &tio) != 0)
        return false;
    return (tio.c_iflag & IXON) != 0;
}

} // namespace qln::vline
