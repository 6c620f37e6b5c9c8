#include "fax/faxfilelist.h"

#include "fax/faxcodes.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace qln::fax {

namespace {

constexpr size_t kFileHeaderSize = 64;
constexpr unsigned char kSignature[6] = {'A', 'P', 'F', '1', '0', 0x1A};

struct FileCloser {
    void operator()(std::FILE *f) const { if (f) std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

uint16_t u16(const unsigned char *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t u32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Reads the header of an APF file; 0 or a negative code.
int readHeader(const std::string &path, File &f, unsigned char *hdr)
{
    f.reset(std::fopen(path.c_str(), "rb"));
    if (!f)
        return errno == ENOENT ? -2 : -(errno ? errno : 2);
    if (std::fread(hdr, 1, kFileHeaderSize, f.get()) != kFileHeaderSize
        || std::memcmp(hdr, kSignature, sizeof kSignature) != 0)
        return -ecFaxBadFormat;
    return 0;
}

int copyRest(std::FILE *from, long offset, std::FILE *to)
{
    if (std::fseek(from, offset, SEEK_SET) != 0)
        return -30;
    char buf[16384];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, from)) > 0)
        if (std::fwrite(buf, 1, n, to) != n)
            return -29;
    return std::ferror(from) ? -30 : 0;
}

} // namespace

bool hasApfSignature(const std::string &path)
{
    File f;
    unsigned char hdr[kFileHeaderSize];
    return readHeader(path, f, hdr) == 0;
}

FaxFileJoin concatenateFaxFiles(const std::vector<std::string> &files, const std::string &tempDir)
{
    FaxFileJoin r;
    if (files.empty()) {
        r.error = -ecNoFilename;
        return r;
    }
    std::string dir = tempDir;
    if (dir.empty()) {
        std::error_code ec;
        dir = std::filesystem::temp_directory_path(ec).string();
        if (dir.empty())
            dir = "/tmp";
    }
    std::string tmpl = dir + "/~APXXXXXX";
    int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        r.error = -errno;
        return r;
    }
    File out(::fdopen(fd, "w+b"));
    auto fail = [&](int code) {
        out.reset();
        std::remove(tmpl.c_str());
        r.error = code;
        r.path.clear();
        return r;
    };
    unsigned char first[kFileHeaderSize];
    unsigned pages = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        File in;
        unsigned char hdr[kFileHeaderSize];
        if (int rc = readHeader(files[i], in, hdr))
            return fail(rc);
        if (i == 0) {
            std::memcpy(first, hdr, kFileHeaderSize);
            if (std::fwrite(hdr, 1, kFileHeaderSize, out.get()) != kFileHeaderSize)
                return fail(-29);
        }
        pages += u16(hdr + 32);
        r.filePages.push_back(static_cast<int>(u16(hdr + 32)));
        long pageStart = static_cast<long>(u32(hdr + 34));
        if (int rc = copyRest(in.get(), pageStart, out.get()))
            return fail(rc);
    }
    first[32] = static_cast<unsigned char>(pages & 0xFF);
    first[33] = static_cast<unsigned char>(pages >> 8);
    first[34] = kFileHeaderSize; first[35] = first[36] = first[37] = 0;
    if (std::fseek(out.get(), 0, SEEK_SET) != 0
        || std::fwrite(first, 1, kFileHeaderSize, out.get()) != kFileHeaderSize
        || std::fflush(out.get()) != 0 || ::fsync(::fileno(out.get())) != 0)
        return fail(-29);
    out.reset();
    r.path = tmpl;
    r.pageCount = static_cast<int>(pages);
    return r;
}

} // namespace qln::fax
