#include "faximage/tiffreader.h"

#include <algorithm>

#include "faximage/apferrors.h"

namespace qln::fax {

namespace {

enum Tag : uint16_t {
    tagSubfileType = 255,
    tagWidth = 256,
    tagLength = 257,
    tagBitsPerSample = 258,
    tagCompression = 259,
    tagPhotometric = 262,
    tagFillOrder = 266,
    tagStripOffsets = 273,
    tagRowsPerStrip = 278,
    tagStripByteCounts = 279,
};

enum Type : uint16_t { typeByte = 1, typeShort = 3, typeLong = 4 };

uint8_t reversed(uint8_t b)
{
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

} // namespace

uint16_t TiffReader::u16(const uint8_t *p) const
{
    return bigEndian_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[0] | p[1] << 8);
}

uint32_t TiffReader::u32(const uint8_t *p) const
{
    return bigEndian_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                      : uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int TiffReader::open(ConverterCore &core, const std::string &fileName)
{
    if (int rc = file_.open(fileName); rc < 0)
        return rc;
    if (int rc = readDirectory(); rc < 0) {
        file_.close();
        return rc;
    }
    rowBytes_ = uint32_t((uint64_t(width_) + 7) / 8);
    row_ = stripRow_ = strip_ = 0;
    dataRead_ = 0;
    core.placeImage(int(std::min<uint32_t>(width_, 1u << 30)), PlacementRule::Image);
    core.bytesConverted = 0;
    core.bytesToConvert = int64_t(rowBytes_) * length_;
    if (int rc = startStrip(0); rc < 0) {
        file_.close();
        return rc;
    }
    return ecOK;
}

int TiffReader::readDirectory()
{
    uint8_t h[8];
    if (file_.read(h, 8) < 0)
        return ecUnsupportedFormat;
    if (h[0] == 'I' && h[1] == 'I')
        bigEndian_ = false;
    else if (h[0] == 'M' && h[1] == 'M')
        bigEndian_ = true;
    else
        return ecUnsupportedFormat;
    const uint32_t ifd = u32(h + 4);
    uint8_t cnt[2];
    if (file_.seek(ifd) < 0 || file_.read(cnt, 2) < 0)
        return ecUnsupportedFormat;
    const uint16_t n = u16(cnt);

    bool haveWidth = false, haveLength = false, haveOffsets = false;
    uint32_t bits = 1;
    compression_ = 1;
    invert_ = reverseBits_ = false;
    rowsPerStrip_ = 0xFFFFFFFFu;
    counts_ = Entry{};
    for (uint16_t i = 0; i < n; ++i) {
        uint8_t e[12];
        if (file_.read(e, 12) < 0)
            return ecUnsupportedFormat;
        Entry en;
        const uint16_t tag = u16(e);
        en.type = u16(e + 2);
        en.count = u32(e + 4);
        en.rawField = u32(e + 8);
        std::copy(e + 8, e + 12, en.field);
        en.value = en.type == typeShort ? u16(e + 8) : en.type == typeByte ? e[8] : en.rawField;
        switch (tag) {
        case tagWidth: width_ = en.value, haveWidth = true; break;
        case tagLength: length_ = en.value, haveLength = true; break;
        case tagBitsPerSample: bits = en.value; break;
        case tagCompression: compression_ = en.value; break;
        case tagPhotometric: invert_ = en.value != 0; break;
        case tagFillOrder: reverseBits_ = en.value == 2; break;
        case tagStripOffsets: offsets_ = en, haveOffsets = en.count > 0; break;
        case tagRowsPerStrip: rowsPerStrip_ = en.value; break;
        case tagStripByteCounts: counts_ = en; break;
        default: break;
        }
    }
    if (!haveWidth || !haveLength || !haveOffsets || width_ == 0 || length_ == 0)
        return ecUnsupportedFormat;
    if (bits != 1 || (compression_ != 1 && compression_ != 32773))
        return ecUnsupportedFormat;
    if (offsets_.type != typeShort && offsets_.type != typeLong)
        return ecUnsupportedFormat;
    if (rowsPerStrip_ == 0 || rowsPerStrip_ > length_)
        rowsPerStrip_ = length_;
    return ecOK;
}

int TiffReader::stripValue(const Entry &e, uint32_t index, uint32_t &out)
{
    const uint32_t size = e.type == typeShort ? 2 : 4;
    // A strip the table does not list is not there: the image would
    // otherwise read the listed strips over and over.
    if (index >= e.count)
        return ecUnsupportedFormat;
    if (e.count == 1) {
        out = e.value;
        return ecOK;
    }
    if (size == 2 && e.count == 2) {
        // Two shorts fit in the value field itself.
        out = u16(e.field + 2 * (index & 1));
        return ecOK;
    }
    uint8_t b[4];
    if (int rc = file_.seek(int64_t(e.rawField) + int64_t(index) * size); rc < 0)
        return rc;
    if (int rc = file_.read(b, size); rc < 0)
        return rc;
    out = size == 2 ? u16(b) : u32(b);
    return ecOK;
}

int TiffReader::startStrip(uint32_t strip)
{
    uint32_t off = 0;
    if (int rc = stripValue(offsets_, strip, off); rc < 0)
        return rc;
    strip_ = strip;
    stripRow_ = 0;
    return file_.seek(off);
}

int TiffReader::readRawRow(uint8_t *dst, int keep)
{
    if (int rc = file_.read(dst, std::size_t(keep)); rc < 0)
        return rc;
    if (rowBytes_ > uint32_t(keep)) {
        if (int rc = file_.skip(int64_t(rowBytes_) - keep); rc < 0)
            return rc;
        // A row that claims more data than the file holds ends the input.
        if (file_.position() > file_.size())
            return ecDeviceRead;
    }
    return ecOK;
}

int TiffReader::readPackBitsRow(uint8_t *dst, int keep)
{
    uint32_t n = 0;
    while (n < rowBytes_) {
        uint8_t c;
        if (int rc = file_.getByte(c); rc < 0)
            return rc;
        if (c < 128) {
            for (uint32_t i = 0; i <= c; ++i, ++n) {
                uint8_t b;
                if (int rc = file_.getByte(b); rc < 0)
                    return rc;
                if (n < uint32_t(keep))
                    dst[n] = b;
            }
        } else {
            uint8_t b;
            if (int rc = file_.getByte(b); rc < 0)
                return rc;
            const uint32_t count = 257u - c;
            for (uint32_t i = 0; i < count; ++i, ++n)
                if (n < uint32_t(keep))
                    dst[n] = b;
        }
    }
    return ecOK;
}

int TiffReader::readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages)
{
    morePages = false;
    if (row_ >= length_) {
        endOfPage = true;
        return ecOK;
    }
    endOfPage = false;
    if (stripRow_ >= rowsPerStrip_) {
        if (int rc = startStrip(strip_ + 1); rc < 0)
            return rc;
    }
    const int offset = (core.centreOffset > 0 && uint64_t(core.centreOffset) + rowBytes_ <= kRasterBufferSize)
                           ? core.centreOffset
                           : 0;
    const int keep = int(std::min<uint64_t>(rowBytes_, uint64_t(kRasterBufferSize - offset)));
    uint8_t *dst = raster + offset;
    const int64_t before = file_.position();
    int rc = compression_ == 1 ? readRawRow(dst, keep) : readPackBitsRow(dst, keep);
    if (rc < 0)
        return rc;
    // Strips that share their data would let a small file stand for any
    // number of rows: image data is read no more often than the file holds.
    dataRead_ += file_.position() - before;
    if (dataRead_ > file_.size())
        return ecDeviceRead;
    for (int i = 0; i < keep; ++i) {
        if (reverseBits_)
            dst[i] = reversed(dst[i]);
        if (invert_)
            dst[i] = uint8_t(~dst[i]);
    }
    if (width_ % 8 && uint32_t(keep) == rowBytes_)
        dst[keep - 1] &= uint8_t(0xFF << (8 - width_ % 8));
    ++row_;
    ++stripRow_;
    core.bytesConverted += rowBytes_;
    return ecOK;
}

} // namespace qln::fax
