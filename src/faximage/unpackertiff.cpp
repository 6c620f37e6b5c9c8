#include "faximage/unpackertiff.h"

#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/g3encoder.h"
#include "faximage/unpackercore.h"

#include <algorithm>

namespace qln::fax {

int readFaxPageLines(const std::string &apfFile, int page, FaxPageLines &out)
{
    ApfReader reader;
    if (int rc = reader.open(apfFile))
        return rc;
    return readFaxPageLines(reader, apfFile, page, out);
}

int readFaxPageLines(ApfReader &reader, const std::string &apfFile, int page, FaxPageLines &out)
{
    out = FaxPageLines{};
    UnpackerCore core([&out](UnpackLineKind kind, const uint8_t *data, int len, int) {
        if (kind == UnpackLineKind::Line) {
            if (out.lines.size() >= std::size_t(UnpackerCore::kMaxPageLines))
                return int(ecOutOfMemory);
            std::vector<uint8_t> line(std::size_t(out.width / 8), 0);
            std::copy(data, data + std::min<std::size_t>(std::size_t(len), line.size()), line.begin());
            out.lines.push_back(std::move(line));
        }
        return 0;
    });
    core.setFlags(0);
    ApfPageHeader ph;
    if (int rc = reader.seekPage(page, &ph))
        return rc;
    out.width = ph.width();
    out.fine = ph.fine();
    return core.unpackPage(reader, apfFile, page);
}

namespace {

struct IfdWriter {
    std::vector<uint8_t> &out;
    std::size_t entryPos;
    void entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t value)
    {
        uint8_t *p = out.data() + entryPos;
        putU16(p, tag);
        putU16(p + 2, type);
        putU32(p + 4, count);
        if (type == 3 && count == 1) {
            putU32(p + 8, 0);
            putU16(p + 8, uint16_t(value));
        } else {
            putU32(p + 8, value);
        }
        entryPos += 12;
    }
};

constexpr uint16_t kShort = 3, kLong = 4, kRational = 5;

} // namespace

std::vector<uint8_t> makeTiffClassF(const FaxPageLines &page, int pageNumber, int pageCount)
{
    // Coded lines: the line start of each coded line is its EOL; the page
    // ends with the end-of-page codes.
    std::vector<uint8_t> strip;
    G3LineEncoder enc;
    for (const auto &line : page.lines) {
        std::size_t n = enc.encodeRaster(line.data(), page.width);
        const uint8_t *d = enc.data();
        strip.insert(strip.end(), d, d + n);
    }
    uint8_t eop[G3LineEncoder::kEndOfPageLength];
    G3LineEncoder::endOfPageLine(eop);
    strip.insert(strip.end(), eop, eop + sizeof eop);

    constexpr uint16_t kEntries = 17;
    const std::size_t ifdPos = 8;
    const std::size_t ifdSize = 2 + kEntries * 12 + 4;
    const std::size_t xResPos = ifdPos + ifdSize;
    const std::size_t yResPos = xResPos + 8;
    const std::size_t stripPos = yResPos + 8;
    std::vector<uint8_t> out(stripPos, 0);
    out[0] = 'I';
    out[1] = 'I';
    putU16(&out[2], 42);
    putU32(&out[4], uint32_t(ifdPos));
    putU16(&out[ifdPos], kEntries);
    const uint32_t rows = uint32_t(page.lines.size());
    IfdWriter w{out, ifdPos + 2};
    w.entry(254, kLong, 1, 2);                      // NewSubfileType: page
    w.entry(256, kLong, 1, uint32_t(page.width));   // ImageWidth
    w.entry(257, kLong, 1, rows);                   // ImageLength
    w.entry(258, kShort, 1, 1);                     // BitsPerSample
    w.entry(259, kShort, 1, 3);                     // Compression: CCITT Group 3
    w.entry(262, kShort, 1, 0);                     // Photometric: white is 0
    w.entry(266, kShort, 1, 2);                     // FillOrder: LSB first
    w.entry(273, kLong, 1, uint32_t(stripPos));     // StripOffsets
    w.entry(277, kShort, 1, 1);                     // SamplesPerPixel
    w.entry(278, kLong, 1, rows ? rows : 1);        // RowsPerStrip
    w.entry(279, kLong, 1, uint32_t(strip.size())); // StripByteCounts
    w.entry(282, kRational, 1, uint32_t(xResPos));  // XResolution
    w.entry(283, kRational, 1, uint32_t(yResPos));  // YResolution
    w.entry(292, kLong, 1, 0);                      // T4Options: 1-D, no fill bits
    w.entry(296, kShort, 1, 2);                     // ResolutionUnit: inch
    {
        // PageNumber: two SHORTs packed into the value field.
        uint8_t *p = out.data() + w.entryPos;
        putU16(p, 297);
        putU16(p + 2, kShort);
        putU32(p + 4, 2);
        putU16(p + 8, uint16_t(pageNumber));
        putU16(p + 10, uint16_t(pageCount));
        w.entryPos += 12;
    }
    w.entry(327, kShort, 1, 0); // CleanFaxData: clean (lines re-coded)
    putU32(&out[w.entryPos], 0); // no further directory
    putU32(&out[xResPos], 204);
    putU32(&out[xResPos + 4], 1);
    putU32(&out[yResPos], page.fine ? 196 : 98);
    putU32(&out[yResPos + 4], 1);
    out.resize(stripPos + strip.size());
    std::copy(strip.begin(), strip.end(), out.begin() + long(stripPos));
    return out;
}

} // namespace qln::fax
