#include "faximage/faxfontenhanced.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "faximage/convertererror.h"

namespace qln::fax {

namespace {

// Screen resolution the font sizes refer to (96 dots per inch).
constexpr int kDotsPerMeter = 3780;
constexpr int kMaxBitmapBytes = 65536;

} // namespace

int EnhancedFaxFont::set(const QFont &font, bool fine, int pageWidth, int leftMargin)
{
    image_ = QImage();
    font_ = font;
    if (fine) {
        if (font_.pixelSize() > 0)
            font_.setPixelSize(font_.pixelSize() * 2);
        else
            font_.setPointSizeF(font_.pointSizeF() * 2);
    }
    font_.setStyleStrategy(QFont::NoAntialias);
    fine_ = fine;
    pageWidth_ = pageWidth;
    const int width = std::max(pageWidth - leftMargin, 8);

    QImage probe(1, 1, QImage::Format_Grayscale8);
    probe.setDotsPerMeterX(kDotsPerMeter);
    probe.setDotsPerMeterY(kDotsPerMeter);
    const QFontMetrics fm(font_, &probe);
    const int height = std::max(fm.boundingRect(QStringLiteral("Wy")).height(), fm.height());
    const int64_t rowBytes = (int64_t(width) + 15) / 16 * 2;
    if (height <= 0 || rowBytes * height > kMaxBitmapBytes)
        return ecEnhFontTooBig;
    image_ = QImage(width, height, QImage::Format_Grayscale8);
    if (image_.isNull())
        return ecOutOfMemory;
    image_.setDotsPerMeterX(kDotsPerMeter);
    image_.setDotsPerMeterY(kDotsPerMeter);
    image_.fill(255);
    return ecOK;
}

void EnhancedFaxFont::renderLine(const QString &text)
{
    if (image_.isNull())
        return;
    image_.fill(255);
    QPainter p(&image_);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(font_);
    p.setPen(Qt::black);
    p.drawText(0, QFontMetrics(font_, &image_).ascent(), text);
}

void EnhancedFaxFont::copyRow(int row, uint8_t *raster) const
{
    if (image_.isNull() || row < 0 || row >= image_.height())
        return;
    const uchar *src = image_.constScanLine(row);
    const int limit = pageWidth_; // raster pixels available
    if (fine_) {
        const int n = std::min(image_.width(), limit);
        for (int x = 0; x < n; ++x)
            if (src[x] < 128)
                raster[x >> 3] |= uint8_t(0x80 >> (x & 7));
    } else {
        const int n = std::min(image_.width() / 2, limit / 2);
        for (int x = 0; x < n; ++x) {
            if (src[x] < 128) {
                const int o = 2 * x;
                raster[o >> 3] |= uint8_t(0xC0 >> (o & 7));
            }
        }
    }
}

} // namespace qln::fax
