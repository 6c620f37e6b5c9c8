#include "compose/faxpagefiles.h"

#include "common/datadir.h"
#include "comms/portexceptions.h"
#include "faximage/apf.h"
#include "faximage/apferrors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qln::compose {

namespace {

constexpr std::size_t kCopyBlock = 4096;
constexpr std::size_t kPageCountAt = 32;
constexpr std::size_t kFirstPageAt = 34;
constexpr int kDiskReadError = 100; // a file that ends inside a header or page

class FileHandle {
public:
    FileHandle(const std::string &path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC))
    {
        if (fd_ < 0)
            RaiseForCode(fax::ioErrorCode(errno, (flags & O_ACCMODE) != O_RDONLY));
    }
    ~FileHandle()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileHandle(const FileHandle &) = delete;
    FileHandle &operator=(const FileHandle &) = delete;

    // Reads exactly n bytes at `at`; a short read is a disk read error.
    void readAt(uint8_t *buf, std::size_t n, off_t at) const
    {
        std::size_t done = 0;
        while (done < n) {
            ssize_t r = ::pread(fd_, buf + done, n - done, at + off_t(done));
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                RaiseForCode(fax::ioErrorCode(errno, false));
            if (r == 0)
                RaiseForCode(kDiskReadError);
            done += std::size_t(r);
        }
    }
    // Reads up to n bytes at `at`; 0 at the end of the file.
    std::size_t readSome(uint8_t *buf, std::size_t n, off_t at) const
    {
        for (;;) {
            ssize_t r = ::pread(fd_, buf, n, at);
            if (r >= 0)
                return std::size_t(r);
            if (errno != EINTR)
                RaiseForCode(fax::ioErrorCode(errno, false));
        }
    }
    void writeAt(const uint8_t *buf, std::size_t n, off_t at) const
    {
        std::size_t done = 0;
        while (done < n) {
            ssize_t w = ::pwrite(fd_, buf + done, n - done, at + off_t(done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                RaiseForCode(fax::ioErrorCode(w < 0 ? errno : ENOSPC, true));
            done += std::size_t(w);
        }
    }

private:
    int fd_;
};

bool exists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void readHeader(const FileHandle &f, uint8_t header[fax::kApfFileHeaderSize])
{
    f.readAt(header, fax::kApfFileHeaderSize, 0);
    if (!std::equal(fax::kApfSignature.begin(), fax::kApfSignature.end(), header))
        RaiseForCode(fax::ecFaxBadFormat);
}

}  // namespace

std::string BaseFaxFileName(const std::string &dataDir)
{
    for (int n = 1; n <= kMaxBaseFileNumber; ++n) {
        const std::string name = "QLN_" + std::to_string(n) + ".APF";
        if (findNameNoCase(dataDir, name).empty())
            return dataDir + name;
    }
    return dataDir + "QLN1.APF";
}

std::string PageFileName(const std::string &dataDir, int page)
{
    return dataDir + "QLNAX" + std::to_string(page) + ".APF";
}

void AppendApfFile(const std::string &dest, const std::string &source)
{
    if (!exists(dest) || !exists(source))
        RaiseForCode(fax::ecFileNotFound);
    std::vector<uint8_t> buffer(kCopyBlock);

    FileHandle out(dest, O_RDWR);
    uint8_t header[fax::kApfFileHeaderSize];
    readHeader(out, header);
    const uint16_t destPages = fax::getU16(header + kPageCountAt);
    off_t end = off_t(fax::getU32(header + kFirstPageAt));
    for (uint16_t page = 0; page < destPages; ++page) {
        uint8_t pageHeader[fax::kApfPageHeaderSize];
        out.readAt(pageHeader, sizeof pageHeader, end);
        end += off_t(fax::kApfPageHeaderSize) + off_t(fax::getU32(pageHeader));
    }
    // A page whose length runs past the end of the file is damaged; writing
    // after it would leave a hole of undefined bytes in the fax.
    struct stat st {};
    if (::stat(dest.c_str(), &st) != 0 || end > st.st_size)
        RaiseForCode(kDiskReadError);

    FileHandle in(source, O_RDONLY);
    uint8_t sourceHeader[fax::kApfFileHeaderSize];
    readHeader(in, sourceHeader);
    off_t from = off_t(fax::getU32(sourceHeader + kFirstPageAt));
    while (std::size_t n = in.readSome(buffer.data(), buffer.size(), from)) {
        out.writeAt(buffer.data(), n, end);
        from += off_t(n);
        end += off_t(n);
    }

    const unsigned total = unsigned(destPages) + fax::getU16(sourceHeader + kPageCountAt);
    fax::putU16(header + kPageCountAt, uint16_t(total > 0xFFFF ? 0xFFFF : total));
    out.writeAt(header, sizeof header, 0);
}

std::string JoinFaxPages(const std::vector<std::string> &pages)
{
    if (pages.empty())
        return {};
    for (std::size_t i = 1; i < pages.size(); ++i)
        AppendApfFile(pages.front(), pages[i]);
    for (std::size_t i = 1; i < pages.size(); ++i)
        std::remove(pages[i].c_str());
    return pages.front();
}

}  // namespace qln::compose
