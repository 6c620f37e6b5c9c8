#include "faximage/pcxreader.h"

#include <algorithm>

#include "faximage/apf.h"
#include "faximage/apferrors.h"

namespace qln::fax {

int PcxPageDecoder::open(ConverterCore &core, ConverterInputFile &file, int64_t start, int64_t length)
{
    uint8_t h[128];
    if (length < 128 || file.seek(start) < 0 || file.read(h, 128) < 0)
        return ecUnsupportedFormat;
    const int xmin = getU16(h + 4), ymin = getU16(h + 6), xmax = getU16(h + 8), ymax = getU16(h + 10);
    const int planes = h[65];
    if (h[0] != 10 || h[2] != 1 || h[3] != 1 || planes > 1)
        return ecUnsupportedFormat;
    if (xmax < xmin || xmax - xmin > core.pageWidth || ymax < ymin)
        return ecUnsupportedFormat;
    bytesPerLine_ = getU16(h + 66);
    if (bytesPerLine_ == 0)
        return ecUnsupportedFormat;
    version_ = h[1];
    width_ = xmax - xmin + 1;
    height_ = ymax - ymin + 1;
    rows_ = 0;
    dataPos_ = start + 128;
    dataEnd_ = start + length;
    runLeft_ = 0;
    core.placeImage(width_, PlacementRule::Image);
    return ecOK;
}

int PcxPageDecoder::readRow(ConverterCore &core, ConverterInputFile &file, uint8_t *raster, bool &endOfPage)
{
    // The header's row count ends the image; what follows the rows (the
    // 256-colour palette of version 5 files, for one) is no image data.
    if (rows_ >= height_) {
        endOfPage = true;
        return ecOK;
    }
    // Data that ends before the rows the header promises is a damaged (cut
    // short) file, not a page with blank rows.
    if (dataPos_ >= dataEnd_ && runLeft_ == 0)
        return ecDeviceRead;
    ++rows_;
    endOfPage = false;
    const int imageBytes = (width_ + 7) / 8;
    const int offset =
        (core.centreOffset > 0 && core.centreOffset + imageBytes <= kRasterBufferSize) ? core.centreOffset : 0;
    const int keep = std::min(imageBytes, kRasterBufferSize - offset);
    uint8_t *dst = raster + offset;
    if (file.seek(dataPos_) < 0)
        return ecDeviceRead;
    const int64_t before = dataPos_;
    int n = 0;
    while (n < bytesPerLine_) {
        if (runLeft_ == 0) {
            if (dataPos_ >= dataEnd_)
                return ecDeviceRead;
            uint8_t b;
            if (int rc = file.getByte(b); rc < 0)
                return rc;
            ++dataPos_;
            if (b >= 192) {
                runLeft_ = b & 0x3F;
                if (dataPos_ >= dataEnd_)
                    return ecDeviceRead;
                if (int rc = file.getByte(runByte_); rc < 0)
                    return rc;
                ++dataPos_;
                if (runLeft_ == 0)
                    continue;
            } else {
                runLeft_ = 1;
                runByte_ = b;
            }
        }
        const int take = std::min(runLeft_, bytesPerLine_ - n);
        const uint8_t ink = uint8_t(~runByte_);
        for (int i = 0; i < take; ++i, ++n)
            if (n < keep)
                dst[n] = ink;
        runLeft_ -= take;
    }
    if (width_ % 8 && keep == imageBytes)
        dst[imageBytes - 1] &= uint8_t(0xFF << (8 - width_ % 8));
    core.bytesConverted += dataPos_ - before;
    return ecOK;
}

int PcxReader::open(ConverterCore &core, const std::string &fileName)
{
    if (int rc = file_.open(fileName); rc < 0)
        return rc;
    if (int rc = page_.open(core, file_, 0, file_.size()); rc < 0) {
        file_.close();
        return rc;
    }
    core.bytesConverted = 0;
    core.bytesToConvert = file_.size() - 128;
    return ecOK;
}

int PcxReader::readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages)
{
    morePages = false;
    return page_.readRow(core, file_, raster, endOfPage);
}

} // namespace qln::fax
