#include "fax/faxtextrender.h"

#include "fax/faxcodes.h"
#include "faximage/faxfont.h"
#include "faximage/g3encoder.h"

namespace qln::fax {

namespace {
constexpr int kWidth = 1728;
constexpr int kLeftMargin = 16; // pixels before the first character
} // namespace

int renderFaxTextLine(const std::string &text, bool fine, bool large,
                      std::vector<t30::Bytes> &codedLines)
{
    FaxFont font;
    if (font.load(large ? FaxFont::kStandard : FaxFont::kSmall, fine) < 0)
        return -ecFontFileNotFound;
    G3LineEncoder enc;
    std::vector<uint8_t> raster(kWidth / 8);
    for (int row = 0; row < font.rows(); ++row) {
        std::fill(raster.begin(), raster.end(), 0);
        int x = kLeftMargin;
        for (unsigned char ch : text) {
            if (x + font.width() > kWidth)
                break;
            const uint8_t *g = font.glyph(ch) + row * font.rowBytes();
            for (int px = 0; px < font.width(); ++px)
                if (g[px / 8] & (0x80 >> (px % 8)))
                    raster[static_cast<std::size_t>((x + px) / 8)] |=
                        static_cast<uint8_t>(0x80 >> ((x + px) % 8));
            x += font.width();
        }
        std::size_t n = enc.encodeRaster(raster.data(), kWidth);
        codedLines.emplace_back(enc.data(), enc.data() + n);
    }
    return 0;
}

} // namespace qln::fax
