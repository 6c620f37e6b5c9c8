#include "richtext/pagelines.h"

#include <algorithm>

namespace qln::richtext {

namespace {

// Widow and orphan control keeps this many lines of a split paragraph on
// either page.
constexpr int kWidowLines = 2;
// A multiple below half a line is taken as half a line. The baseline of
// an exactly spaced line is at four fifths of it.
constexpr int kMinPercent = 50;

}  // namespace

LineBox lineBoxOf(int ascent, int descent, RtfLineRule rule, int ruleValue)
{
    const int natural = ascent + descent;
    switch (rule) {
    case RtfLineRule::Multiple: {
        // In percent of a line, at least half a line.
        const int percent = std::max(kMinPercent, ruleValue * 100 / 240);
        const int height = natural + (percent - 100) * natural / 100;
        if (percent >= 100)
            return {height, ascent, natural};
        return {height, ascent - (natural - height), height};
    }
    case RtfLineRule::AtLeast:
        if (ruleValue > natural)
            return {ruleValue, ascent + ruleValue - natural, ruleValue};
        break;
    case RtfLineRule::Exactly:
        if (ruleValue > 0)
            return {ruleValue, ruleValue * 4 / 5, ruleValue};
        break;
    case RtfLineRule::Single:
        break;
    }
    return {natural, ascent, natural};
}

ParagraphGap gapBetween(const ParagraphRules *prev, const ParagraphRules &next)
{
    ParagraphGap g;
    g.before = next.spaceBefore;
    if (!prev)
        return g;
    g.afterPrevious = prev->spaceAfter;
    if (prev->style == next.style) {
        if (prev->contextualSpacing)
            g.afterPrevious = 0;
        if (next.contextualSpacing)
            g.before = 0;
    }
    return g;
}

void PageLines::clear()
{
    lines_.clear();
    paragraphs_.clear();
}

void PageLines::addParagraph(const ParagraphRules &rules, const std::vector<LineBox> &boxes)
{
    Paragraph p;
    p.firstLine = lineCount();
    p.widowControl = rules.widowControl;
    p.keepNext = rules.keepNext;
    p.keepTogether = rules.keepTogether;
    const int index = int(paragraphs_.size());
    const ParagraphGap gap = gapBetween(paragraphs_.empty() ? nullptr : &last_, rules);
    const size_t n = std::max<size_t>(1, boxes.size());
    for (size_t i = 0; i < n; ++i) {
        Line l;
        l.box = i < boxes.size() ? boxes[i] : LineBox();
        l.paragraph = index;
        if (i == 0) {
            l.gap = gap;
            l.hardBreak = rules.pageBreakBefore;
        }
        lines_.push_back(l);
    }
    p.endLine = lineCount();
    paragraphs_.push_back(p);
    last_ = rules;
}

int PageLines::spaceAbove(int i, bool topOfPage) const
{
    const Line &l = lines_[size_t(i)];
    if (!topOfPage)
        return l.gap.afterPrevious + l.gap.before;
    return i == 0 || (hardBreaks_ && l.hardBreak) ? l.gap.before : 0;
}

int PageLines::pageEnd(int first, int room) const
{
    const int n = lineCount();
    if (first < 0)
        first = 0;
    if (first >= n)
        return n;
    int y = 0;
    int i = first;
    for (; i < n; ++i) {
        const Line &l = lines_[size_t(i)];
        if (i > first && hardBreaks_ && l.hardBreak)
            return i;
        y += spaceAbove(i, i == first);
        if (i > first && y + l.box.fitHeight > room)
            break;
        y += l.box.height;
    }
    return i < n ? keepRules(first, i) : n;
}

int PageLines::keepRules(int first, int end) const
{
    int e = end;
    const Paragraph &p = paragraphs_[size_t(lines_[size_t(e)].paragraph)];
    if (e > p.firstLine) {
        // The page break falls inside paragraph p.
        if (p.keepTogether) {
            e = p.firstLine;
        } else if (p.widowControl) {
            if (p.endLine - e < kWidowLines)
                e = p.endLine - kWidowLines;
            if (e - p.firstLine < kWidowLines)
                e = p.firstLine;
        }
    }
    // A paragraph kept with the next one follows it to the next page.
    while (e > first && e < lineCount()) {
        const Line &l = lines_[size_t(e)];
        if (paragraphs_[size_t(l.paragraph)].firstLine != e)
            break;
        const Paragraph &before = paragraphs_[size_t(lines_[size_t(e - 1)].paragraph)];
        if (!before.keepNext)
            break;
        e = before.firstLine;
    }
    // Rules that would leave nothing on this page give way.
    return e > first ? e : end;
}

}  // namespace qln::richtext
