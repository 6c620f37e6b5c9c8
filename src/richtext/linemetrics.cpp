#include "richtext/linemetrics.h"

#include <QFontMetricsF>
#include <QRawFont>

#include <algorithm>

namespace qln::richtext {

namespace {

int s16(const QByteArray &t, int at)
{
    return int(int16_t(uint16_t(uint8_t(t[at]) << 8 | uint8_t(t[at + 1]))));
}

int u16(const QByteArray &t, int at)
{
    return int(uint16_t(uint8_t(t[at]) << 8 | uint8_t(t[at + 1])));
}

constexpr int kUseTypoMetrics = 1 << 7;  // OS/2 fsSelection bit 7

}  // namespace

bool lineMetricsFromTables(const QByteArray &hhea, const QByteArray &os2, int unitsPerEm, FontLineMetrics &out)
{
    if (unitsPerEm <= 0)
        return false;
    const double em = unitsPerEm;
    double ascent = 0, descent = 0, leading = 0;
    bool have = false;
    if (hhea.size() >= 10) {
        const int asc = s16(hhea, 4), desc = s16(hhea, 6), gap = s16(hhea, 8);
        // Some fonts give the descender with the wrong sign; such figures
        // are not used.
        if (asc >= 0 && desc <= 0 && asc - desc > 0) {
            ascent = asc / em;
            descent = -desc / em;
            leading = std::max(0, gap) / em;
            have = true;
        }
    }
    if (os2.size() >= 78) {
        if (!have) {
            const int winAsc = u16(os2, 74), winDesc = u16(os2, 76);
            if (winAsc + winDesc > 0) {
                ascent = winAsc / em;
                descent = winDesc / em;
                leading = 0;
                have = true;
            }
        }
        const int typoAsc = s16(os2, 68), typoDesc = s16(os2, 70), typoGap = s16(os2, 72);
        if ((u16(os2, 62) & kUseTypoMetrics) && typoAsc >= 0 && typoDesc <= 0 && typoAsc - typoDesc > 0) {
            ascent = typoAsc / em;
            descent = -typoDesc / em;
            leading = std::max(0, typoGap) / em;
            have = true;
        }
    }
    if (!have)
        return false;
    out = FontLineMetrics{ascent, descent, leading};
    return true;
}

FontLineMetrics fontLineMetrics(const QFont &font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    FontLineMetrics m;
    if (raw.isValid()
        && lineMetricsFromTables(raw.fontTable("hhea"), raw.fontTable("OS/2"), int(raw.unitsPerEm()), m))
        return m;
    // No tables (a bitmap font, say): the engine's figures at a large size,
    // where its rounding to pixels hardly matters.
    QFont big(font);
    big.setPixelSize(1000);
    const QFontMetricsF fm(big);
    return FontLineMetrics{fm.ascent() / 1000.0, fm.descent() / 1000.0, std::max(0.0, fm.leading()) / 1000.0};
}

const FontLineMetrics &LineMetricsCache::of(const QFont &font)
{
    const QString key = font.families().join(QLatin1Char(',')) + QLatin1Char('|') + QString::number(font.weight())
                        + QLatin1Char('|') + QString::number(int(font.style()));
    auto it = cache_.find(key);
    if (it == cache_.end())
        it = cache_.insert(key, fontLineMetrics(font));
    return it.value();
}

}  // namespace qln::richtext
