#include "comms/posixdispatcher.h"

#include <cerrno>
#include <fcntl.h>
#include <algorithm>
#include <csignal>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qln {

namespace {

// How often the com thread samples the modem lines when no data arrives.
constexpr int kModemPollMs = 20;

speed_t speedConstant(int baud)
{
    switch (baud) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 134: return B134;
    case 150: return B150;
    case 200: return B200;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return 0;
    }
}

// Signal that interrupts a blocked write; its handler does nothing, and it is
// installed without SA_RESTART so the write returns.
int writeCancelSignal()
{
    static const int sig = [] {
        int s = SIGRTMIN + 5;
        struct sigaction sa {};
        sa.sa_handler = [](int) {};
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;
        ::sigaction(s, &sa, nullptr);
        return s;
    }();
    return sig;
}

// Largest block handed to one write: OutputCount drops in steps of at most
// this much while a long block drains.
constexpr size_t kWriteChunk = 16384;

void drainEventFd(int fd)
{
    uint64_t v;
    while (::read(fd, &v, sizeof v) > 0) {
    }
}

} // namespace

TApdPosixDispatcher::TApdPosixDispatcher() = default;

TApdPosixDispatcher::~TApdPosixDispatcher()
{
    DonePort();
    CloseDevice();
}

int TApdPosixDispatcher::MapOpenError(int err)
{
    switch (err) {
    case EBUSY:
    case EACCES:
    case EPERM:
    case EWOULDBLOCK:
        return -ecAlreadyOpen;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return -ecBadId;
    case ENOMEM:
        return -ecOutOfMemory;
    default:
        return -err;
    }
}

int TApdPosixDispatcher::OpenDevice(const std::string &device)
{
    writeCancelSignal();
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) {
        CloseDevice();
        return -ecOutOfMemory;
    }
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        int err = errno;
        CloseDevice();
        return MapOpenError(err);
    }
    if (!::isatty(fd_)) {
        CloseDevice();
        return -ecBadId;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        CloseDevice();
        return -ecAlreadyOpen;
    }
    writeFd_ = ::open(device.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (writeFd_ < 0) {
        int err = errno;
        CloseDevice();
        return MapOpenError(err);
    }
    cancel_ = false;
    ::ioctl(fd_, TIOCEXCL);
    hungUp_ = false;
    return 0;
}

void TApdPosixDispatcher::CloseDevice()
{
    for (int *fd : {&fd_, &wakeFd_, &writeFd_}) {
        if (*fd >= 0) {
            if (fd == &fd_) {
                ::ioctl(*fd, TIOCNXCL);
                ::flock(*fd, LOCK_UN);
            }
            ::close(*fd);
            *fd = -1;
        }
    }
}

int TApdPosixDispatcher::ApplyLine(int baud, int parity, int stopBits, int dataBits, uint8_t hw,
                                   int sw, uint8_t xon, uint8_t xoff)
{
    if (fd_ < 0)
        return -ecCommNotOpen;
    termios t {};
    if (::tcgetattr(fd_, &t) != 0)
        return -errno;
    // Raw binary mode: no parity checking, no stripping, no echo.
    ::cfmakeraw(&t);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR);
    switch (dataBits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
    }
    switch (parity) {
    case pOdd: t.c_cflag |= PARENB | PARODD; break;
    case pEven: t.c_cflag |= PARENB; break;
    case pMark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case pSpace: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (stopBits >= 2)
        t.c_cflag |= CSTOPB;
    // termios has one switch for RTS/CTS handshaking in both directions.
    if (hw & (hwfUseRTS | hwfRequireCTS))
        t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (sw == swfTransmit || sw == swfBoth)
        t.c_iflag |= IXON;
    if (sw == swfReceive || sw == swfBoth)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = xon;
    t.c_cc[VSTOP] = xoff;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    speed_t sp = speedConstant(baud);
    if (sp == 0)
        return -ecBaudRate;
    ::cfsetispeed(&t, sp);
    ::cfsetospeed(&t, sp);
    if (::tcsetattr(fd_, TCSANOW, &t) != 0)
        return -errno;
    return 0;
}

int TApdPosixDispatcher::ApplyModemLine(bool dtrLine, bool on)
{
    if (fd_ < 0)
        return -ecCommNotOpen;
    int bit = dtrLine ? TIOCM_DTR : TIOCM_RTS;
    if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) != 0) {
        // Pseudo-terminals have no modem lines; that is not a failure.
        if (errno == ENOTTY || errno == EINVAL)
            return dtrLine ? EmulateDtr(on) : 0;
        return -errno;
    }
    return 0;
}

