// Lines and pages as a word processor sets them: the height and baseline of
// a line under the paragraph's line-spacing rule, the space between
// paragraphs, and which lines go on a page (hard page breaks, widow and
// orphan control, keep together, keep with next).
//
// Lengths are in twips, whole ones, and the arithmetic is integer where
// word processors' is (a multiple of a line drops the fraction of a twip),
// so that a page of many lines adds up as it does there; the page painter
// (richpaint.cpp) measures the lines and feeds them in.
#pragma once

#include "richtext/rtfmodel.h"

#include <vector>

namespace qln::richtext {

// A line box: its height, the baseline's distance from its top, and how
// much of it must fit above the bottom of a page (the space a multiple of
// a line adds below the text need not).
struct LineBox {
    int height = 0;
    int baseline = 0;
    int fitHeight = 0;
};

// The box of a line whose fonts reach `ascent` above the baseline (the
// fonts' external leading included) and `descent` below it, under the
// paragraph's rule; `ruleValue` is in twips for AtLeast and Exactly and in
// 240ths of a line for Multiple.
//  - Single: ascent + descent.
//  - Multiple: that times the multiple (at least half of it); the extra
//    space goes below the text (a page's last line needs room only for its
//    text), a smaller line is taken from above.
//  - AtLeast: at least the value, the extra space above the text.
//  - Exactly: the value, the baseline at four fifths of it.
LineBox lineBoxOf(int ascent, int descent, RtfLineRule rule, int ruleValue);

// The spacing rules of one paragraph.
struct ParagraphRules {
    int spaceBefore = 0;
    int spaceAfter = 0;
    int style = 0;
    bool contextualSpacing = false;
    bool widowControl = false;
    bool keepNext = false;
    bool keepTogether = false;
    bool pageBreakBefore = false;
};

// The space above the first line of `next` when `prev` comes before it
// (nullptr at the start of the text): the previous paragraph's space after
// and this one's space before, both kept. Contextual spacing drops a
// paragraph's space toward a neighbour of the same style.
struct ParagraphGap {
    int afterPrevious = 0;
    int before = 0;
};
ParagraphGap gapBetween(const ParagraphRules *prev, const ParagraphRules &next);

// The lines of a text in order, with what pagination needs of them.
class PageLines {
public:
    struct Line {
        LineBox box;
        ParagraphGap gap;   // non-zero only on a paragraph's first line
        int paragraph = 0;  // index into paragraphs()
        bool hardBreak = false;  // first line of a paragraph that starts a page
    };
    struct Paragraph {
        int firstLine = 0;
        int endLine = 0;  // one past its last line
        bool widowControl = false;
        bool keepNext = false;
        bool keepTogether = false;
    };

    void clear();
    // Appends a paragraph's lines (at least one).
    void addParagraph(const ParagraphRules &rules, const std::vector<LineBox> &boxes);

    int lineCount() const { return int(lines_.size()); }
    const Line &line(int i) const { return lines_[size_t(i)]; }
    const std::vector<Paragraph> &paragraphs() const { return paragraphs_; }

    // With the page-break mode on, a page ends before every hard break.
    void setHonourHardBreaks(bool on) { hardBreaks_ = on; }

    // The end (one past the last line) of the page that starts with line
    // `first`, `room` twips high. Lines are filled in while their boxes
    // fit (the space after a page's last paragraph and below its last
    // line's text need not); then the
    // break moves up for widow and orphan control (at least two lines of a
    // split paragraph on each page), to keep a paragraph's lines together,
    // and to keep a paragraph with the next one, unless that would leave
    // the page empty. The first line always goes on the page, however
    // tall. Returns lineCount() when the text ends on this page.
    int pageEnd(int first, int room) const;

    // The space above line `i`: at the top of a page only the text's first
    // paragraph and a paragraph after a hard page break keep their space
    // before; elsewhere on a page both spaces of a paragraph gap count.
    int spaceAbove(int i, bool topOfPage) const;

private:
    int keepRules(int first, int end) const;

    std::vector<Line> lines_;
    std::vector<Paragraph> paragraphs_;
    ParagraphRules last_;
    bool hardBreaks_ = true;
};

}  // namespace qln::richtext
