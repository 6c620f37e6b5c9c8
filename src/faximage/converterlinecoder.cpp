#include "faximage/converterlinecoder.h"

#include <algorithm>

namespace qln::fax {

void RasterLineCoder::setGeometry(int pageWidth, int leftMargin, bool doubleWidth)
{
    pageWidth_ = std::clamp(pageWidth, 8, G3LineEncoder::kMaxWidth);
    leftMargin_ = std::clamp(leftMargin, 0, pageWidth_);
    double_ = doubleWidth;
}

std::size_t RasterLineCoder::code(const uint8_t *raster)
{
    const int width = pageWidth_;
    const int bytes = width / 8;
    bool blank = true;
    for (int i = 0; i < bytes && blank; ++i)
        blank = raster[i] == 0;
    if (blank) {
        enc_.putBlankLine(width);
        return finish();
    }

    enc_.beginLine();
    const int scale = double_ ? 2 : 1;
    const int avail = width - leftMargin_;
    const int inputPixels = (avail + scale - 1) / scale;
    int out = 0;
    int x = 0;
    bool black = false;
    int margin = leftMargin_;
    if (inputPixels > 0 && (raster[0] & 0x80)) {
        enc_.putRun(leftMargin_, false);
        out = leftMargin_;
        margin = 0;
        black = true;
    }
    while (x < inputPixels && out < width) {
        const int next = G3LineEncoder::findChange(raster, x, inputPixels, black);
        int len = (next - x) * scale + (black ? 0 : margin);
        margin = 0;
        if (out + len > width || (next >= inputPixels && !black))
            len = width - out;
        enc_.putRun(len, black);
        out += len;
        x = next;
        black = !black;
    }
    if (out < width)
        enc_.putRun(width - out, false);
    return finish();
}

std::size_t RasterLineCoder::finish()
{
    byteIndex_ = enc_.byteIndex();
    length_ = enc_.codedLength();
    return length_;
}

} // namespace qln::fax
