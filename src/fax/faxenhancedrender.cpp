#include "fax/faxenhancedrender.h"

#include "fax/faxcodes.h"
#include "faximage/faxfontenhanced.h"
#include "faximage/g3encoder.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>

namespace qln::fax {

namespace {

constexpr int kWidth = 1728;
constexpr int kLeftMargin = 16; // pixels before the text; a whole number of bytes

// Header texts are UTF-8; a text that is not is taken as Latin-1.
QString textOf(const std::string &text)
{
    QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (s.contains(QChar::ReplacementCharacter))
        s = QString::fromLatin1(text.data(), qsizetype(text.size()));
    return s;
}

} // namespace

int renderEnhancedTextLine(const QString &fontDescription, const std::string &text, bool fine,
                           std::vector<t30::Bytes> &codedLines)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return -ecFontFileNotFound;
    // A font built from its description here has private data of its own,
    // shared with no font of another thread.
    QFont font{QString()};
    font.fromString(fontDescription);

    EnhancedFaxFont bitmap;
    if (int rc = bitmap.set(font, fine, kWidth - kLeftMargin, 0); rc < 0)
        return rc;
    bitmap.renderLine(textOf(text));

    G3LineEncoder enc;
    std::vector<uint8_t> raster(kWidth / 8);
    codedLines.reserve(codedLines.size() + std::size_t(bitmap.rows()));
    for (int row = 0; row < bitmap.rows(); ++row) {
        std::fill(raster.begin(), raster.end(), 0);
        bitmap.copyRow(row, raster.data() + kLeftMargin / 8);
        const std::size_t n = enc.encodeRaster(raster.data(), kWidth);
        codedLines.emplace_back(enc.data(), enc.data() + n);
    }
    return 0;
}

EnhancedTextRenderer::EnhancedTextRenderer(const QFont &headerFont, const QFont &coverFont)
    : header_(headerFont.toString()), cover_(coverFont.toString())
{
}

int EnhancedTextRenderer::operator()(const std::string &text, bool fine, bool large,
                                     std::vector<t30::Bytes> &codedLines) const
{
    return renderEnhancedTextLine(large ? cover_ : header_, text, fine, codedLines);
}

} // namespace qln::fax
