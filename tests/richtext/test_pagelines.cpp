// PageLines: line boxes under the spacing rules, the space between
// paragraphs, and where pages end (widows, orphans, keeps, hard breaks).
#include "richtext/pagelines.h"

#include <gtest/gtest.h>

using namespace qln::richtext;

namespace {

// A text of paragraphs with the given line counts, every line 10 high.
PageLines text(const std::vector<int> &lineCounts, const std::vector<ParagraphRules> &rules = {})
{
    PageLines pages;
    for (size_t i = 0; i < lineCounts.size(); ++i)
        pages.addParagraph(i < rules.size() ? rules[i] : ParagraphRules(),
                           std::vector<LineBox>(size_t(lineCounts[i]), LineBox{10, 8, 10}));
    return pages;
}

ParagraphRules widows()
{
    ParagraphRules r;
    r.widowControl = true;
    return r;
}

}  // namespace

TEST(LineBoxRules, ExtraSpaceOfEachRuleGoesWhereWordProcessorsPutIt)
{
    // ascent 24 (leading included), descent 6: a single line is 30.
    LineBox b = lineBoxOf(24, 6, RtfLineRule::Single, 0);
    EXPECT_EQ(b.height, 30);
    EXPECT_EQ(b.baseline, 24);
    // 1.5 lines: the extra below the text.
    b = lineBoxOf(24, 6, RtfLineRule::Multiple, 360);
    EXPECT_EQ(b.height, 45);
    EXPECT_EQ(b.baseline, 24);
    EXPECT_EQ(b.fitHeight, 30);
    // Below one line the text moves up; never below half a line.
    b = lineBoxOf(24, 6, RtfLineRule::Multiple, 60);
    EXPECT_EQ(b.height, 15);
    EXPECT_EQ(b.baseline, 9);
    // At least 50: the extra above the text; at least 20 is the line itself.
    b = lineBoxOf(24, 6, RtfLineRule::AtLeast, 50);
    EXPECT_EQ(b.height, 50);
    EXPECT_EQ(b.baseline, 44);
    EXPECT_EQ(b.fitHeight, 50);
    b = lineBoxOf(24, 6, RtfLineRule::AtLeast, 20);
    EXPECT_EQ(b.height, 30);
    // Exactly 50, smaller or larger than the font: baseline at 4/5.
    b = lineBoxOf(24, 6, RtfLineRule::Exactly, 50);
    EXPECT_EQ(b.height, 50);
    EXPECT_EQ(b.baseline, 40);
    b = lineBoxOf(24, 6, RtfLineRule::Exactly, 20);
    EXPECT_EQ(b.height, 20);
}

TEST(ParagraphGaps, SpacesAddUpExceptBetweenContextualParagraphsOfOneStyle)
{
    ParagraphRules a, b;
    a.spaceAfter = 12;
    b.spaceBefore = 6;
    ParagraphGap g = gapBetween(&a, b);
    EXPECT_EQ(g.afterPrevious + g.before, 18);
    EXPECT_EQ(gapBetween(nullptr, b).before, 6);

    a.contextualSpacing = b.contextualSpacing = true;
    a.style = b.style = 3;
    g = gapBetween(&a, b);
    EXPECT_EQ(g.afterPrevious + g.before, 0);
    // Only the paragraph that asks drops its space.
    b.contextualSpacing = false;
    g = gapBetween(&a, b);
    EXPECT_EQ(g.afterPrevious, 0);
    EXPECT_EQ(g.before, 6);
    // Another style keeps both.
    b.contextualSpacing = true;
    b.style = 4;
    g = gapBetween(&a, b);
    EXPECT_EQ(g.afterPrevious + g.before, 18);
}

