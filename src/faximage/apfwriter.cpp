#include "faximage/apfwriter.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "faximage/apferrors.h"
#include "faximage/g3encoder.h"

namespace qln::fax {

ApfWriter::~ApfWriter()
{
    abandon();
}

int ApfWriter::osWrite(int fd, const uint8_t *data, std::size_t len)
{
    while (len > 0) {
        ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data += n;
        len -= std::size_t(n);
    }
    return 0;
}

int ApfWriter::osWriteAt(int fd, const uint8_t *data, std::size_t len, uint64_t offset)
{
    while (len > 0) {
        ssize_t n = ::pwrite(fd, data, len, off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data += n;
        len -= std::size_t(n);
        offset += uint64_t(n);
    }
    return 0;
}

int ApfWriter::fail(int err)
{
    abandon();
    return ioErrorCode(err, true);
}

void ApfWriter::abandon()
{
    out_.discard();
    fd_ = -1;
    bufUsed_ = 0;
    pageOpen_ = false;
}

int ApfWriter::create(const std::string &path)
{
    abandon();
    if (path.empty())
        return ecFileNotFound;
    if (int rc = out_.open(path))
        return rc;
    fd_ = out_.fd();
    path_ = path;
    header_ = ApfFileHeader{};
    written_ = 0;
    bufUsed_ = 0;
    pageOpen_ = false;
    uint8_t raw[kApfFileHeaderSize];
    header_.pack(raw);
    return put(raw, sizeof raw);
}

int ApfWriter::put(const uint8_t *data, std::size_t len)
{
    if (fd_ < 0)
        return ecBadArgument;
    written_ += len;
    std::size_t space = sizeof buf_ - bufUsed_;
    if (len < space) {
        std::memcpy(buf_ + bufUsed_, data, len);
        bufUsed_ += len;
        return 0;
    }
    // Fill the buffer, write it, then send whole blocks directly.
    std::memcpy(buf_ + bufUsed_, data, space);
    bufUsed_ += space;
    data += space;
    len -= space;
    if (int rc = flush())
        return rc;
    std::size_t whole = len - len % sizeof buf_;
    if (whole > 0) {
        if (int err = osWrite(fd_, data, whole))
            return fail(err);
        data += whole;
        len -= whole;
    }
    std::memcpy(buf_, data, len);
    bufUsed_ = len;
    return 0;
}

int ApfWriter::flush()
{
    if (bufUsed_ == 0)
        return 0;
    if (int err = osWrite(fd_, buf_, bufUsed_))
        return fail(err);
    bufUsed_ = 0;
    return 0;
}

int ApfWriter::beginPage(uint16_t flags)
{
    if (fd_ < 0 || pageOpen_)
        return ecBadArgument;
    pageOpen_ = true;
    pageFlags_ = flags;
    pageHeaderPos_ = written_;
    pageLength_ = 0;
    ApfPageHeader ph;
    ph.flags = flags;
    uint8_t raw[kApfPageHeaderSize];
    ph.pack(raw);
    return put(raw, sizeof raw);
}

int ApfWriter::writeFramedLine(const uint8_t *data, std::size_t len)
{
    if (!pageOpen_ || len > kApfMaxFramedLine)
        return ecBadArgument;
    uint8_t word[2];
    putU16(word, uint16_t(len));
    if (int rc = put(word, 2))
        return rc;
    pageLength_ += 2 + len;
    return put(data, len);
}

int ApfWriter::writeRaw(const uint8_t *data, std::size_t len)
{
    if (!pageOpen_)
        return ecBadArgument;
    pageLength_ += len;
    return put(data, len);
}

int ApfWriter::endPage()
{
    if (!pageOpen_)
        return ecBadArgument;
    if (pageFlags_ & pfLineLengths) {
        uint8_t eop[G3LineEncoder::kEndOfPageLength];
        G3LineEncoder::endOfPageLine(eop);
        if (int rc = writeFramedLine(eop, sizeof eop))
            return rc;
    }
    if (pageLength_ > 0xFFFFFFFFu) {
        abandon();
        return ecBadArgument;
    }
    if (header_.pageCount == 0xFFFF) {
        abandon();
        return ecBadArgument;
    }
    header_.pageCount++;
    pageOpen_ = false;
    if (int rc = flush())
        return rc;
    ApfPageHeader ph;
    ph.imageLength = uint32_t(pageLength_);
    ph.flags = pageFlags_;
    uint8_t raw[kApfPageHeaderSize];
    ph.pack(raw);
    if (int err = osWriteAt(fd_, raw, sizeof raw, pageHeaderPos_))
        return fail(err);
    return 0;
}

int ApfWriter::finish(const std::string &stationId, char pad, uint32_t dosTime)
{
    if (fd_ < 0)
        return ecBadArgument;
    if (pageOpen_)
        if (int rc = endPage())
            return rc;
    if (int rc = flush())
        return rc;
    header_.dateTime = dosTime;
    header_.setStation(stationId, pad);
    uint8_t raw[kApfFileHeaderSize];
    header_.pack(raw);
    if (int err = osWriteAt(fd_, raw, sizeof raw, 0))
        return fail(err);
    fd_ = -1;
    return out_.commit();
}

} // namespace qln::fax
