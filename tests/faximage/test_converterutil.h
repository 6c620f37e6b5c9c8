// Helpers of the converter tests: decoding the APF files the converter
// writes back into raster lines, and small input files written by hand.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "faximage/apf.h"
#include "faximage/g3decoder.h"

namespace qln::fax::test {

struct DecodedPage {
    ApfPageHeader header;
    std::vector<std::vector<uint8_t>> lines; // decoded raster lines
    std::vector<std::vector<uint8_t>> coded; // framed lines as written
};

struct DecodedFile {
    int rc = 0;
    ApfFileHeader header;
    std::vector<DecodedPage> pages;
};

// Reads every page of a framed APF file and decodes it line by line.
inline DecodedFile decodeApfFile(const std::string &path)
{
    DecodedFile f;
    ApfReader r;
    if ((f.rc = r.open(path)) < 0)
        return f;
    f.header = r.fileHeader();
    for (int p = 1; p <= r.pageCount(); ++p) {
        DecodedPage page;
        if ((f.rc = r.seekPage(p, &page.header)) < 0)
            return f;
        G3Decoder dec([&page](const uint8_t *line, int bytes) { page.lines.emplace_back(line, line + bytes); });
        uint8_t buf[4096];
        std::size_t len = 0;
        int rc;
        while ((rc = r.readFramedLine(buf, len)) == 0) {
            page.coded.emplace_back(buf, buf + len);
            dec.feed(buf, len);
        }
        if (rc < 0) {
            f.rc = rc;
            return f;
        }
        f.pages.push_back(std::move(page));
    }
    return f;
}

inline bool pixelAt(const std::vector<uint8_t> &line, int x)
{
    return (line[std::size_t(x) >> 3] >> (7 - (x & 7))) & 1;
}

inline int blackCount(const std::vector<uint8_t> &line)
{
    int n = 0;
    for (uint8_t b : line)
        n += __builtin_popcount(b);
    return n;
}

// Index of the first black pixel, or -1.
inline int firstBlack(const std::vector<uint8_t> &line)
{
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i])
            return int(i * 8) + __builtin_clz(unsigned(line[i])) - 24;
    return -1;
}

inline void writeBytes(const std::string &path, const std::vector<uint8_t> &data)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

inline void writeText(const std::string &path, const std::string &text)
{
    writeBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

using PixelFn = std::function<bool(int x, int y)>; // true = black

inline void put16(std::vector<uint8_t> &v, std::size_t at, uint32_t x)
{
    v[at] = uint8_t(x), v[at + 1] = uint8_t(x >> 8);
}
inline void put32(std::vector<uint8_t> &v, std::size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + std::size_t(i)] = uint8_t(x >> (8 * i));
}

// A one-bit PCX image; padding bytes of each row hold 0 (black when read
// naively). Runs are encoded across row ends when `crossRows`.
inline std::vector<uint8_t> makePcx(int w, int h, const PixelFn &black, int version = 5, int extraPad = 0,
                             bool crossRows = false)
{
    std::vector<uint8_t> v(128, 0);
    v[0] = 10, v[1] = uint8_t(version), v[2] = 1, v[3] = 1;
    put16(v, 8, uint32_t(w - 1));
    put16(v, 10, uint32_t(h - 1));
    v[65] = 1;
    const int bpl = (w + 7) / 8 + extraPad;
    put16(v, 66, uint32_t(bpl));
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        for (int b = 0; b < bpl; ++b) {
            uint8_t byte = 0;
            if (b < (w + 7) / 8) {
                byte = 0xFF; // white
                for (int k = 0; k < 8; ++k)
                    if (b * 8 + k < w && black(b * 8 + k, y))
                        byte &= uint8_t(~(0x80 >> k));
            }
            raw.push_back(byte);
        }
    }
    auto flush = [&](uint8_t byte, int count) {
        while (count > 0) {
            int n = std::min(count, 63);
            if (n > 1 || byte >= 192)
                v.push_back(uint8_t(0xC0 | n));
            v.push_back(byte);
            count -= n;
        }
    };
    std::size_t i = 0;
    while (i < raw.size()) {
        std::size_t j = i + 1;
        const std::size_t rowEnd = (i / std::size_t(bpl) + 1) * std::size_t(bpl);
        while (j < raw.size() && raw[j] == raw[i] && (crossRows || j < rowEnd))
            ++j;
        flush(raw[i], int(j - i));
        i = j;
    }
    return v;
}

inline std::vector<uint8_t> makeDcx(const std::vector<std::vector<uint8_t>> &pages)
{
    std::vector<uint8_t> v(4100, 0);
    put32(v, 0, 987654321);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        put32(v, 4 + 4 * p, uint32_t(v.size()));
        v.insert(v.end(), pages[p].begin(), pages[p].end());
    }
    return v;
}

} // namespace qln::fax::test
