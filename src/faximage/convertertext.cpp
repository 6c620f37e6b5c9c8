#include "faximage/convertertext.h"

#include <QString>

#include <algorithm>
#include <cstring>

#include "faximage/apferrors.h"

namespace qln::fax {

FaxTextCore::FaxTextCore(bool enhanced)
    : enhanced_(enhanced)
{
}

int FaxTextCore::loadFont(int sizeCode, bool fine)
{
    return font_.load(sizeCode, fine);
}

int FaxTextCore::setEnhancedFont(const QFont &font, bool fine)
{
    return enhFont_.set(font, fine, pageWidth_, leftMargin_);
}

int FaxTextCore::fontRows() const
{
    return enhanced_ ? (enhFont_.ready() ? enhFont_.rows() : 0) : font_.rows();
}

std::string FaxTextCore::prepareLine(const std::string &text) const
{
    std::string out;
    if (tabStop_ <= 0 && text.find('\t') != std::string::npos)
        return out;
    out.reserve(std::min(text.size(), kTextBufferSize));
    for (char c : text) {
        if (out.size() >= kTextBufferSize)
            break;
        if (c == '\t') {
            do
                out.push_back(' ');
            while (out.size() % std::size_t(tabStop_) != 0 && out.size() < kTextBufferSize);
        } else {
            out.push_back(c);
        }
    }
    if (!enhanced_ && font_.width() > 0) {
        const int maxChars = pageWidth_ / font_.width() - leftMargin_ / font_.width();
        if (maxChars <= 0)
            out.clear();
        else if (out.size() > std::size_t(maxChars))
            out.resize(std::size_t(maxChars));
    }
    return out;
}

void FaxTextCore::drawTextRow(const char *text, int row, uint8_t *raster)
{
    if (row < 1 || row > fontRows())
        return;
    const std::size_t len = strnlen(text, kTextBufferSize);
    if (enhanced_) {
        if (row == 1) {
            std::string s(text, len);
            QString qs = QString::fromUtf8(s.data(), qsizetype(s.size()));
            if (qs.contains(QChar::ReplacementCharacter))
                qs = QString::fromLatin1(s.data(), qsizetype(s.size()));
            enhFont_.renderLine(qs);
        }
        enhFont_.copyRow(row - 1, raster);
        return;
    }
    const int gw = font_.width();
    const int rb = font_.rowBytes();
    const int maxBits = std::max(pageWidth_, 0);
    int bit = 0;
    for (std::size_t i = 0; i < len && bit + gw <= maxBits; ++i) {
        const uint8_t *g = font_.glyph(static_cast<unsigned char>(text[i])) + (row - 1) * rb;
        // Glyph row as a left-aligned 24-bit value, shifted into place.
        uint32_t bits = uint32_t(g[0]) << 16 | (rb > 1 ? uint32_t(g[1]) << 8 : 0) | (rb > 2 ? g[2] : 0);
        bits &= 0xFFFFFFu << (24 - gw);
        if (bits) {
            const int byte = bit >> 3, shift = bit & 7;
            const uint32_t placed = bits << (8 - shift); // 32-bit, top byte at `byte`
            // Only bytes that receive pixels are touched, so a raster of
            // exactly pageWidth / 8 bytes is never overrun.
            for (int k = 0; k < 4; ++k)
                if (const uint8_t v = uint8_t(placed >> (24 - 8 * k)))
                    raster[byte + k] |= v;
        }
        bit += gw;
    }
}

std::size_t FaxTextCore::codeRasterLine(const uint8_t *raster)
{
    coder_.setGeometry(pageWidth_, leftMargin_, false);
    coder_.code(raster);
    return coder_.byteIndex();
}

int FaxTextCore::endOfPageCodes(uint8_t *buffer)
{
    G3LineEncoder::endOfPageLine(buffer);
    return int(G3LineEncoder::kEndOfPageLength);
}

std::string textToLatin1(const std::string &text)
{
    bool ascii = true;
    for (unsigned char c : text)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return text;
    QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (s.contains(QChar::ReplacementCharacter))
        return text;
    std::string out;
    out.reserve(std::size_t(s.size()));
    for (QChar c : s)
        out.push_back(c.unicode() < 256 ? char(c.unicode()) : '?');
    return out;
}

} // namespace qln::fax
