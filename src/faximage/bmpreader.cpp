#include "faximage/bmpreader.h"

#include <algorithm>
#include <cstring>

#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/dither.h"

namespace qln::fax {

namespace {

constexpr int kMaxWidth = 32767;
constexpr int kMaxHeight = 65535;
constexpr int64_t kMaxInMemory = 64 << 20;

int maskShift(uint32_t m)
{
    int s = 0;
    while (m && !(m & 1)) {
        m >>= 1;
        ++s;
    }
    return s;
}

int maskMax(uint32_t m, int shift)
{
    return m ? int(m >> shift) : 0;
}

} // namespace

int BmpReader::open(ConverterCore &core, const std::string &fileName)
{
    close();
    if (int rc = file_.open(fileName); rc < 0)
        return rc;
    if (int rc = parseHeader(); rc < 0) {
        file_.close();
        return rc;
    }
    row_.assign(std::size_t(stride_), 0);
    pixels_.clear();
    const int64_t total = stride_ * height_;
    if (total <= kMaxInMemory) {
        pixels_.resize(std::size_t(total));
        int rc = file_.seek(dataOffset_);
        if (rc == 0)
            rc = file_.read(pixels_.data(), pixels_.size());
        if (rc < 0) {
            file_.close();
            return rc;
        }
    }
    nextRow_ = 0;
    core.placeImage(width_, PlacementRule::Bitmap);
    core.bytesConverted = 0;
    core.bytesToConvert = stride_ * height_;
    return ecOK;
}

int BmpReader::parseHeader()
{
    uint8_t fh[14];
    uint8_t ih[124] = {};
    if (file_.read(fh, 14) < 0 || fh[0] != 'B' || fh[1] != 'M')
        return ecUnsupportedFormat;
    dataOffset_ = getU32(fh + 10);
    uint8_t sz[4];
    if (file_.read(sz, 4) < 0)
        return ecUnsupportedFormat;
    const uint32_t infoSize = getU32(sz);
    if (infoSize != 12 && (infoSize < 40 || infoSize > 124))
        return ecUnsupportedFormat;
    std::memcpy(ih, sz, 4);
    if (file_.read(ih + 4, infoSize - 4) < 0)
        return ecUnsupportedFormat;

    int64_t w, h;
    uint32_t compression = 0, colorsUsed = 0;
    int paletteEntrySize = 4;
    if (infoSize == 12) {
        w = getU16(ih + 4);
        h = getU16(ih + 6);
        bpp_ = getU16(ih + 10);
        paletteEntrySize = 3;
    } else {
        w = int32_t(getU32(ih + 4));
        h = int32_t(getU32(ih + 8));
        bpp_ = getU16(ih + 14);
        compression = getU32(ih + 16);
        colorsUsed = getU32(ih + 32);
    }
    topDown_ = h < 0;
    if (h < 0)
        h = -h;
    if (w <= 0 || h <= 0 || w > kMaxWidth || h > kMaxHeight)
        return ecUnsupportedFormat;
    width_ = int(w);
    height_ = int(h);

    if (compression == 3 && (bpp_ == 16 || bpp_ == 32)) {
        uint8_t m[12];
        if (infoSize >= 52) {
            std::memcpy(m, ih + 40, 12);
        } else if (file_.read(m, 12) < 0) {
            return ecUnsupportedFormat;
        }
        for (int i = 0; i < 3; ++i)
            masks_[i] = getU32(m + 4 * i);
    } else if (compression == 0 && bpp_ == 16) {
        masks_[0] = 0x7C00, masks_[1] = 0x03E0, masks_[2] = 0x001F;
    } else if (compression == 0 && bpp_ == 32) {
        masks_[0] = 0xFF0000, masks_[1] = 0xFF00, masks_[2] = 0xFF;
    } else if (compression != 0 || (bpp_ != 1 && bpp_ != 4 && bpp_ != 8 && bpp_ != 24)) {
        return ecUnsupportedFormat;
    }
    for (int i = 0; i < 3; ++i) {
        shifts_[i] = maskShift(masks_[i]);
        maxVal_[i] = maskMax(masks_[i], shifts_[i]);
    }

    paletteSum_.clear();
    if (bpp_ <= 8) {
        uint32_t entries = colorsUsed ? colorsUsed : (1u << bpp_);
        if (entries > 256)
            return ecUnsupportedFormat;
        paletteSum_.assign(256, 0);
        if (file_.seek(14 + int64_t(infoSize) + (compression == 3 && infoSize < 52 ? 12 : 0)) < 0)
            return ecUnsupportedFormat;
        for (uint32_t i = 0; i < entries; ++i) {
            uint8_t e[4];
            if (file_.read(e, std::size_t(paletteEntrySize)) < 0)
                return ecUnsupportedFormat;
            paletteSum_[i] = uint16_t(e[0] + e[1] + e[2]);
        }
        if (bpp_ == 1)
            monoInkBit_ = paletteSum_[1] < paletteSum_[0] ? 1 : 0;
    }

    stride_ = ((int64_t(width_) * bpp_ + 31) / 32) * 4;
    if (dataOffset_ < 14 + int64_t(infoSize) || dataOffset_ + stride_ * height_ > file_.size())
        return ecUnsupportedFormat;
    return ecOK;
}

void BmpReader::rowToInk(const uint8_t *row, int y, uint8_t *dst, int maxPixels) const
{
    const int n = std::min(width_, maxPixels);
    if (bpp_ == 1) {
        const int bytes = (n + 7) / 8;
        for (int i = 0; i < bytes; ++i)
            dst[i] = monoInkBit_ ? row[i] : uint8_t(~row[i]);
        if (n % 8)
            dst[bytes - 1] &= uint8_t(0xFF << (8 - n % 8));
        return;
    }
    auto palSum = [this](int idx) { return int(paletteSum_[idx]); };
    auto scaled = [this](uint32_t px, int c) {
        if (!maxVal_[c])
            return 0;
        return int(((px & masks_[c]) >> shifts_[c]) * 255 / uint32_t(maxVal_[c]));
    };
    for (int x = 0; x < n; ++x) {
        int sum;
        switch (bpp_) {
        case 4: sum = palSum((row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F); break;
        case 8: sum = palSum(row[x]); break;
        case 24: sum = row[3 * x] + row[3 * x + 1] + row[3 * x + 2]; break;
        case 16: {
            uint32_t px = getU16(row + 2 * x);
            sum = scaled(px, 0) + scaled(px, 1) + scaled(px, 2);
            break;
        }
        default: {
            uint32_t px = getU32(row + 4 * x);
            sum = scaled(px, 0) + scaled(px, 1) + scaled(px, 2);
            break;
        }
        }
        if (ditherBlack(sum, x, y))
            dst[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
}

int BmpReader::readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages)
{
    morePages = false;
    if (nextRow_ >= height_) {
        endOfPage = true;
        return ecOK;
    }
    endOfPage = false;
    const int y = nextRow_++;
    const int64_t fileRow = topDown_ ? y : height_ - 1 - y;
    const uint8_t *row;
    if (!pixels_.empty()) {
        row = pixels_.data() + fileRow * stride_;
    } else {
        if (int rc = file_.seek(dataOffset_ + fileRow * stride_); rc < 0)
            return rc;
        if (int rc = file_.read(row_.data(), row_.size()); rc < 0)
            return rc;
        row = row_.data();
    }
    const int offset = (core.centreOffset > 0 && core.centreOffset + (width_ + 7) / 8 <= kRasterBufferSize)
                           ? core.centreOffset
                           : 0;
    rowToInk(row, y, raster + offset, (kRasterBufferSize - offset) * 8);
    core.bytesConverted += stride_;
    return ecOK;
}

void BmpReader::close()
{
    file_.close();
    pixels_.clear();
    pixels_.shrink_to_fit();
}

int MonoBitmapReader::open(ConverterCore &core, const std::string &)
{
    if (bitmap_.isNull() || bitmap_.bytesPerLine < (bitmap_.width + 7) / 8 ||
        bitmap_.bits.size() < std::size_t(bitmap_.bytesPerLine) * std::size_t(bitmap_.height))
        return ecBadArgument;
    nextRow_ = 0;
    core.placeImage(bitmap_.width, PlacementRule::Bitmap);
    core.bytesConverted = 0;
    core.bytesToConvert = int64_t(bitmap_.bytesPerLine) * bitmap_.height;
    return ecOK;
}

int MonoBitmapReader::readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages)
{
    morePages = false;
    endOfPage = nextRow_ >= bitmap_.height;
    if (endOfPage)
        return ecOK;
    const int bytes = (bitmap_.width + 7) / 8;
    const int offset =
        (core.centreOffset > 0 && core.centreOffset + bytes <= kRasterBufferSize) ? core.centreOffset : 0;
    const int keep = std::min(bytes, kRasterBufferSize - offset);
    std::memcpy(raster + offset, bitmap_.row(nextRow_++), std::size_t(keep));
    if (bitmap_.width % 8 && keep == bytes)
        raster[offset + bytes - 1] &= uint8_t(0xFF << (8 - bitmap_.width % 8));
    core.bytesConverted += bitmap_.bytesPerLine;
    return ecOK;
}

} // namespace qln::fax
