// RasterLineCoder: codes a converter raster line onto a fax line, adding the
// left margin and, for images that fit doubled, pixel doubling.
//
// The raster holds the pixels that follow the margin (1 = black, most
// significant bit first). A raster whose first pageWidth / 8 bytes are all 0
// codes as one white run of the page width. Otherwise the first white run is
// the margin plus the raster's leading white pixels (a raster starting black
// gets a white run of the margin first), and the runs follow, each doubled
// under double width. The margin itself is never doubled, so every row of an
// image starts at the same place whatever its first pixel. Pixels that would
// fall past the page width are not coded and a line that ends early is filled
// with white, so every coded line is exactly the page width.
//
// Not thread-safe: one coder per conversion (or per fax call).
#pragma once

#include <cstddef>
#include <cstdint>

#include "faximage/g3encoder.h"

namespace qln::fax {

class RasterLineCoder {
public:
    void setGeometry(int pageWidth, int leftMargin, bool doubleWidth);
    int pageWidth() const { return pageWidth_; }
    int leftMargin() const { return leftMargin_; }
    bool doubleWidth() const { return double_; }

    // Codes one raster line into the coding buffer; returns the coded length
    // (byte index of the next free bit + 2).
    std::size_t code(const uint8_t *raster);
    const uint8_t *data() { return enc_.data(); }
    // Both taken when the line was coded.
    std::size_t codedLength() const { return length_; }
    // Byte index of the next free bit: the bytes a sender transmits.
    std::size_t byteIndex() const { return byteIndex_; }

private:
    G3LineEncoder enc_;
    int pageWidth_ = 1728;
    int leftMargin_ = 50;
    bool double_ = false;
    std::size_t length_ = 0;
    std::size_t byteIndex_ = 0;
    std::size_t finish();
};

} // namespace qln::fax
