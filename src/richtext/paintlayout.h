// The painting copy behind RichDocument::paintPage (private to the
// library): the text laid out at one resolution and width, and its lines in
// layout order. Rebuilt when the text, the zoom or the width changes.
#pragma once

#include "richtext/richdocument.h"

#include <QImage>
#include <QTextBlock>

#include <memory>
#include <vector>

namespace qln::richtext {

struct RichDocument::PaintLayout {
    struct Line {
        QTextBlock block;
        int lineInBlock;
        double top;         // in the copy's coordinates
        double height;      // to the next line of the paragraph, or its own
        bool startsPage;    // first line of a hard page break paragraph
    };

    std::unique_ptr<QTextDocument> doc;
    QImage device{1, 1, QImage::Format_RGB32};
    double ppi = 0;
    double width = -1;
    int changes = -1;
    std::vector<Line> lines;
};

}  // namespace qln::richtext