TEST(PageEnds, SpaceBeforeIsDroppedAtTheTopOfAPageUnlessAHardBreakStartsIt)
{
    ParagraphRules r;
    r.spaceBefore = 5;
    r.spaceAfter = 5;
    PageLines pages = text({1, 1, 1, 1}, {r, r, r, r});
    // The text's first line keeps its space before; between paragraphs
    // both spaces count; at a soft page top none.
    EXPECT_EQ(pages.spaceAbove(0, true), 5);
    EXPECT_EQ(pages.spaceAbove(2, false), 10);
    EXPECT_EQ(pages.spaceAbove(2, true), 0);
    // 5 + 10 + 10 + 10 = 35 fits two lines; the third needs 55.
    EXPECT_EQ(pages.pageEnd(0, 54), 2);
    EXPECT_EQ(pages.pageEnd(0, 55), 3);
    // From a soft page top: 10, the gap of 10, 10; the space after the
    // page's last line need not fit.
    EXPECT_EQ(pages.pageEnd(2, 30), 4);
    EXPECT_EQ(pages.pageEnd(2, 29), 3);

    ParagraphRules broken = r;
    broken.pageBreakBefore = true;
    pages = text({1, 1}, {r, broken});
    EXPECT_EQ(pages.pageEnd(0, 1000), 1);
    EXPECT_EQ(pages.spaceAbove(1, true), 5);
    // Without the page-break mode a break is just a paragraph.
    pages.setHonourHardBreaks(false);
    EXPECT_EQ(pages.pageEnd(0, 1000), 2);
    EXPECT_EQ(pages.spaceAbove(1, true), 0);
}

TEST(PageEnds, WidowAndOrphanControlKeepTwoLinesOnEachPage)
{
    // Lines 0-3 one paragraph each, then a paragraph of 4 lines (4-7).
    const std::vector<ParagraphRules> rules{{}, {}, {}, {}, widows()};
    PageLines pages = text({1, 1, 1, 1, 4}, rules);
    // Room for 5 lines would leave one line of it alone: it moves whole.
    EXPECT_EQ(pages.pageEnd(0, 50), 4);
    // Room for 7 would carry one line over: two go.
    EXPECT_EQ(pages.pageEnd(0, 70), 6);
    EXPECT_EQ(pages.pageEnd(0, 60), 6);
    // Without the control the page is simply full.
    PageLines plain = text({1, 1, 1, 1, 4});
    EXPECT_EQ(plain.pageEnd(0, 50), 5);
    EXPECT_EQ(plain.pageEnd(0, 70), 7);
    // A paragraph of three lines cannot be split at all.
    pages = text({1, 3}, {{}, widows()});
    EXPECT_EQ(pages.pageEnd(0, 30), 1);
}

TEST(PageEnds, KeepsMoveParagraphsToTheNextPage)
{
    ParagraphRules heading;
    heading.keepNext = true;
    ParagraphRules together;
    together.keepTogether = true;
    // Two paragraphs, a heading kept with the next, then a long paragraph.
    PageLines pages = text({1, 1, 1, 5}, {{}, {}, heading, {}});
    EXPECT_EQ(pages.pageEnd(0, 30), 2);   // the heading would end the page
    EXPECT_EQ(pages.pageEnd(0, 40), 4);   // with a line after it, it stays
    // A chain of headings goes together.
    pages = text({1, 1, 1, 5}, {{}, heading, heading, {}});
    EXPECT_EQ(pages.pageEnd(0, 30), 1);
    // Lines kept together move as a whole.
    pages = text({2, 4}, {{}, together});
    EXPECT_EQ(pages.pageEnd(0, 50), 2);
}

TEST(PageEnds, RulesThatWouldEmptyThePageGiveWay)
{
    // A paragraph longer than the page that must not be split.
    ParagraphRules together;
    together.keepTogether = true;
    PageLines pages = text({8}, {together});
    EXPECT_EQ(pages.pageEnd(0, 50), 5);
    // Headings kept with the next from the top of the page.
    ParagraphRules heading;
    heading.keepNext = true;
    pages = text({1, 1, 5}, {heading, heading, {}});
    EXPECT_EQ(pages.pageEnd(0, 20), 2);
    // The space a multiple of a line adds below the text of a page's last
    // line need not fit.
    PageLines spaced;
    spaced.addParagraph({}, std::vector<LineBox>(4, lineBoxOf(8, 2, RtfLineRule::Multiple, 480)));
    EXPECT_EQ(spaced.pageEnd(0, 50), 3);
    EXPECT_EQ(spaced.pageEnd(0, 49), 2);
    // The first line is painted even when it does not fit.
    pages = text({1, 1});
    EXPECT_EQ(pages.pageEnd(0, 5), 1);
    EXPECT_EQ(pages.pageEnd(1, 5), 2);
    EXPECT_EQ(pages.pageEnd(5, 100), 2);
}
