// EnhancedFaxFont: text drawn with a system font through Qt, for the
// converter's "enhanced" text and the fax sender's header line.
//
// The font is the caller's, doubled in size for fine resolution. Text is
// drawn into an off-screen bitmap (page width - left margin) pixels wide and
// as tall as "Wy" in that font; that height is the number of raster rows per
// text line. The bitmap's bits (rows rounded to 16-bit words) may not exceed
// 65536 bytes, else -8055. At fine resolution a raster row is the bitmap row
// as it is; at normal resolution the first half of the row is used with every
// pixel doubled, so text has the same physical size at both resolutions.
// Text is drawn without anti-aliasing, black on white, then read as 1 = black.
//
// Threading: one object per thread, on any thread once a QGuiApplication
// exists (Qt draws text into a QImage off the GUI thread). The QFont given to
// set() must not share its private data with a font another thread uses at
// the same time; the fax sender builds its fonts from their descriptions on
// the rendering thread (fax/faxenhancedrender.h).
#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>

namespace qln::fax {

class EnhancedFaxFont {
public:
    // Prepares the bitmap for `font`; -8055 when it would be too large.
    int set(const QFont &font, bool fine, int pageWidth, int leftMargin);
    bool ready() const { return !image_.isNull(); }
    int rows() const { return image_.height(); }

    // Clears the bitmap and draws `text` at its top left corner.
    void renderLine(const QString &text);
    // ORs bitmap row `row` (0-based) into `raster` (pageWidth / 8 bytes).
    void copyRow(int row, uint8_t *raster) const;

private:
    QImage image_; // Grayscale8, white background
    QFont font_;
    bool fine_ = false;
    int pageWidth_ = 1728;
};

} // namespace qln::fax
