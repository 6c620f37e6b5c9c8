#include "faximage/converterinputfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "faximage/apferrors.h"

namespace qln::fax {

ConverterInputFile::~ConverterInputFile()
{
    close();
}

int ConverterInputFile::open(const std::string &path)
{
    close();
    if (path.empty())
        return ecFileNotFound;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ioErrorCode(errno, false);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return ioErrorCode(err, false);
    }
    fd_ = fd;
    size_ = st.st_size;
    pos_ = bufStart_ = 0;
    bufLen_ = 0;
    return ecOK;
}

void ConverterInputFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = pos_ = bufStart_ = 0;
    bufLen_ = 0;
}

int ConverterInputFile::seek(int64_t pos)
{
    if (fd_ < 0)
        return ecDeviceRead;
    pos_ = pos < 0 ? 0 : pos;
    return ecOK;
}

int ConverterInputFile::fill()
{
    bufStart_ = pos_;
    bufLen_ = 0;
    if (pos_ >= size_)
        return 0;
    for (;;) {
        ssize_t n = ::pread(fd_, buf_, sizeof buf_, pos_);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ioErrorCode(errno, false);
        bufLen_ = std::size_t(n);
        return 0;
    }
}

int ConverterInputFile::readSome(uint8_t *dst, std::size_t n, std::size_t &got)
{
    got = 0;
    if (fd_ < 0)
        return ecDeviceRead;
    while (got < n) {
        if (!(pos_ >= bufStart_ && pos_ < bufStart_ + int64_t(bufLen_))) {
            if (int rc = fill(); rc < 0)
                return rc;
            if (bufLen_ == 0)
                break;
        }
        std::size_t avail = std::size_t(bufStart_ + int64_t(bufLen_) - pos_);
        std::size_t take = std::min(avail, n - got);
        std::memcpy(dst + got, buf_ + (pos_ - bufStart_), take);
        got += take;
        pos_ += int64_t(take);
    }
    return ecOK;
}

int ConverterInputFile::read(uint8_t *dst, std::size_t n)
{
    std::size_t got = 0;
    if (int rc = readSome(dst, n, got); rc < 0)
        return rc;
    return got == n ? ecOK : ecDeviceRead;
}

} // namespace qln::fax
