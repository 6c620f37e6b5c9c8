// The painting copy behind RichDocument::paintPage (private to the
// library): the text laid out at one resolution and width, its lines in
// layout order with their boxes as a word processor sets them. Rebuilt when
// the text, the zoom or the width changes.
#pragma once

#include "richtext/pagelines.h"
#include "richtext/richdocument.h"

#include <QImage>
#include <QTextBlock>

#include <memory>
#include <vector>

namespace qln::richtext {

struct RichDocument::PaintLayout {
    struct Line {
        QTextBlock block;
        int lineInBlock;  // -1: a paragraph Qt gave no line (nothing to draw)
    };

    std::unique_ptr<QTextDocument> doc;
    QImage device{1, 1, QImage::Format_RGB32};
    double ppi = 0;        // the resolution painted at
    double layoutPpi = 0;  // the copy's own resolution (richpaint.cpp)
    double width = -1;
    int changes = -1;
    std::vector<Line> lines;  // in step with pages' lines
    PageLines pages;
};

}  // namespace qln::richtext
