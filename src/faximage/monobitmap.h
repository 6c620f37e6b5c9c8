// MonoBitmap: a plain 1-bit-per-pixel bitmap, rows of bytesPerLine bytes,
// most significant bit first. Which value is black depends on the owner: fax
// raster lines use 1 = black; page bitmaps for screen and printer use the
// inverted polarity (1 = white). toQImage/fromQImage convert at the Qt edge
// and take the polarity as an argument.
//
// A value type; not synchronised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class QImage;

namespace qln::fax {

struct MonoBitmap {
    int width = 0;        // pixels
    int height = 0;       // rows
    int bytesPerLine = 0; // row stride in bytes (at least (width + 7) / 8)
    std::vector<uint8_t> bits;

    MonoBitmap() = default;
    // A zero-filled bitmap; bytesPerLine 0 means (width + 7) / 8.
    MonoBitmap(int w, int h, int stride = 0);

    bool isNull() const { return width <= 0 || height <= 0; }
    uint8_t *row(int y) { return bits.data() + std::size_t(y) * std::size_t(bytesPerLine); }
    const uint8_t *row(int y) const { return bits.data() + std::size_t(y) * std::size_t(bytesPerLine); }
    bool pixel(int x, int y) const { return (row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
    void setPixel(int x, int y, bool on)
    {
        uint8_t m = uint8_t(0x80 >> (x & 7));
        if (on)
            row(y)[x >> 3] |= m;
        else
            row(y)[x >> 3] &= uint8_t(~m);
    }
    // Inverts every byte (swaps polarity).
    void invert();

    // QImage::Format_Mono with colour table (index 0, index 1). `oneIsBlack`
    // tells which polarity the bits have.
    QImage toQImage(bool oneIsBlack) const;
    // Any QImage: pixels darker than mid-grey become black. The result's bits
    // use the polarity asked for.
    static MonoBitmap fromQImage(const QImage &img, bool oneIsBlack);
};

} // namespace qln::fax
