#include "fax/faxreceivefile.h"

#include "fax/faxcodes.h"
#include "faximage/apf.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace qln::fax {

namespace {
constexpr std::size_t kBufferSize = 4096;
}

FaxReceiveFile::~FaxReceiveFile()
{
    if (fd_ >= 0)
        close(false);
}

int FaxReceiveFile::writeAt(const uint8_t *data, std::size_t len, uint64_t offset)
{
    ssize_t n = ::pwrite(fd_, data, len, static_cast<off_t>(offset));
    if (n < 0)
        return -errno;
    return static_cast<std::size_t>(n) == len ? 0 : -ecDeviceWrite;
}

int FaxReceiveFile::writeHeader()
{
    ApfFileHeader h;
    h.dateTime = dosDateTimeNow();
    h.setStation(stationId_);
    h.pageCount = static_cast<uint16_t>(pages_);
    uint8_t raw[kApfFileHeaderSize];
    h.pack(raw);
    return writeAt(raw, sizeof raw, 0);
}

int FaxReceiveFile::create(const std::string &path, const std::string &stationId)
{
    if (fd_ >= 0)
        close(false);
    // A new file only: an existing fax is never truncated, and a link placed
    // in the receive directory is not followed out of it (-EEXIST, -ELOOP).
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return -(errno == ENOENT ? 3 : errno);
    path_ = path;
    stationId_ = stationId;
    pages_ = 0;
    pageOpen_ = false;
    end_ = kApfFileHeaderSize;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    return writeHeader();
}

int FaxReceiveFile::beginPage(bool fine, bool wide)
{
    if (fd_ < 0)
        return -ecNoFilename;
    if (pageOpen_)
        discardPage();
    pageFlags_ = static_cast<uint16_t>((fine ? pfFine : 0) | (wide ? pfWide : 0));
    ApfPageHeader ph;
    ph.flags = pageFlags_;
    uint8_t raw[kApfPageHeaderSize];
    ph.pack(raw);
    pageStart_ = end_;
    if (int rc = writeAt(raw, sizeof raw, pageStart_))
        return rc;
    end_ += kApfPageHeaderSize;
    pageLength_ = 0;
    pageOpen_ = true;
    return 0;
}

int FaxReceiveFile::flush()
{
    if (buffer_.empty())
        return 0;
    int rc = writeAt(buffer_.data(), buffer_.size(), end_);
    if (rc == 0)
        end_ += buffer_.size();
    buffer_.clear();
    return rc;
}

int FaxReceiveFile::write(const uint8_t *data, std::size_t len)
{
    if (!pageOpen_)
        return -ecNoFilename;
    for (std::size_t i = 0; i < len; ++i) {
        buffer_.push_back(data[i]);
        if (buffer_.size() == kBufferSize)
            if (int rc = flush())
                return rc;
    }
    pageLength_ += static_cast<uint32_t>(len);
    return 0;
}

int FaxReceiveFile::keepPage()
{
    if (!pageOpen_)
        return 0;
    if (int rc = flush())
        return rc;
    ApfPageHeader ph;
    ph.imageLength = pageLength_;
    ph.flags = pageFlags_;
    uint8_t raw[kApfPageHeaderSize];
    ph.pack(raw);
    if (int rc = writeAt(raw, sizeof raw, pageStart_))
        return rc;
    pageOpen_ = false;
    ++pages_;
    if (int rc = writeHeader())
        return rc;
    // The page is answered as received (MCF, or the modem's answer when
    // AT+FDR goes on) only once it is on the disk.
    return ::fsync(fd_) == 0 ? 0 : -errno;
}

int FaxReceiveFile::discardPage()
{
    if (!pageOpen_)
        return 0;
    buffer_.clear();
    pageOpen_ = false;
    end_ = pageStart_;
    return ::ftruncate(fd_, static_cast<off_t>(end_)) == 0 ? 0 : -errno;
}

int FaxReceiveFile::close(bool removeIfEmpty)
{
    if (fd_ < 0)
        return 0;
    int rc = discardPage();
    if (::fsync(fd_) != 0 && rc == 0)
        rc = -errno;
    ::close(fd_);
    fd_ = -1;
    if (removeIfEmpty && pages_ == 0)
        std::remove(path_.c_str());
    return rc;
}

} // namespace qln::fax