int TApdPosixDispatcher::EmulateDtr(bool on)
{
    termios t {};
    if (::tcgetattr(fd_, &t) != 0)
        return -errno;
    speed_t now = ::cfgetospeed(&t);
    if (!on && now != B0) {
        speedBeforeDtrDrop_ = now;
        ::cfsetospeed(&t, B0);
    } else if (on && now == B0 && speedBeforeDtrDrop_ != 0) {
        ::cfsetospeed(&t, speedBeforeDtrDrop_);
    } else {
        return 0;
    }
    if (::tcsetattr(fd_, TCSANOW, &t) != 0)
        return -errno;
    return 0;
}

int TApdPosixDispatcher::ReadModemLines(uint8_t &highNibble)
{
    highNibble = 0;
    if (fd_ < 0)
        return -ecCommNotOpen;
    int lines = 0;
    if (!modemLinesWork_ || ::ioctl(fd_, TIOCMGET, &lines) != 0) {
        modemLinesWork_ = false;
        // A pseudo-terminal has no lines; a live one reads as CTS and DSR on.
        highNibble = hungUp_ ? 0 : uint8_t(msCTS | msDSR);
        return 0;
    }
    if (lines & TIOCM_CTS)
        highNibble |= msCTS;
    if (lines & TIOCM_DSR)
        highNibble |= msDSR;
    if (lines & TIOCM_RI)
        highNibble |= msRI;
    if (lines & TIOCM_CD)
        highNibble |= msDCD;
    return 0;
}

long TApdPosixDispatcher::ReadDevice(uint8_t *dst, size_t len)
{
    if (fd_ < 0)
        return -1;
    for (;;) {
        ssize_t n = ::read(fd_, dst, len);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN)
            return 0;
        return -1;
    }
}

size_t TApdPosixDispatcher::DeviceInputWaiting()
{
    int n = 0;
    if (fd_ < 0 || ::ioctl(fd_, FIONREAD, &n) != 0 || n < 0)
        return 0;
    return size_t(n);
}

long TApdPosixDispatcher::WriteDevice(const uint8_t *src, size_t len)
{
    if (writeFd_ < 0)
        return -1;
    writer_ = ::pthread_self();
    inWrite_ = true;
    if (cancel_.exchange(false)) {
        inWrite_ = false;
        return 0;
    }
    ssize_t n = ::write(writeFd_, src, std::min(len, kWriteChunk));
    int err = errno;
    inWrite_ = false;
    if (n >= 0)
        return n;
    if (err == EINTR || err == EAGAIN) {
        cancel_ = false;
        return 0;
    }
    return -1;
}

void TApdPosixDispatcher::CancelWrite()
{
    cancel_ = true;
    if (inWrite_)
        ::pthread_kill(writer_.load(), writeCancelSignal());
}

void TApdPosixDispatcher::PurgeDevice(bool input, bool output)
{
    if (fd_ < 0)
        return;
    if (input && output)
        ::tcflush(fd_, TCIOFLUSH);
    else if (input)
        ::tcflush(fd_, TCIFLUSH);
    else if (output)
        ::tcflush(fd_, TCOFLUSH);
}

uint32_t TApdPosixDispatcher::WaitDeviceEvent()
{
    if (fd_ < 0)
        return 0;
    pollfd p[2] = {{fd_, short(hungUp_ ? 0 : POLLIN), 0}, {wakeFd_, POLLIN, 0}};
    int rc = ::poll(p, 2, modemLinesWork_ ? kModemPollMs : 1000);
    if (rc < 0)
        return 0;
    uint32_t bits = 0;
    if (p[1].revents & POLLIN)
        drainEventFd(wakeFd_);
    if (!hungUp_) {
        if (p[0].revents & POLLIN)
            bits |= evRxChar;
        if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // Take what is still buffered before reporting the loss.
            hungUp_ = true;
            bits |= evHangup | evRxChar;
        }
    }
    if (modemLinesWork_ && !hungUp_) {
        int lines = 0;
        if (::ioctl(fd_, TIOCMGET, &lines) == 0) {
            uint8_t now = uint8_t(lines & (TIOCM_CTS | TIOCM_DSR | TIOCM_RI | TIOCM_CD));
            if (now != lastLines_) {
                bits |= evModem;
                if ((lastLines_ & TIOCM_RI) && !(now & TIOCM_RI))
                    bits |= evRing; // trailing edge of a ring
                lastLines_ = now;
            }
        } else {
            modemLinesWork_ = false;
        }
    }
    return bits;
}

void TApdPosixDispatcher::WakeEventWait()
{
    uint64_t one = 1;
    if (wakeFd_ >= 0)
        [[maybe_unused]] auto r = ::write(wakeFd_, &one, sizeof one);
}

} // namespace qln
