// RichDocument::paintPage: the text laid out once per resolution, width and
// edit in a copy of the document, its lines numbered across the whole text,
// and a page painted line by line from any line number.
//
// Qt breaks the lines; their heights, the space between paragraphs and the
// page breaks are set as word processors set them (pagelines.h), from the
// fonts' own metrics (linemetrics.h), so that a document written by a word
// processor gives the pages it gives there.
#include "richtext/richdocument.h"

#include "richtext/linemetrics.h"
#include "richtext/paintlayout.h"
#include "richtext/richformat.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <map>

namespace qln::richtext {

namespace {

// The copy is laid out at a resolution of its own, whatever the painting
// one, and painted scaled: Qt rounds font sizes to whole pixels, which at
// 200 pixels per inch makes 10-point text nearly 1 % wider (28 pixels for
// 27.8) and breaks lines where a word processor does not. At a multiple of
// 144 every size in half points is a whole number of pixels. The font
// engine draws nothing beyond about 65000 pixels, so a text with huge
// letters is laid out at a lower multiple.
constexpr int kLayoutPpiStep = 144;
constexpr int kLayoutPpiSteps = 25;  // 3600 pixels per inch
constexpr double kMaxFontPixels = 32767;

double layoutPpiFor(const QTextDocument *doc)
{
    double points = doc->defaultFont().pointSizeF();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        points = std::max(points, b.charFormat().fontPointSize());
        for (auto it = b.begin(); !it.atEnd(); ++it)
            points = std::max(points, it.fragment().charFormat().fontPointSize());
    }
    const int steps = points > 0 ? int(kMaxFontPixels * 72 / (points * kLayoutPpiStep)) : kLayoutPpiSteps;
    return kLayoutPpiStep * std::clamp(steps, 1, kLayoutPpiSteps);
}

// However wide the indents, a line keeps at least this much of the text
// width (or all of it when the text is narrower).
constexpr double kMinLineInches = 1.0;
// Words up to this many characters are left to Qt's line breaker, however
// wide they are.
constexpr int kShortWord = 64;
// A word is broken up in advance only when it is clearly wider than its
// line; one about as wide as the line is left to the line breaker, which
// moves it to the next line when it fits there.
constexpr double kLongWordSlack = 1.05;

constexpr char16_t kZeroWidthSpace = 0x200B;

// Indents that leave a line narrower than the minimum are cut down: the
// right indent first, then the left one; the first line starts neither
// left of the margin nor so far right that it has less room.
void fitIndents(QTextDocument *doc, double width, double ppi)
{
    const double minLine = std::min(width, kMinLineInches * ppi);
    const double maxIndents = std::max(0.0, width - minLine);
    QTextCursor cursor(doc);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        QTextBlockFormat f = b.blockFormat();
        const double left = std::clamp(f.leftMargin(), 0.0, maxIndents);
        const double right = std::clamp(f.rightMargin(), 0.0, maxIndents - left);
        const double firstStart = std::clamp(left + f.textIndent(), 0.0, maxIndents - right);
        const double indent = firstStart - left;
        if (left == f.leftMargin() && right == f.rightMargin() && indent == f.textIndent())
            continue;
        f.setLeftMargin(left);
        f.setRightMargin(right);
        f.setTextIndent(indent);
        cursor.setPosition(b.position());
        cursor.setBlockFormat(f);
    }
}

// The run of one character format inside a paragraph.
struct Piece {
    int start;
    int end;
    QTextCharFormat format;
};

std::vector<Piece> piecesOf(const QTextBlock &b)
{
    std::vector<Piece> pieces;
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (frag.isValid())
            pieces.push_back({frag.position() - b.position(), frag.position() - b.position() + frag.length(),
                              frag.charFormat()});
    }
    return pieces;
}

// The text of [start, end) of `text` with a zero-width space after every
// character (grapheme) but the last: a break opportunity at each.
QString breakable(const QString &text, int start, int end)
{
    QString out;
    out.reserve((end - start) * 2);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(start);
    int from = start;
    for (int to = graphemes.toNextBoundary(); to > 0 && to <= end; to = graphemes.toNextBoundary()) {
        out += QStringView(text).sliced(from, to - from);
        if (to < end)
            out += QChar(kZeroWidthSpace);
        from = to;
        if (to == end)
            break;
    }
    if (from < end)
        out += QStringView(text).sliced(from, end - from);
    return out;
}

