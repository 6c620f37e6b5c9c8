// Helpers of the converter tests: decoding the APF files the converter
// writes back into raster lines, and small input files written by hand.
#pragma once

#include <cstdint>
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

} // namespace qln::fax::test
