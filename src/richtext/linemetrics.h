// The vertical metrics a word processor lays a line of text out with: the
// ascent, descent and external leading of a font as the font's own tables
// give them, not rounded to the pixels of any device.
//
// Single line spacing is ascent + descent + leading, with the leading above
// the ascent, as word processors (and the RTF `\sl` rules built on it)
// measure a line. Font engines on screen round these figures to whole
// pixels, which at 200 dots per inch makes a page of 10-point text several
// lines shorter, so page painting measures lines with these instead.
//
// Needs a QGuiApplication (fonts); user-interface thread only.
#pragma once

#include <QFont>
#include <QHash>
#include <QString>

namespace qln::richtext {

// In ems of the font (multiply by the size in any unit).
struct FontLineMetrics {
    double ascent = 0.0;
    double descent = 0.0;
    double leading = 0.0;  // external leading, laid out above the ascent

    double height() const { return ascent + descent + leading; }
};

// The metrics of the font that `font` resolves to: the `hhea` table's
// ascender, descender and line gap; the `OS/2` table's Windows figures when
// `hhea` has none, and its typographic figures when the font asks for them
// (USE_TYPO_METRICS). A font without the tables gets the font engine's own
// figures.
FontLineMetrics fontLineMetrics(const QFont &font);

// Parses the tables (exposed for tests). Returns false when neither table
// gives usable figures.
bool lineMetricsFromTables(const QByteArray &hhea, const QByteArray &os2, int unitsPerEm, FontLineMetrics &out);

// fontLineMetrics for the handful of fonts a document uses, looked up once
// per family, weight and style.
class LineMetricsCache {
public:
    const FontLineMetrics &of(const QFont &font);

private:
    QHash<QString, FontLineMetrics> cache_;
};

}  // namespace qln::richtext
