// RichDocument::paintPage: pages of lines counted across the text, hard
// page breaks, the resolution the text is painted at, and where ink lands.
#include "richtext/richdocument.h"

#include <gtest/gtest.h>

#include <cmath>

#include <QFontInfo>
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

// The first row of each run of rows holding ink: one per line of text.
std::vector<int> bandTops(const QImage &im)
{
    std::vector<int> tops;
    bool inBand = false;
    for (int y = 0; y < im.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(im.constScanLine(y));
        bool ink = false;
        for (int x = 0; x < im.width() && !ink; ++x)
            ink = qGray(row[x]) < 128;
        if (ink && !inBand)
            tops.push_back(y);
        inBand = ink;
    }
    return tops;
}

// Average distance between the first and the last band.
double pitch(const std::vector<int> &tops)
{
    return tops.size() < 2 ? 0.0 : double(tops.back() - tops.front()) / double(tops.size() - 1);
}

// DejaVu Sans (fonts-dejavu-core): ascender 1901, descender 483, no line
// gap, 2048 units to the em. A 10-point line at 200 pixels per inch:
constexpr double kDejaVu10At200 = (1901 + 483) / 2048.0 * 10 * 200 / 72;

// `n` one-line paragraphs of DejaVu Sans 10 pt with paragraph words `pard`;
// every line holds letters reaching the full ascender height.
QByteArray dejaVuLines(int n, const QByteArray &pard = {})
{
    QByteArray rtf("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}");
    for (int i = 0; i < n; ++i)
        rtf += "\\pard" + pard + "\\f0\\fs20 Held line " + QByteArray::number(i) + "\\par ";
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
    // 1600 points, the largest size RTF gives, still shows (cut at the
    // bottom of the page).
    d.loadRtf("{\\rtf1\\fs3200 H\\par\\fs1600 H\\par\\fs20 small\\par}");
    faxZoom(d);
    const std::vector<Page> pages = paintAll(d);
    ASSERT_EQ(pages.size(), 3u);
    for (const Page &p : pages)
        EXPECT_TRUE(inkBounds(p.image).isValid());
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

TEST(PaintPageSpacing, LinesAreAsHighAsTheFontsOwnMetricsSay)
{
    ASSERT_EQ(QFontInfo(QFont("DejaVu Sans")).family(), "DejaVu Sans");
    RichDocument d;
    d.loadRtf(dejaVuLines(40));
    faxZoom(d);
    ASSERT_EQ(d.layoutPixelsPerInch(), 200);
    // Not the font engine's height rounded to whole pixels (34 here).
    EXPECT_NEAR(pitch(bandTops(paintOne(d, 0).image)), kDejaVu10At200, 0.15);
}

TEST(PaintPageSpacing, SpaceBeforeAndAfterAddUpAtFaxResolution)
{
    RichDocument d;
    d.loadRtf(dejaVuLines(20, "\\sb72\\sa144"));  // 0.05 and 0.1 inch
    faxZoom(d);
    // Both spaces, each once: 10 + 20 pixels between the lines.
    EXPECT_NEAR(pitch(bandTops(paintOne(d, 0).image)), kDejaVu10At200 + 30, 0.3);
}

TEST(PaintPageSpacing, LineSpacingRules)
{
    const struct {
        const char *pard;
        double pitch;
    } cases[] = {
        {"\\sl276\\slmult1", kDejaVu10At200 * 1.15},
        {"\\sl360\\slmult1", kDejaVu10At200 * 1.5},
        {"\\sl480\\slmult1", kDejaVu10At200 * 2},
        {"\\sl-720\\slmult0", 100},  // exactly half an inch
        {"\\sl720\\slmult0", 100},   // at least half an inch
        {"\\sl200\\slmult0", kDejaVu10At200},  // at least 10 pt: the font is higher
        {"\\sl200", kDejaVu10At200},
    };
    for (const auto &c : cases) {
        RichDocument d;
        d.loadRtf(dejaVuLines(15, c.pard));
        faxZoom(d);
        EXPECT_NEAR(pitch(bandTops(paintOne(d, 0).image)), c.pitch, 0.3) << c.pard;
    }
}

TEST(PaintPageSpacing, ContextualSpacingOnlyBetweenParagraphsOfOneStyle)
{
    RichDocument same, other;
    same.loadRtf(dejaVuLines(10, "\\s5\\sb144\\sa144\\contextualspace"));
    QByteArray rtf("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}");
    for (int i = 0; i < 10; ++i)
        rtf += "\\pard\\s" + QByteArray::number(5 + i % 2) + "\\sb144\\sa144\\contextualspace\\f0\\fs20 Held\\par ";
    other.loadRtf(rtf + "}");
    faxZoom(same);
    faxZoom(other);
    EXPECT_NEAR(pitch(bandTops(paintOne(same, 0).image)), kDejaVu10At200, 0.3);
    EXPECT_NEAR(pitch(bandTops(paintOne(other, 0).image)), kDejaVu10At200 + 40, 0.3);
}

TEST(PaintPageSpacing, SpaceBeforeStaysOnlyAtTheStartAndAfterAHardBreak)
{
    // Half an inch (100 pixels) before every paragraph.
    QByteArray rtf("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}\\pard\\sb720\\f0\\fs20 ");
    for (int i = 0; i < 100; ++i)
        rtf += "Held line " + QByteArray::number(i) + "\\line ";
    rtf += "\\par\\pard\\sb720\\pagebb\\f0\\fs20 Held after the break\\par}";
    RichDocument d;
    d.loadRtf(rtf);
    faxZoom(d);
    const std::vector<Page> pages = paintAll(d);
    ASSERT_EQ(pages.size(), 3u);
    const int start = bandTops(pages[0].image).front();
    const int soft = bandTops(pages[1].image).front();
    const int hard = bandTops(pages[2].image).front();
    EXPECT_NEAR(start - soft, 100, 1.5);
    EXPECT_NEAR(hard - soft, 100, 1.5);
}

TEST(PaintPagePagination, WidowControlKeepsTwoLinesOfAParagraphOnEachPage)
{
    RichDocument plain;
    plain.loadRtf(dejaVuLines(200));
    faxZoom(plain);
    const int perPage = paintOne(plain, 0).next;  // single lines a page holds
    ASSERT_GT(perPage, 10);
    // One line short of a page, then a paragraph of three lines.
    auto build = [&](const QByteArray &pard) {
        QByteArray rtf = dejaVuLines(perPage - 1);
        rtf.chop(1);
        return rtf + "\\pard" + pard + "\\f0\\fs20 Held one\\line Held two\\line Held three\\par}";
    };
    RichDocument controlled, uncontrolled;
    controlled.loadRtf(build("\\widctlpar"));
    uncontrolled.loadRtf(build(""));
    faxZoom(controlled);
    faxZoom(uncontrolled);
    EXPECT_EQ(paintOne(uncontrolled, 0).next, perPage);
    EXPECT_EQ(paintOne(controlled, 0).next, perPage - 1);
    EXPECT_EQ(paintAll(controlled).size(), 2u);
}

TEST(PaintPagePagination, HeadingKeptWithTheNextParagraphStartsTheNextPage)
{
    RichDocument plain;
    plain.loadRtf(dejaVuLines(200));
    faxZoom(plain);
    const int perPage = paintOne(plain, 0).next;
    // The heading would be the page's last line.
    QByteArray rtf = dejaVuLines(perPage - 1);
    rtf.chop(1);
    rtf += "\\pard\\keepn\\f0\\fs20 Held heading\\par\\pard\\f0\\fs20 Held body\\par}";
    RichDocument d;
    d.loadRtf(rtf);
    faxZoom(d);
    EXPECT_EQ(paintOne(d, 0).next, perPage - 1);
}

TEST(PaintPageLongWords, AWordWiderThanTheLineBreaksAtTheTextWidth)
{
    // A megabyte word: breaking it used to look for the word's end again on
    // every line (minutes for this size).
    const int n = 1 << 20;
    RichDocument d;
    d.loadRtf("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs20 Held " + QByteArray(n, 'x') + "\\par}");
    faxZoom(d);
    PageLayout page;  // 7.5 inches of text: 1500 pixels
    d.setPageLayout(page);
    // The advance of 'x' at 10 points and 200 pixels per inch, from a size
    // where rounding to whole pixels does not matter.
    QFont big("DejaVu Sans");
    big.setPixelSize(2000);
    const double advance = QFontMetricsF(big).horizontalAdvance('x') * (10 * 200 / 72.0) / 2000;
    const int perLine = int(1500 / advance);
    const int lines = d.lineCount(kWidth - kMargin);
    EXPECT_GE(lines, n / perLine);
    EXPECT_LE(lines, n / perLine + 3);
    // The first page's lines run to the text's right edge, not beyond.
    const Page p = paintOne(d, 0);
    const QRect ink = inkBounds(p.image);
    EXPECT_LE(ink.right(), kMargin + 1500);
    EXPECT_GE(ink.right(), kMargin + 1500 - 2 * advance);
    EXPECT_EQ(int(bandTops(p.image).size()), p.next);
}

TEST(PaintPageIndents, IndentsBeyondTheTextWidthLeaveAnInchForTheText)
{
    const QByteArray text = " Indents wider than the page leave some room for this text held in the field.\\par}";
    const char *pards[] = {
        "\\li7200\\ri5760",          // 5 + 4 inches of 7.5
        "\\li10800",                 // the left indent past the right edge
        "\\li6000\\ri6000\\fi-6000", // both too wide, first line out to the margin
        "\\fi12000",                 // the first line starting past the right edge
    };
    for (const char *pard : pards) {
        RichDocument d;
        d.loadRtf(QByteArray("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}\\pard") + pard + "\\f0\\fs20" + text);
        faxZoom(d);
        d.setPageLayout(PageLayout());  // 1500 pixels of text
        const Page p = paintOne(d, 0);
        const QRect ink = inkBounds(p.image);
        // Every line shows on the page: words, not letters, a line.
        EXPECT_EQ(int(bandTops(p.image).size()), d.lineCount(kWidth - kMargin)) << pard;
        EXPECT_LE(d.lineCount(kWidth - kMargin), 10) << pard;
        EXPECT_GE(ink.left(), kMargin) << pard;
        EXPECT_LE(ink.right(), kMargin + 1500) << pard;
    }
    // A first line out past the margin starts at the margin.
    RichDocument d;
    d.loadRtf("{\\rtf1{\\fonttbl{\\f0 DejaVu Sans;}}\\pard\\li720\\fi-2880\\f0\\fs20" + text);
    faxZoom(d);
    EXPECT_NEAR(inkBounds(paintOne(d, 0).image).left(), kMargin, 4);
}