// Gives every word wider than its line a break opportunity after each
// character, so the layout breaks it at the line's end as word processors
// do. Qt's line breaker would otherwise look for the end of such a word
// again for every line it fills, which takes time in the square of the
// word's length.
void breakLongWords(QTextDocument *doc, double width, const QPaintDevice *device)
{
    std::map<QString, QFontMetricsF> metrics;  // by font
    auto metricsOf = [&](const QTextCharFormat &f) -> const QFontMetricsF & {
        const QFont font(f.font(), device);
        auto it = metrics.find(font.key());
        if (it == metrics.end())
            it = metrics.emplace(font.key(), QFontMetricsF(font)).first;
        return it->second;
    };
    QTextCursor cursor(doc);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QString text = b.text();
        if (text.size() <= kShortWord)
            continue;
        const QTextBlockFormat bf = b.blockFormat();
        const double room = width - bf.leftMargin() - bf.rightMargin() - std::max(0.0, bf.textIndent());
        const std::vector<Piece> pieces = piecesOf(b);
        // Whether [start, end) is wider than `limit`, measured a stretch at
        // a time so that a long word is measured only until it is too wide.
        auto widerThan = [&](int start, int end, double limit) {
            constexpr int kStretch = 256;
            double w = 0;
            for (const Piece &p : pieces) {
                for (int a = std::max(start, p.start), z = std::min(end, p.end); a < z; a += kStretch) {
                    w += metricsOf(p.format).horizontalAdvance(text.mid(a, std::min(kStretch, z - a)));
                    if (w > limit)
                        return true;
                }
            }
            return false;
        };
        std::vector<std::pair<int, int>> words;
        QTextBoundaryFinder lineBreaks(QTextBoundaryFinder::Line, text);
        int start = 0;
        for (int pos = lineBreaks.toNextBoundary(); pos > 0; pos = lineBreaks.toNextBoundary()) {
            int end = pos;
            while (end > start && text[end - 1].isSpace())
                --end;
            if (end - start > kShortWord && widerThan(start, end, room * kLongWordSlack))
                words.emplace_back(start, end);
            start = pos;
        }
        // From the end, so that the positions before stay valid.
        for (auto w = words.rbegin(); w != words.rend(); ++w) {
            for (auto p = pieces.rbegin(); p != pieces.rend(); ++p) {
                const int a = std::max(w->first, p->start), z = std::min(w->second, p->end);
                if (a >= z)
                    continue;
                QString piece = breakable(text, a, z);
                if (z < w->second)
                    piece += QChar(kZeroWidthSpace);  // the word goes on in the next format
                cursor.setPosition(b.position() + a);
                cursor.setPosition(b.position() + z, QTextCursor::KeepAnchor);
                cursor.insertText(piece, p->format);
            }
        }
    }
}

// Ascent (the external leading included) and descent of a run's font, in
// whole twips as word processors keep them.
struct RunMetrics {
    int start;
    int end;
    int ascent;
    int descent;
};

class LineMeasure {
public:
    explicit LineMeasure(double defaultPoints) : defaultPoints_(defaultPoints) {}

    RunMetrics of(const QTextCharFormat &f, int start, int end)
    {
        double points = f.fontPointSize();
        if (points <= 0)
            points = f.font().pointSizeF() > 0 ? f.font().pointSizeF() : defaultPoints_;
        const FontLineMetrics &m = cache_.of(f.font());
        // The line's height is rounded as a whole, not as the sum of its
        // rounded parts.
        const double twips = points * 20;
        const int ascent = int(std::lround((m.ascent + m.leading) * twips));
        return {start, end, ascent, int(std::lround(m.height() * twips)) - ascent};
    }

private:
    LineMetricsCache cache_;
    double defaultPoints_;
};

ParagraphRules rulesOf(const RtfParaProps &p)
{
    ParagraphRules r;
    r.spaceBefore = p.spaceBefore;
    r.spaceAfter = p.spaceAfter;
    r.style = p.style;
    r.contextualSpacing = p.contextualSpacing;
    r.widowControl = p.widowControl;
    r.keepNext = p.keepNext;
    r.keepTogether = p.keepTogether;
    r.pageBreakBefore = p.pageBreakBefore;
    return r;
}

}  // namespace

