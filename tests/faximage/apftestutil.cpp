#include "apftestutil.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "faximage/apf.h"
#include "faximage/g3encoder.h"

namespace qln::fax::test {

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "qlnfaximage.XXXXXX").string();
    if (!::mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

Line blackSpan(int bytes, int from, int to)
{
    Line l(std::size_t(bytes), 0);
    for (int x = from; x < to; ++x)
        l[std::size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
    return l;
}

Line randomLine(std::mt19937 &rng, int bytes, int meanRun)
{
    Line l(std::size_t(bytes), 0);
    std::geometric_distribution<int> len(1.0 / meanRun);
    bool black = rng() & 1;
    int x = 0;
    while (x < bytes * 8) {
        int run = 1 + len(rng);
        int end = std::min(bytes * 8, x + run);
        if (black)
            for (int i = x; i < end; ++i)
                l[std::size_t(i >> 3)] |= uint8_t(0x80 >> (i & 7));
        x = end;
        black = !black;
    }
    return l;
}

void writeApf(const std::string &path, const std::vector<std::vector<Line>> &pages, uint16_t flags)
{
    ApfWriter w;
    if (w.create(path) != 0)
        throw std::runtime_error("create failed");
    G3LineEncoder enc;
    const int width = (flags & pfWide) ? kWideWidth : kNormalWidth;
    for (const auto &page : pages) {
        if (w.beginPage(uint16_t(flags | pfLineLengths)) != 0)
            throw std::runtime_error("beginPage failed");
        for (const auto &line : page) {
            if (line.size() < std::size_t(width / 8))
                throw std::runtime_error("raster line shorter than the page width");
            std::size_t n = enc.encodeRaster(line.data(), width);
            if (w.writeFramedLine(enc.data(), n) != 0)
                throw std::runtime_error("write failed");
        }
        if (w.endPage() != 0)
            throw std::runtime_error("endPage failed");
    }
    if (w.finish("TEST") != 0)
        throw std::runtime_error("finish failed");
}

void writeRawApf(const std::string &path, const std::vector<uint8_t> &stream, uint16_t flags,
                 uint32_t claimedLength)
{
    ApfFileHeader fh;
    fh.pageCount = 1;
    ApfPageHeader ph;
    ph.flags = flags;
    ph.imageLength = claimedLength ? claimedLength : uint32_t(stream.size());
    uint8_t a[kApfFileHeaderSize], b[kApfPageHeaderSize];
    fh.pack(a);
    ph.pack(b);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(a), sizeof a);
    out.write(reinterpret_cast<const char *>(b), sizeof b);
    out.write(reinterpret_cast<const char *>(stream.data()), std::streamsize(stream.size()));
}

std::vector<uint8_t> unframedStream(const std::vector<Line> &lines, int width)
{
    std::vector<uint8_t> out;
    G3LineEncoder enc;
    for (const auto &line : lines) {
        std::size_t n = enc.encodeRaster(line.data(), width);
        const uint8_t *d = enc.data();
        out.insert(out.end(), d, d + n);
    }
    uint8_t eop[G3LineEncoder::kEndOfPageLength];
    G3LineEncoder::endOfPageLine(eop);
    out.insert(out.end(), eop, eop + sizeof eop);
    return out;
}

std::vector<uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool fileExists(const std::string &path)
{
    return std::filesystem::exists(path);
}

} // namespace qln::fax::test
