#include "faximage/monobitmap.h"

#include <cstring>

#include <QImage>

namespace qln::fax {

MonoBitmap::MonoBitmap(int w, int h, int stride)
    : width(w > 0 ? w : 0)
    , height(h > 0 ? h : 0)
    , bytesPerLine(stride > 0 ? stride : (width + 7) / 8)
    , bits(std::size_t(bytesPerLine) * std::size_t(height), 0)
{
}

void MonoBitmap::invert()
{
    for (auto &b : bits)
        b = uint8_t(~b);
}

QImage MonoBitmap::toQImage(bool oneIsBlack) const
{
    if (isNull())
        return QImage();
    QImage img(width, height, QImage::Format_Mono);
    if (img.isNull())
        return img;
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    img.setColorTable({oneIsBlack ? white : black, oneIsBlack ? black : white});
    const int n = std::min<int>(bytesPerLine, int(img.bytesPerLine()));
    for (int y = 0; y < height; ++y)
        std::memcpy(img.scanLine(y), row(y), std::size_t(n));
    return img;
}

MonoBitmap MonoBitmap::fromQImage(const QImage &src, bool oneIsBlack)
{
    if (src.isNull())
        return MonoBitmap();
    QImage gray = src.convertToFormat(QImage::Format_Grayscale8);
    MonoBitmap bm(gray.width(), gray.height());
    for (int y = 0; y < bm.height; ++y) {
        const uchar *in = gray.constScanLine(y);
        uint8_t *out = bm.row(y);
        for (int x = 0; x < bm.width; ++x) {
            bool isBlack = in[x] < 128;
            if (isBlack == oneIsBlack)
                out[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
    return bm;
}

} // namespace qln::fax
