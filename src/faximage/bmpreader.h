// BmpReader: BMP files as converter input (one page).
//
// Reads Windows bitmaps with a 12-byte core header or a 40-byte (or longer)
// info header, bottom-up or top-down, uncompressed at 1, 4, 8, 16, 24 or 32
// bits per pixel (16 and 32 also with bit-field masks). One-bit images are
// monochrome: their dark palette entry prints black. Every other depth is
// colour and goes through the ordered dither (dither.h). Anything else, and
// any header or size that does not add up, gives -8002. Pixel data up to
// 64 MB is read into memory once; larger images are read row by row, so
// memory stays bounded.
//
// The whole image is one page; every row is delivered before end of page.
// Not thread-safe.
#pragma once

#include <vector>

#include "faximage/convertercore.h"
#include "faximage/converterinputfile.h"
#include "faximage/monobitmap.h"

namespace qln::fax {

class BmpReader : public FaxInputReader {
public:
    std::string defaultExtension() const override { return "BMP"; }
    int open(ConverterCore &core, const std::string &fileName) override;
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override;
    void close() override;

    int width() const { return width_; }
    int height() const { return height_; }
    bool monochrome() const { return bpp_ == 1; }

private:
    int parseHeader();
    void rowToInk(const uint8_t *row, int y, uint8_t *dst, int maxPixels) const;

    ConverterInputFile file_;
    int width_ = 0, height_ = 0, bpp_ = 0;
    bool topDown_ = false;
    int64_t dataOffset_ = 0;
    int64_t stride_ = 0;
    uint32_t masks_[3] = {0, 0, 0}; // 16/32-bit red, green, blue
    int shifts_[3] = {0, 0, 0};
    int maxVal_[3] = {0, 0, 0};
    std::vector<uint16_t> paletteSum_; // R+G+B per palette entry
    uint8_t monoInkBit_ = 0;          // bit value that prints black (1-bit)
    std::vector<uint8_t> row_;
    std::vector<uint8_t> pixels_; // whole pixel array when it was small enough
    int nextRow_ = 0;
};

// MonoBitmapReader: an in-memory monochrome bitmap (1 = black) as converter
// input, placed like a BMP file; one page.
class MonoBitmapReader : public FaxInputReader {
public:
    explicit MonoBitmapReader(const MonoBitmap &bitmap)
        : bitmap_(bitmap)
    {
    }
    std::string defaultExtension() const override { return std::string(); }
    int open(ConverterCore &core, const std::string &fileName) override;
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override;
    void close() override {}

private:
    const MonoBitmap &bitmap_;
    int nextRow_ = 0;
};

} // namespace qln::fax
