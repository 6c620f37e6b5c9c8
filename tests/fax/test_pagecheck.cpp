// Received-page checks: line counting, copy quality and the page limits.
#include "fax/pagecheck.h"
#include "test_faxsim.h"

#include <gtest/gtest.h>

using namespace qln::fax;
using namespace qln::fax::sim;

namespace {
PageCheck checked(const Bytes &page, std::size_t chunk = 7)
{
    PageCheck c;
    c.begin(0);
    for (std::size_t i = 0; i < page.size(); i += chunk)
        c.feed(page.data() + i, std::min(chunk, page.size() - i));
    return c;
}
} // namespace

TEST(PageCheck, CountsLinesAndBadLines)
{
    PageCheck good = checked(codedTestPage(300));
    EXPECT_EQ(good.lines(), 300u);
    EXPECT_EQ(good.badLines(), 0u);
    EXPECT_TRUE(good.ended());
    EXPECT_TRUE(good.whole());

    PageCheck cut = checked(codedTestPage(300, 0, 0, false));
    EXPECT_FALSE(cut.ended());
    EXPECT_FALSE(cut.whole());

    PageCheck some = checked(codedTestPage(300, 100, 7), 512);
    EXPECT_EQ(some.lines(), 300u);
    EXPECT_EQ(some.badLines(), 7u);
    EXPECT_EQ(some.longestBadRun(), 7u);
    EXPECT_TRUE(some.usable());
}

TEST(PageCheck, UsableUpToTenBadLinesInARowAndFivePercent)
{
    EXPECT_TRUE(checked(codedTestPage(200, 20, 10)).usable());   // 10 in a row, 5 %
    EXPECT_FALSE(checked(codedTestPage(400, 20, 11)).usable());  // 11 in a row
    Bytes scattered;
    for (int part = 0; part < 11; ++part) { // 11 of 200 bad, never two together
        Bytes p = codedTestPage(17, 5, 1, false);
        scattered.insert(scattered.end(), p.begin(), p.end());
    }
    Bytes tail = codedTestPage(13);
    scattered.insert(scattered.end(), tail.begin(), tail.end());
    PageCheck c = checked(scattered);
    EXPECT_EQ(c.lines(), 200u);
    EXPECT_EQ(c.longestBadRun(), 1u);
    EXPECT_FALSE(c.usable());
    // Data with no coded line at all cannot be judged and is kept.
    EXPECT_TRUE(checked(Bytes(500, 0xA5)).usable());
}

// A damaged line costs that line only: the check starts afresh at the
// next EOL. 19 of 400 lines (4.75 %) keep the page usable.
TEST(PageCheck, ADamagedLineCostsThatLineOnly)
{
    PageCheck c = checked(codedPageWithFlippedLines(400, 21), 64);
    EXPECT_EQ(c.lines(), 400u);
    EXPECT_EQ(c.badLines(), 19u);
    EXPECT_EQ(c.longestBadRun(), 1u);
    EXPECT_TRUE(c.usable());
    EXPECT_TRUE(c.whole());
    // Every 10th line damaged (40 of 400, 10 %): unusable.
    EXPECT_FALSE(checked(codedPageWithFlippedLines(400, 10)).usable());
}

TEST(PageCheck, LimitsLinesBytesAndTime)
{
    PageCheck c;
    c.begin(100);
    const uint8_t white[6] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
    for (uint32_t i = 0; i <= PageCheck::kMaxLines; ++i)
        c.feed(white, sizeof white);
    EXPECT_FALSE(c.overLimit(100));
    c.feed(white, sizeof white);
    EXPECT_TRUE(c.overLimit(100));

    PageCheck fill;
    fill.begin(0);
    Bytes zeros(1 << 20, 0);
    for (uint64_t n = 0; n < PageCheck::kMaxBytes; n += zeros.size())
        fill.feed(zeros.data(), zeros.size());
    EXPECT_FALSE(fill.overLimit(0));
    fill.feed(zeros.data(), 1);
    EXPECT_TRUE(fill.overLimit(0));

    PageCheck slow;
    slow.begin(1000);
    const long limitTicks = PageCheck::kMaxPageSeconds * 1000 / 55;
    EXPECT_FALSE(slow.overLimit(1000 + limitTicks - 1));
    EXPECT_TRUE(slow.overLimit(1000 + limitTicks + 20));
}
