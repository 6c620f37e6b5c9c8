// Print layout rules without a printer: when sheets start, where each page
// goes with several to a sheet, the printed size in both scale modes, and
// header/footer template expansion.
#include "faximage/printlayout.h"

#include <gtest/gtest.h>

using namespace qln::fax;

TEST(PrintLayout, SheetsStartEveryPageOrEveryFourthOrSecond)
{
    EXPECT_FALSE(startsNewSheet(2, 2, false, false));
    EXPECT_TRUE(startsNewSheet(3, 2, false, false));
    // Four to a sheet in portrait, counted from the first page printed.
    for (int p = 2; p <= 9; ++p)
        EXPECT_EQ(startsNewSheet(p, 2, true, false), p == 6) << p;
    // Two to a sheet in landscape.
    for (int p = 2; p <= 7; ++p)
        EXPECT_EQ(startsNewSheet(p, 2, true, true), p == 4 || p == 6) << p;
}

TEST(PrintLayout, PortraitQuartersRunTopLeftTopRightBottomLeftBottomRight)
{
    const PrintRect sheet{0, 0, 1000, 1400};
    EXPECT_EQ(pageCell(sheet, 2, 2, true, false), (PrintRect{2, 2, 498, 698}));
    EXPECT_EQ(pageCell(sheet, 3, 2, true, false), (PrintRect{502, 2, 998, 698}));
    EXPECT_EQ(pageCell(sheet, 4, 2, true, false), (PrintRect{2, 702, 498, 1398}));
    EXPECT_EQ(pageCell(sheet, 5, 2, true, false), (PrintRect{502, 702, 998, 1398}));
    EXPECT_EQ(pageCell(sheet, 6, 2, true, false), pageCell(sheet, 2, 2, true, false));
    EXPECT_EQ(pageCell(sheet, 3, 2, false, false), sheet);
}

TEST(PrintLayout, LandscapeHalvesRunLeftThenRight)
{
    const PrintRect sheet{0, 0, 1400, 1000};
    EXPECT_EQ(pageCell(sheet, 2, 2, true, true), (PrintRect{2, 2, 698, 998}));
    EXPECT_EQ(pageCell(sheet, 3, 2, true, true), (PrintRect{702, 2, 1398, 998}));
    EXPECT_EQ(pageCell(sheet, 4, 2, true, true), (PrintRect{2, 2, 698, 998}));
    EXPECT_EQ(pageCell(sheet, 5, 2, true, true), (PrintRect{702, 2, 1398, 998}));
}

TEST(PrintLayout, PrintedSizeKeepsTheFaxPagesAspectAndStaysInTheCell)
{
    // A fine page (or a normal one with its lines doubled): 1728 x 2200
    // pixels are 8.47 x 11.22 inches.
    // Real size at 600 dpi: 5082 x 6735 printer pixels.
    const PrintRect tall{0, 100, 4800, 6500};  // 8 x 10.67 inches at 600 dpi
    PrintSize fit = printedSize(tall, 1728, 2200, true, 600);
    EXPECT_EQ(fit.width, 4800);  // the width limits here
    EXPECT_EQ(fit.height, 6361);
    fit = printedSize(PrintRect{0, 0, 4800, 5000}, 1728, 2200, true, 600);
    EXPECT_EQ(fit.width, 3773);  // the height limits here
    EXPECT_EQ(fit.height, 5000);
    fit = printedSize(tall, 1728, 2200, true, 600);
    // Natural size on a cell that takes it whole: the real size.
    PrintSize natural = printedSize(PrintRect{0, 0, 6000, 7000}, 1728, 2200, false, 600);
    EXPECT_EQ(natural.width, 5082);
    EXPECT_EQ(natural.height, 6735);
    // Natural on a smaller cell shrinks at the same aspect instead of
    // cutting the right edge or squeezing the height.
    natural = printedSize(tall, 1728, 2200, false, 600);
    EXPECT_EQ(natural.width, fit.width);
    EXPECT_EQ(natural.height, fit.height);
    // Fit enlarges a small page until one side meets the cell.
    fit = printedSize(PrintRect{0, 0, 1000, 5000}, 1728, 1100, true, 200);
    EXPECT_EQ(fit.width, 1000);
    EXPECT_EQ(fit.height, 662);  // 1694 x 1122 real size
    // A wide page keeps the density too and never leaves the cell.
    fit = printedSize(tall, 2048, 2200, true, 600);
    EXPECT_LE(fit.width, 4800);
    EXPECT_LE(fit.height, 6400);
    EXPECT_NEAR(double(fit.width) / fit.height, (2048 / 204.0) / (2200 / 196.0), 0.002);
    // The image sits at the top of its cell, centred across.
    const PrintRect at = printedRect(tall, PrintSize{4000, 6400});
    EXPECT_EQ(at, (PrintRect{400, 100, 4400, 6500}));
    EXPECT_EQ(printedSize(PrintRect{0, 0, 0, 0}, 1728, 2200, true, 600).width, 0);
    EXPECT_EQ(mulDiv(5, 3, 2), 8);
    EXPECT_EQ(mulDiv(7, 1, 0), 0);
}

TEST(PrintLayout, TemplateTokensAreReplacedAndUnknownOnesRemoved)
{
    MarginValues v;
    v.date = "3/5/26";
    v.time = "9:12:00 am";
    v.fileName = "/d/receive/FAX0001.APF";
    v.page = 3;
    v.pageCount = 7;
    EXPECT_EQ(expandMarginTemplate("Page: $P of $N", v), "Page: 3 of 7");
    EXPECT_EQ(expandMarginTemplate("FILE: $F", v), "FILE: /d/receive/FAX0001.APF");
    EXPECT_EQ(expandMarginTemplate("$d $t $p/$n", v), "3/5/26 9:12:00 am 3");  // "$p/$n" is one token
    EXPECT_EQ(expandMarginTemplate("a $X b", v), "a  b");
    EXPECT_EQ(expandMarginTemplate("end $", v), "end ");
    v.fileName = "cost$N.apf";
    EXPECT_EQ(expandMarginTemplate("$F $P", v), "cost$N.apf 3");  // inserted text is not expanded
}
