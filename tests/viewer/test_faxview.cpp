// The view object of the fax viewer control: opening, pages, rotation,
// scaling and scroll ranges, keys, marking and copying.
#include "viewertestfax.h"

#include "faximage/unpackercore.h"
#include "viewer/faxview.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace qln::viewer;
using namespace qln::viewer::test;
using qln::fax::MonoBitmap;
using qln::fax::test::TempDir;

namespace {

bool black(const MonoBitmap &bm, int x, int y)
{
    return !bm.pixel(x, y);  // page bitmaps: 0 = black
}

class FaxView : public ::testing::Test {
protected:
    void SetUp() override
    {
        fine3 = dir.file("fine3.apf");
        writeSampleFax(fine3, 3, 2200, true);
        view.onPageChange = [this](int p) { changes.push_back(p); };
        view.onViewerError = [this](int c) { errors.push_back(c); };
    }

    TempDir dir;
    std::string fine3;
    TViewer view;
    std::vector<int> changes, errors;
};

TEST_F(FaxView, OpensAFaxAndRefusesWhatIsNotOne)
{
    EXPECT_EQ(view.curPage(), 0);
    EXPECT_EQ(view.setFile(dir.file("missing.apf")), vwFileNotFound);
    const std::string text = dir.file("note.txt");
    std::ofstream(text) << "not a fax at all\n";
    EXPECT_EQ(view.setFile(text), vwNotApfFile);
    EXPECT_FALSE(view.hasFile());

    ASSERT_EQ(view.setFile(fine3), 0);
    EXPECT_EQ(view.numPages(), 3);
    EXPECT_EQ(view.curPage(), 1);
    EXPECT_EQ(view.pageDim(), (ViewRect{0, 0, 1727, 2199}));
    EXPECT_EQ(changes, std::vector<int>{1});
    // Only the current page is held by default.
    EXPECT_TRUE(view.page(1)->held());
    EXPECT_FALSE(view.page(2)->held());

    // A failed open leaves the shown file in place.
    EXPECT_EQ(view.setFile(text), vwNotApfFile);
    EXPECT_EQ(view.curPage(), 1);

    // An empty name clears the view without error.
    EXPECT_EQ(view.setFile(""), 0);
    EXPECT_EQ(view.curPage(), 0);
    EXPECT_EQ(view.pageDim(), (ViewRect{0, 0, 0, 0}));
    EXPECT_TRUE(errors.empty());
}

TEST_F(FaxView, PagesChangeWithinTheFileOnly)
{
    ASSERT_EQ(view.setFile(fine3), 0);
    EXPECT_EQ(view.gotoPage(0), vwBadArgument);
    EXPECT_EQ(view.gotoPage(4), vwBadArgument);
    view.prevPage();  // at the first page: nothing
    EXPECT_EQ(view.curPage(), 1);
    view.lastPage();
    EXPECT_EQ(view.curPage(), 3);
    changes.clear();
    view.nextPage();  // at the last page: nothing
    EXPECT_EQ(view.curPage(), 3);
    EXPECT_TRUE(changes.empty());
    // A page change frees the other pages; the shown page is page 3's.
    EXPECT_FALSE(view.page(1)->held());
    EXPECT_TRUE(black(view.displayedBitmap(), 24, 30));
    EXPECT_FALSE(black(view.displayedBitmap(), 8, 10));
    view.firstPage();
    EXPECT_EQ(view.curPage(), 1);
    EXPECT_TRUE(black(view.displayedBitmap(), 8, 10));
}

TEST_F(FaxView, LoadWholeFaxHoldsEveryPageAndSwitchingOffKeepsTheCurrent)
{
    ASSERT_EQ(view.setLoadWholeFax(true), 0);
    ASSERT_EQ(view.setFile(fine3), 0);
    for (int p = 1; p <= 3; ++p)
        EXPECT_TRUE(view.page(p)->held()) << p;
    view.gotoPage(2);
    EXPECT_TRUE(view.page(1)->held());
    ASSERT_EQ(view.setLoadWholeFax(false), 0);
    EXPECT_FALSE(view.page(1)->held());
    EXPECT_TRUE(view.page(2)->held());
    EXPECT_FALSE(view.page(3)->held());
}

TEST(Rotation, QuarterTurnsMapPixelsExactly)
{
    MonoBitmap src(20, 10, 4);  // 32-bit rows: W' = 32
    std::fill(src.bits.begin(), src.bits.end(), uint8_t(0xFF));
    src.setPixel(3, 2, false);
    src.setPixel(17, 9, false);  // beyond 16: in the partial last byte
    MonoBitmap cw;
    ASSERT_EQ(rotateQuarterClockwise(src, cw), 0);
    EXPECT_EQ(cw.width, 10);
    EXPECT_EQ(cw.height, 32);
    EXPECT_EQ(cw.bytesPerLine % 2, 0);
    EXPECT_FALSE(cw.pixel(10 - 1 - 2, 3));  // (H - 1 - y, x)
    // Columns from W rounded down to 8 (16) on are white.
    for (int y = 16; y < 32; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_TRUE(cw.pixel(x, y)) << x << "," << y;

    MonoBitmap ccw;
    ASSERT_EQ(rotateQuarterCounterClockwise(src, ccw), 0);
    EXPECT_EQ(ccw.width, 10);
    EXPECT_FALSE(ccw.pixel(2, 32 - 1 - 3));  // (y, W' - 1 - x)

    // A half turn reverses whole rows: the content moves by the pad bits.
    MonoBitmap half = src;
    rotateHalf(half);
    EXPECT_FALSE(half.pixel(32 - 1 - 3, 10 - 1 - 2));
    // Where the width fills the rows, two half turns give the page back.
    MonoBitmap full(32, 10, 4);
    std::fill(full.bits.begin(), full.bits.end(), uint8_t(0xFF));
    full.setPixel(3, 2, false);
    full.setPixel(30, 9, false);
    MonoBitmap twice = full;
    rotateHalf(twice);
    EXPECT_NE(twice.bits, full.bits);
    rotateHalf(twice);
    EXPECT_EQ(twice.bits, full.bits);
}

TEST_F(FaxView, RotatingNinetyThenTwoSeventyIsAHalfTurnOfTheHeldPage)
{
    ASSERT_EQ(view.setFile(fine3), 0);
    MonoBitmap expected;
    ASSERT_EQ(rotateQuarterClockwise(view.page(1)->bitmap, expected), 0);
    rotateHalf(expected);

    ASSERT_EQ(view.setRotation(1), 0);
    EXPECT_EQ(view.pageDim(), (ViewRect{0, 0, 2199, 1727}));
    // Page 1's block at x 8..15, y 10..13 lands at x = H - 1 - y, y = x.
    EXPECT_TRUE(black(view.displayedBitmap(), 2199 - 10, 8));
    ASSERT_EQ(view.setRotation(3), 0);
    EXPECT_EQ(view.rotation(), 3);
    EXPECT_EQ(view.page(1)->bitmap.bits, expected.bits);
    EXPECT_EQ(view.pageDim(), (ViewRect{0, 0, 2199, 1727}));

    const uint64_t gen = view.displayGeneration();
    changes.clear();
    EXPECT_EQ(view.setRotation(3), 0);  // the current rotation: nothing
    EXPECT_EQ(view.displayGeneration(), gen);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(view.setRotation(4), vwBadArgument);

    // A page shown later is rotated as it is unpacked.
    view.gotoPage(2);
    EXPECT_TRUE(black(view.displayedBitmap(), 20, 1727 - 16));
}

TEST_F(FaxView, HalfScaleScrollsOverHalfThePage)
{
    ASSERT_EQ(view.setFile(fine3), 0);
    view.setClientSize(400, 300);
    view.startUpdate();
    view.setScale(1, 2, 1, 2);
    EXPECT_EQ(view.scaledWidth(), 1728);  // not re-shown during an update
    view.endUpdate();
    EXPECT_EQ(view.scaledWidth(), 864);
    EXPECT_EQ(view.scaledHeight(), 1100);
    EXPECT_EQ(view.hRange(), 864 - 400);
    EXPECT_EQ(view.vRange(), 1100 - 300);
    EXPECT_EQ(view.displayedBitmap().width, 864);
    EXPECT_EQ(view.displayedBitmap().height, 1100);
    // Black wins where pixels merge: the lone pixel (13, 5) survives.
    EXPECT_TRUE(black(view.displayedBitmap(), 6, 2));

    int dx = 0, dy = 0;
    view.scrollBy(10000, -5, &dx, &dy);
    EXPECT_EQ(view.hOffset(), 464);
    EXPECT_EQ(dx, 464);
    EXPECT_EQ(dy, 0);

    // Equal pairs are kept as 1/1.
    view.setScale(3, 3, 2, 2);
    EXPECT_EQ(view.hMult(), 1u);
    EXPECT_EQ(view.scaledWidth(), 1728);
    EXPECT_EQ(view.hOffset(), 0);
}

TEST_F(FaxView, CopyGivesTheMarkedBlockAtItsDisplayedSize)
{
    MonoBitmap out;
    EXPECT_EQ(view.copy(out), vwNoImageLoaded);
    EXPECT_EQ(view.selectAll(), vwNoImageLoaded);
    ASSERT_EQ(view.setFile(fine3), 0);
    EXPECT_EQ(view.copy(out), vwNoBlockMarked);

    view.setScale(1, 2, 1, 2);
    ASSERT_EQ(view.select({0, 0, 99, 99}), 0);
    ASSERT_EQ(view.copy(out), 0);
    EXPECT_EQ(out.width, 100);
    EXPECT_EQ(out.height, 100);
    // Page 1's block (x 8..15, y 10..13) at half scale: x 4..7, y 5..6.
    EXPECT_TRUE(black(out, 5, 5));
    EXPECT_FALSE(black(out, 20, 20));

    // A selection is clipped to the page and normalised.
    ASSERT_EQ(view.select({900, 1200, 850, 1050}), 0);
    EXPECT_EQ(view.markRect(), (ViewRect{850, 1050, 863, 1099}));
    // A page change clears the mark.
    view.gotoPage(2);
    EXPECT_EQ(view.copy(out), vwNoBlockMarked);
}

TEST_F(FaxView, MouseDragMarksANormalisedRectangle)
{
    ASSERT_EQ(view.setFile(fine3), 0);
    view.setClientSize(400, 300);
    view.scrollTo(100, 50);
    ASSERT_TRUE(view.mouseDown(50, 40));
    ViewRect repaint;
    ASSERT_TRUE(view.mouseMove(10, 20, &repaint));  // up and left of the start
    EXPECT_EQ(view.markRect(), (ViewRect{110, 70, 150, 90}));
    EXPECT_EQ(repaint, (ViewRect{110, 70, 150, 90}));
    ASSERT_TRUE(view.mouseMove(70, 30, nullptr));  // now right of the start
    EXPECT_EQ(view.markRect(), (ViewRect{150, 80, 170, 90}));
    EXPECT_FALSE(view.mouseMove(500, 30, nullptr));  // outside: the timer's job
    view.autoScrollTick(450, 30);  // 50 beyond the edge: two steps
    EXPECT_EQ(view.hOffset(), 116);
    EXPECT_EQ(view.markRect().right, 116 + 399);
    view.mouseUp();
    EXPECT_TRUE(view.marked());

    // A click without movement leaves no mark.
    ASSERT_TRUE(view.mouseDown(5, 5));
    view.mouseUp();
    EXPECT_FALSE(view.marked());
}

TEST_F(FaxView, KeysScrollAndTurnPages)
{
    ASSERT_EQ(view.setFile(fine3), 0);
    view.setClientSize(400, 300);
    view.keyDown(ViewKey::Down, false);
    EXPECT_EQ(view.vOffset(), 8);
    view.keyDown(ViewKey::Down, true);
    EXPECT_EQ(view.vOffset(), 88);
    view.keyDown(ViewKey::PageDown, true);
    EXPECT_EQ(view.vOffset(), 2200 - 300);
    view.keyDown(ViewKey::PageUp, true);
    EXPECT_EQ(view.vOffset(), 0);
    view.keyDown(ViewKey::End, false);
    EXPECT_EQ(view.hOffset(), 1728 - 400);
    view.keyDown(ViewKey::Home, false);
    EXPECT_EQ(view.hOffset(), 0);
    view.keyDown(ViewKey::PageDown, false);
    EXPECT_EQ(view.curPage(), 2);
    view.keyDown(ViewKey::End, true);
    EXPECT_EQ(view.curPage(), 3);
    view.keyDown(ViewKey::Home, true);
    EXPECT_EQ(view.curPage(), 1);

    // A page that fits: End stays at the left edge.
    view.setClientSize(2000, 3000);
    view.keyDown(ViewKey::End, false);
    EXPECT_EQ(view.hOffset(), 0);
}

TEST_F(FaxView, NormalPagesFollowTheAutoScaleMode)
{
    const std::string normal = dir.file("normal.apf");
    writeSampleFax(normal, 1, 100, false);
    ASSERT_EQ(view.setFile(normal), 0);
    EXPECT_EQ(view.pageDim(), (ViewRect{0, 0, 1727, 199}));  // double height
    view.setAutoScale(qln::fax::ufHalfWidth);
    ASSERT_EQ(view.setFile(normal), 0);
    // Lines are halved; the bitmap keeps the page's full width.
    EXPECT_EQ(view.pageDim(), (ViewRect{0, 0, 1727, 99}));
    EXPECT_TRUE(black(view.displayedBitmap(), 5, 11));
    EXPECT_FALSE(black(view.displayedBitmap(), 12, 11));
    EXPECT_EQ(view.setWhitespace(0, 5), vwBadArgument);
}

TEST_F(FaxView, DroppedFilesOpenTheFirstAndANonFaxIsRefused)
{
    ASSERT_EQ(view.setFile(fine3), 0);
    const std::string other = dir.file("other.apf");
    writeSampleFax(other, 1, 50, true);
    const std::string text = dir.file("letter.txt");
    std::ofstream(text) << "Dear sir\n";
    EXPECT_EQ(view.dropFiles({text, other}), vwNotApfFile);
    EXPECT_EQ(view.fileName(), fine3);
    EXPECT_EQ(view.dropFiles({other, text}), 0);
    EXPECT_EQ(view.fileName(), other);
    EXPECT_EQ(view.numPages(), 1);
}

TEST_F(FaxView, ADamagedFaxWithAGoodSignatureLeavesTheShownFaxInPlace)
{
    ASSERT_EQ(view.setFile(fine3), 0);
    view.gotoPage(2);
    const std::vector<uint8_t> good = qln::fax::test::readFile(fine3);
    // A bad header, and a good header whose page 1 is cut off.
    const std::string badHeader = dir.file("badheader.apf"), cut = dir.file("cut.apf");
    {
        std::ofstream f(badHeader, std::ios::binary);
        f.write(reinterpret_cast<const char *>(good.data()), 6);
        f << std::string(80, '\xff');
    }
    {
        std::ofstream f(cut, std::ios::binary);
        f.write(reinterpret_cast<const char *>(good.data()), std::streamsize(qln::fax::kApfFileHeaderSize + 20));
    }
    for (const std::string &bad : {badHeader, cut}) {
        EXPECT_LT(view.dropFiles({bad}), 0) << bad;
        EXPECT_EQ(view.fileName(), fine3) << bad;
        EXPECT_TRUE(view.hasFile()) << bad;
        EXPECT_EQ(view.curPage(), 2) << bad;
        EXPECT_FALSE(view.displayedBitmap().isNull()) << bad;
    }
}

TEST_F(FaxView, ARotatedPageStartsWhereItsTextBegins)
{
    ASSERT_EQ(view.setFile(fine3), 0);
    view.setClientSize(600, 400);
    // A quarter turn clockwise puts the page's top left corner at the top
    // right, a half turn at the bottom right, three quarters at the bottom
    // left; the view scrolls there.
    const int expected[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int r : {1, 2, 3, 0}) {
        ASSERT_EQ(view.setRotation(r), 0);
        ASSERT_GT(view.hRange(), 0);
        ASSERT_GT(view.vRange(), 0);
        EXPECT_EQ(view.hOffset(), expected[r][0] * view.hRange()) << r;
        EXPECT_EQ(view.vOffset(), expected[r][1] * view.vRange()) << r;
    }
    // Page 1's block (x 8..15, y 10..13) is inside the window after a
    // quarter turn: displayed at x = 2199 - y, y = x.
    ASSERT_EQ(view.setRotation(1), 0);
    EXPECT_GE(2199 - 13, view.hOffset());
    EXPECT_LT(15, view.vOffset() + 400);
}

}  // namespace