RichDocument::PaintLayout &RichDocument::paintLayout(int width)
{
    const double ppi = layoutPixelsPerInch();
    const double pageWidth = pageTextWidthPixels();
    const double layoutWidth = std::max(1.0, pageWidth > 0 ? std::min<double>(width, pageWidth) : width);
    if (!paint_)
        paint_ = std::make_unique<PaintLayout>();
    PaintLayout &pl = *paint_;
    if (pl.ppi == ppi && pl.width == layoutWidth && pl.changes == changes_)
        return pl;

    pl.lines.clear();
    pl.pages.clear();
    // A copy of the text, so that the widget's own layout (width, margins,
    // caret) is never disturbed by painting.
    pl.doc.reset(doc_->clone());
    pl.doc->setUndoRedoEnabled(false);
    pl.doc->setDocumentMargin(0);
    // Glyph advances as the font designs them, not rounded to the pixels
    // of the device: lines then break where a word processor breaks them.
    pl.doc->setUseDesignMetrics(true);
    const double fine = layoutPpiFor(pl.doc.get());
    const double fineWidth = layoutWidth * fine / ppi;
    setResolution(pl.device, fine);
    // The copy gets its layout only after these edits, so that none of them
    // lays the text out.
    qln::richtext::applyResolution(pl.doc.get(), ppi, fine);
    fitIndents(pl.doc.get(), fineWidth, fine);
    breakLongWords(pl.doc.get(), fineWidth, &pl.device);
    pl.doc->documentLayout()->setPaintDevice(&pl.device);
    pl.doc->setTextWidth(fineWidth);
    pl.doc->documentLayout()->documentSize();  // lays out every paragraph

    LineMeasure measure(pl.doc->defaultFont().pointSizeF());
    std::vector<RunMetrics> runs;
    std::vector<LineBox> boxes;
    for (QTextBlock b = pl.doc->begin(); b.isValid(); b = b.next()) {
        const RtfParaProps props = paraPropsOf(b.blockFormat(), fine);
        runs.clear();
        for (const Piece &p : piecesOf(b))
            runs.push_back(measure.of(p.format, p.start, p.end));
        const RunMetrics mark = measure.of(b.charFormat(), 0, 0);

        boxes.clear();
        const QTextLayout *layout = b.layout();
        const int n = layout ? layout->lineCount() : 0;
        size_t r = 0;
        for (int i = 0; i < n; ++i) {
            const QTextLine line = layout->lineAt(i);
            const int from = line.textStart(), to = from + line.textLength();
            int ascent = 0, descent = 0;
            bool any = false;
            while (r < runs.size() && runs[r].end <= from)
                ++r;
            for (size_t k = r; k < runs.size() && runs[k].start < std::max(to, from + 1); ++k) {
                ascent = std::max(ascent, runs[k].ascent);
                descent = std::max(descent, runs[k].descent);
                any = true;
            }
            if (!any) {
                // An empty line (an empty paragraph, or after a line break
                // at its end) is as high as the text before it, else as the
                // paragraph mark.
                const RunMetrics &m = r > 0 && r <= runs.size() ? runs[r - 1] : mark;
                ascent = m.ascent;
                descent = m.descent;
            }
            boxes.push_back(lineBoxOf(ascent, descent, props.lineRule, props.lineValue));
            pl.lines.push_back({b, i});
        }
        if (n == 0) {
            boxes.push_back(lineBoxOf(mark.ascent, mark.descent, props.lineRule, props.lineValue));
            pl.lines.push_back({b, -1});
        }
        pl.pages.addParagraph(rulesOf(props), boxes);
    }
    pl.ppi = ppi;
    pl.layoutPpi = fine;
    pl.width = layoutWidth;
    pl.changes = changes_;
    return pl;
}

int RichDocument::lineCount(int width)
{
    return int(paintLayout(width).lines.size());
}

int RichDocument::paintPage(QPainter &painter, int left, int top, int width, int bottomLimit, int firstLine)
{
    PaintLayout &pl = paintLayout(width);
    const int count = int(pl.lines.size());
    if (firstLine < 0)
        firstLine = 0;
    if (firstLine >= count)
        return 0;

    pl.pages.setHonourHardBreaks(pageBreakMode_);
    // Pages are set in twips; the copy is laid out in its own pixels.
    const double ppi = pl.ppi;
    const double finePerTwip = pl.layoutPpi / 1440.0;
    const int end = pl.pages.pageEnd(firstLine, int(std::floor((bottomLimit - top) * 1440.0 / ppi)));
    int y = 0;  // twips from `top`
    painter.save();
    painter.setPen(Qt::black);
    painter.translate(left, top);
    painter.scale(ppi / pl.layoutPpi, ppi / pl.layoutPpi);
    for (int i = firstLine; i < end; ++i) {
        y += pl.pages.spaceAbove(i, i == firstLine);
        const LineBox &box = pl.pages.line(i).box;
        const PaintLayout::Line &l = pl.lines[size_t(i)];
        if (l.lineInBlock >= 0) {
            const QTextLayout *layout = l.block.layout();
            const QTextLine line = layout->lineAt(l.lineInBlock);
            // Qt draws the line's baseline at its own position; it is moved
            // to where the line box puts it.
            const double qtBaseline =
                line.y() + line.ascent() + (line.leadingIncluded() ? std::max(0.0, line.leading()) : 0.0);
            line.draw(&painter, QPointF(layout->position().x(), (y + box.baseline) * finePerTwip - qtBaseline));
        }
        y += box.height;
    }
    painter.restore();
    return end < count ? end : 0;
}

}  // namespace qln::richtext
