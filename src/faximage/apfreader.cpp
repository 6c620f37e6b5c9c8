#include "faximage/apfreader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "faximage/apferrors.h"
#include "faximage/outputfile.h"

namespace qln::fax {

ApfReader::~ApfReader()
{
    close();
}

void ApfReader::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    cacheLen_ = 0;
    pageNo_ = 0;
    page_ = ApfPageHeader{};
    pageRead_ = 0;
}

int ApfReader::readAt(uint64_t pos, uint8_t *buf, std::size_t len, std::size_t &got)
{
    got = 0;
    while (got < len) {
        ssize_t n = ::pread(fd_, buf + got, len - got, off_t(pos + got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ioErrorCode(errno, false);
        }
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    return 0;
}

int ApfReader::readCached(uint64_t pos, uint8_t *buf, std::size_t len, std::size_t &got)
{
    got = 0;
    constexpr std::size_t kWindow = 65536;
    while (got < len) {
        uint64_t p = pos + got;
        if (p >= cachePos_ && p < cachePos_ + cacheLen_) {
            std::size_t off = std::size_t(p - cachePos_);
            std::size_t n = std::min(len - got, cacheLen_ - off);
            std::memcpy(buf + got, cache_.data() + off, n);
            got += n;
            continue;
        }
        if (len - got >= kWindow) { // large reads bypass the window
            std::size_t direct = 0;
            int rc = readAt(p, buf + got, len - got, direct);
            got += direct;
            return rc;
        }
        cache_.resize(kWindow);
        std::size_t filled = 0;
        if (int rc = readAt(p, cache_.data(), kWindow, filled))
            return rc;
        cachePos_ = p;
        cacheLen_ = filled;
        if (filled == 0)
            return 0;
    }
    return 0;
}

int ApfReader::open(const std::string &path)
{
    close();
    if (path.empty())
        return ecFileNotFound;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ioErrorCode(errno, false);
    fd_ = fd;
    uint8_t raw[kApfFileHeaderSize];
    std::size_t got = 0;
    if (int rc = readAt(0, raw, sizeof raw, got)) {
        close();
        return rc;
    }
    if (got < sizeof raw) {
        close();
        return ecFaxBadFormat;
    }
    header_ = ApfFileHeader::unpack(raw);
    headersRead_ = 0;
    if (!header_.hasSignature()) {
        close();
        return ecFaxBadFormat;
    }
    return 0;
}

int ApfReader::seekPage(int n, ApfPageHeader *out)
{
    if (fd_ < 0)
        return ecBadArgument;
    if (n < 1 || n > header_.pageCount)
        return ecFaxBadFormat;
    // Pages are found by walking; a page at or after the current one is
    // walked to from there, so reading pages in order walks the file once.
    uint64_t pos = header_.firstPageOffset;
    int from = 1;
    if (pageNo_ >= 1 && n > pageNo_) {
        pos = pageHeaderPos_ + kApfPageHeaderSize + uint64_t(page_.imageLength);
        from = pageNo_ + 1;
    } else if (pageNo_ >= 1 && n == pageNo_) {
        pos = pageHeaderPos_;
        from = pageNo_;
    }
    uint8_t raw[kApfPageHeaderSize];
    ApfPageHeader ph;
    for (int i = from; i <= n; ++i) {
        std::size_t got = 0;
        if (int rc = readAt(pos, raw, sizeof raw, got))
            return rc;
        if (got < sizeof raw)
            return ecFaxBadFormat;
        ++headersRead_;
        ph = ApfPageHeader::unpack(raw);
        pageHeaderPos_ = pos;
        pos += kApfPageHeaderSize + uint64_t(ph.imageLength);
    }
    page_ = ph;
    pageNo_ = n;
    pageDataPos_ = pageHeaderPos_ + kApfPageHeaderSize;
    pageRead_ = 0;
    if (out)
        *out = ph;
    return 0;
}

int ApfReader::readData(uint8_t *buf, std::size_t want, std::size_t &got)
{
    got = 0;
    if (fd_ < 0 || pageNo_ == 0)
        return ecBadArgument;
    uint64_t left = pageRemaining();
    if (left == 0)
        return 1;
    std::size_t len = std::size_t(std::min<uint64_t>(want, left));
    if (int rc = readCached(pageDataPos_ + pageRead_, buf, len, got))
        return rc;
    pageRead_ += got;
    if (got == 0)
        return ecFaxBadFormat;
    return 0;
}

int ApfReader::readFramedLine(uint8_t *buf, std::size_t &len)
{
    len = 0;
    if (fd_ < 0 || pageNo_ == 0)
        return ecBadArgument;
    uint64_t left = pageRemaining();
    if (left < 2) {
        pageRead_ += left; // a stray odd byte at the end carries no line
        return 1;
    }
    uint8_t word[2];
    std::size_t got = 0;
    if (int rc = readCached(pageDataPos_ + pageRead_, word, 2, got))
        return rc;
    if (got < 2)
        return ecFaxBadFormat;
    pageRead_ += 2;
    std::size_t want = getU16(word);
    if (want > kApfMaxFramedLine)
        return ecFaxBadFormat;
    want = std::size_t(std::min<uint64_t>(want, pageRemaining()));
    if (want == 0)
        return 0;
    if (int rc = readCached(pageDataPos_ + pageRead_, buf, want, got))
        return rc;
    pageRead_ += got;
    if (got < want)
        return ecFaxBadFormat;
    len = got;
    return 0;
}

int concatenateApf(const std::string &dest, const std::vector<std::string> &sources)
{
    if (dest.empty() || sources.empty())
        return ecFileNotFound;
    // Check every source and sum the pages before writing anything.
    uint32_t total = 0;
    std::vector<uint32_t> starts;
    for (const auto &src : sources) {
        ApfReader r;
        if (int rc = r.open(src))
            return rc;
        total += r.pageCount();
        starts.push_back(r.fileHeader().firstPageOffset);
    }
    if (total > 0xFFFF)
        return ecBadArgument;

    OutputFile out;
    if (int rc = out.open(dest))
        return rc;
    std::vector<uint8_t> block(65536);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        int in = ::open(sources[i].c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return ioErrorCode(errno, false);
        uint64_t pos = 0;
        int rc = 0;
        if (i == 0) {
            // The first header is written with the new page count.
            uint8_t raw[kApfFileHeaderSize];
            if (::pread(in, raw, sizeof raw, 0) != ssize_t(sizeof raw)) {
                ::close(in);
                return ecFaxBadFormat;
            }
            putU16(raw + 32, uint16_t(total));
            rc = out.write(raw, sizeof raw);
            pos = kApfFileHeaderSize;
        } else {
            pos = starts[i];
        }
        while (rc == 0) {
            ssize_t n = ::pread(in, block.data(), block.size(), off_t(pos));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                rc = ioErrorCode(errno, false);
            if (n <= 0)
                break;
            pos += uint64_t(n);
            rc = out.write(block.data(), std::size_t(n));
        }
        ::close(in);
        if (rc != 0)
            return rc;
    }
    return out.commit(true);
}

} // namespace qln::fax
