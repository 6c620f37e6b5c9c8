// RichDocument::paintPage: the text laid out once per resolution, width and
// edit in a copy of the document, its lines numbered across the whole text,
// and a page painted line by line from any line number.
#include "richtext/richdocument.h"

#include "richtext/paintlayout.h"
#include "richtext/richformat.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace qln::richtext {

RichDocument::PaintLayout &RichDocument::paintLayout(int width)
{
    const double ppi = layoutPixelsPerInch();
    const double pageWidth = pageTextWidthPixels();
    const double layoutWidth = pageWidth > 0 ? std::min<double>(width, pageWidth) : width;
    if (!paint_)
        paint_ = std::make_unique<PaintLayout>();
    PaintLayout &pl = *paint_;
    if (pl.ppi == ppi && pl.width == layoutWidth && pl.changes == changes_)
        return pl;

    pl.lines.clear();
    // A copy of the text, so that the widget's own layout (width, margins,
    // caret) is never disturbed by painting.
    pl.doc.reset(doc_->clone());
    pl.doc->setUndoRedoEnabled(false);
    pl.doc->setDocumentMargin(0);
    setResolution(pl.device, ppi);
    pl.doc->documentLayout()->setPaintDevice(&pl.device);
    qln::richtext::applyResolution(pl.doc.get(), ppi);
    pl.doc->setTextWidth(std::max(1.0, layoutWidth));
    pl.doc->documentLayout()->documentSize();  // lays out every paragraph

    for (QTextBlock b = pl.doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout *layout = b.layout();
        if (!layout)
            continue;
        const QPointF origin = layout->position();
        const int n = layout->lineCount();
        for (int i = 0; i < n; ++i) {
            const QTextLine line = layout->lineAt(i);
            const double top = origin.y() + line.y();
            double height = line.height();
            if (i + 1 < n)
                height = std::max(height, layout->lineAt(i + 1).y() - line.y());
            pl.lines.push_back({b, i, top, height, i == 0 && isPageBreak(b.blockFormat())});
        }
    }
    pl.ppi = ppi;
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
    const PaintLayout &pl = paintLayout(width);
    const int count = int(pl.lines.size());
    if (firstLine < 0)
        firstLine = 0;
    if (firstLine >= count)
        return 0;

    const double origin = pl.lines[firstLine].top;
    const double room = bottomLimit - top;
    int next = firstLine;
    painter.save();
    painter.setPen(Qt::black);
    while (next < count) {
        const PaintLayout::Line &line = pl.lines[next];
        const bool pageFull = line.top + line.height - origin > room;
        const bool hardBreak = pageBreakMode_ && line.startsPage;
        // The first line of a page is always painted, even when it is taller
        // than the page, so that a page loop always ends.
        if (next > firstLine && (pageFull || hardBreak))
            break;
        const QTextLayout *layout = line.block.layout();
        const QPointF at(left + layout->position().x(), top + layout->position().y() - origin);
        layout->lineAt(line.lineInBlock).draw(&painter, at);
        ++next;
    }
    painter.restore();
    return next < count ? next : 0;
}

}  // namespace qln::richtext
