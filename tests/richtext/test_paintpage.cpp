// RichDocument::paintPage: pages of lines counted across the text, hard
// page breaks, the resolution the text is painted at, and where ink lands.
#include "richtext/richdocument.h"

#include <gtest/gtest.h>

#include <cmath>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QTextCursor>

using namespace qln::richtext;

namespace {

// The fax page geometry the renderer paints with.
constexpr int kWidth = 1664;
constexpr int kHeight = 2156;
constexpr int kMargin = 49;

struct Page {
    QImage image;
    int next;
};

Page paintOne(RichDocument &d, int firstLine, int bottom = kHeight - kMargin)
{
    Page p{QImage(kWidth, kHeight, QImage::Format_RGB32), 0};
    p.image.fill(Qt::white);
    QPainter painter(&p.image);
    p.next = d.paintPage(painter, kMargin, kMargin, kWidth - kMargin, bottom, firstLine);
    return p;
}

// Pages as the renderer makes them: paint until the call returns 0.
std::vector<Page> paintAll(RichDocument &d)
{
    std::vector<Page> pages;
    int next = 0;
    do {
        pages.push_back(paintOne(d, next));
        next = pages.back().next;
        if (pages.size() > 500)
            break;
    } while (next > 0);
    return pages;
}

// Rows (top, bottom) and columns (left, right) holding ink, or -1s.
QRect inkBounds(const QImage &im)
{
    int top = -1, bottom = -1, left = im.width(), right = -1;
    for (int y = 0; y < im.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(im.constScanLine(y));
        for (int x = 0; x < im.width(); ++x) {
            if (qGray(row[x]) < 128) {
                if (top < 0)
                    top = y;
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    if (top < 0)
        return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QByteArray lines(int n, const char *word = "Line")
{
    QByteArray rtf("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs24 ");
    for (int i = 0; i < n; ++i)
        rtf += QByteArray(word) + " " + QByteArray::number(i) + "\\par ";
    return rtf + "}";
}

RichDocument &faxZoom(RichDocument &d)
{
    d.setZoom(200 * 100 / RichDocument::screenPixelsPerInch());
    d.setPageBreakMode(true);
    return d;
}

}  // namespace

TEST(PaintPageLines, LongTextFillsPagesAndEveryLineIsPaintedOnce)
{
    RichDocument d;
    d.loadRtf(lines(200));
    faxZoom(d);
    const int total = d.lineCount(kWidth - kMargin);
    EXPECT_EQ(total, 200);
    const std::vector<Page> pages = paintAll(d);
    ASSERT_GE(pages.size(), 3u);
    // The lines of each page continue where the last one stopped.
    int first = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        const int next = pages[i].next;
        if (i + 1 < pages.size())
            EXPECT_GT(next, first);
        else
            EXPECT_EQ(next, 0);
        first = next;
    }
    // Each page stays between its top and its bottom limit.
    for (const Page &p : pages) {
        const QRect ink = inkBounds(p.image);
        ASSERT_TRUE(ink.isValid());
        EXPECT_GE(ink.top(), kMargin);
        EXPECT_LE(ink.bottom(), kHeight - kMargin);
        EXPECT_GE(ink.left(), kMargin);
    }
    // A full page holds as many lines as fit in its height, no fewer.
    QImage device(1, 1, QImage::Format_RGB32);
    const int dpm = int(std::lround(d.layoutPixelsPerInch() / 0.0254));
    device.setDotsPerMeterX(dpm);
    device.setDotsPerMeterY(dpm);
    const double lineHeight = QFontMetricsF(QFont("DejaVu Sans", 12), &device).height();
    const int fit = int((kHeight - 2 * kMargin) / lineHeight);
    EXPECT_GE(pages[0].next, fit - 1);
    EXPECT_LE(pages[0].next, fit + 1);
}

TEST(PaintPageLines, StartLineBeyondTheTextPaintsNothing)
{
    RichDocument d;
    d.loadRtf(lines(3));
    faxZoom(d);
    const Page p = paintOne(d, 50);
    EXPECT_EQ(p.next, 0);
    EXPECT_FALSE(inkBounds(p.image).isValid());
}

TEST(PaintPageBreaks, HardBreaksStartPagesOnlyInPageBreakMode)
{
    RichDocument d;
    d.loadRtf("{\\rtf1 page one\\par\\pard\\pagebb page two\\page page three\\par}");
    faxZoom(d);
    EXPECT_EQ(paintAll(d).size(), 3u);
    d.setPageBreakMode(false);
    EXPECT_EQ(paintAll(d).size(), 1u);
}

TEST(PaintPageBreaks, BreakAtTheStartOrAtTheEnd)
{
    RichDocument d;
    // A break before the first line does not make an empty first page; a
    // break paragraph at the end makes an empty last page.
    d.loadRtf("{\\rtf1\\pard\\pagebb first\\par\\pard last\\page}");
    faxZoom(d);
    const std::vector<Page> pages = paintAll(d);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(inkBounds(pages[0].image).isValid());
    EXPECT_FALSE(inkBounds(pages[1].image).isValid());
}

TEST(PaintPageLines, LineTallerThanThePageStillMovesOn)
{
    RichDocument d;
    d.loadRtf("{\\rtf1\\fs1600 A\\par\\fs1600 B\\par\\fs20 small\\par}");
    faxZoom(d);
    const std::vector<Page> pages = paintAll(d);
    EXPECT_EQ(pages.size(), 3u);
}

TEST(PaintPageResolution, ZoomScalesTheText)
{
    RichDocument d;
    d.loadRtf("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs48 HHHH\\par}");
    d.setZoom(100);
    const int h100 = inkBounds(paintOne(d, 0).image).height();
    d.setZoom(200);
    const int h200 = inkBounds(paintOne(d, 0).image).height();
    ASSERT_GT(h100, 10);
    EXPECT_NEAR(double(h200) / h100, 2.0, 0.15);
}

TEST(PaintPageResolution, LinesBreakAtThePageWidthNotTheCanvasWidth)
{
    RichDocument d;
    QByteArray words;
    for (int i = 0; i < 60; ++i)
        words += "word ";
    d.loadRtf("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs24 " + words + "\\par}");
    faxZoom(d);
    PageLayout wide;  // 8.5 inches less 0.5-inch margins: 7.5 inches of text
    d.setPageLayout(wide);
    const QRect ink = inkBounds(paintOne(d, 0).image);
    const double ppi = d.layoutPixelsPerInch();
    EXPECT_LE(ink.right() - kMargin, 7.5 * ppi + 1);
    EXPECT_GT(ink.right() - kMargin, 6.5 * ppi);
    // A narrower page layout gives more lines.
    const int linesWide = d.lineCount(kWidth - kMargin);
    PageLayout narrow = wide;
    narrow.right = 720 + 1440 * 3;
    d.setPageLayout(narrow);
    EXPECT_GT(d.lineCount(kWidth - kMargin), linesWide);
}

TEST(PaintPageLayout, EditsAfterPaintingAreSeen)
{
    RichDocument d;
    d.loadRtf(lines(2));
    faxZoom(d);
    EXPECT_EQ(d.lineCount(kWidth - kMargin), 2);
    QTextCursor c(d.document());
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    c.insertText("third");
    EXPECT_EQ(d.lineCount(kWidth - kMargin), 3);
    // The painting copy does not disturb the document's own text width.
    EXPECT_LT(d.document()->textWidth(), 0);
}

TEST(PaintPageLayout, IndentsMoveTheInk)
{
    RichDocument plain, indented;
    plain.loadRtf("{\\rtf1 Text\\par}");
    indented.loadRtf("{\\rtf1\\li1440 Text\\par}");
    faxZoom(plain);
    faxZoom(indented);
    const int x0 = inkBounds(paintOne(plain, 0).image).left();
    const int x1 = inkBounds(paintOne(indented, 0).image).left();
    EXPECT_NEAR(x1 - x0, plain.layoutPixelsPerInch(), 3);  // one inch
}
