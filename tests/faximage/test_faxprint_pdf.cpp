// Fax printing to PDF, checked on the pages pdftoppm renders and the text
// pdftotext finds: 4-up and 2-up page order, header and footer tokens, the
// natural size at 200 and 600 printer pixels per inch, the print log, abort
// and the status display.
#include "apftestutil.h"
#include "faximage/apf.h"
#include "faximage/faxprinter.h"
#include "faximage/faxprintstatus.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>

#include <cmath>
#include <fstream>
#include <sstream>

using namespace qln::fax;
using namespace qln::fax::test;

namespace {

constexpr int kBytes = 216;

// A page whose middle third holds `stripes` black stripes (96 pixels wide,
// 96 apart); every page has a black frame 16 pixels (lines) wide, so that it
// shows at a coarse rendering.
std::vector<Line> stripedPage(int stripes, int lines)
{
    std::vector<Line> page;
    for (int y = 0; y < lines; ++y) {
        Line l(kBytes, 0);
        if (y < 16 || y >= lines - 16) {
            l.assign(kBytes, 0xFF);
        } else {
            l[0] = l[1] = l[kBytes - 2] = l[kBytes - 1] = 0xFF;
            if (y > lines / 3 && y < 2 * lines / 3)
                for (int s = 0; s < stripes; ++s)
                    for (int x = 96 + s * 192; x < 192 + s * 192; ++x)
                        l[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        page.push_back(l);
    }
    return page;
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Renders every page of a PDF with pdftoppm as grey images.
std::vector<QImage> renderPdf(const std::string &pdf, int dpi, const std::string &prefix)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"),
                                         QString::fromStdString(pdf), QString::fromStdString(prefix)});
    EXPECT_TRUE(p.waitForFinished(30000)) << "pdftoppm (poppler-utils) did not run";
    EXPECT_EQ(p.exitCode(), 0);
    std::vector<QImage> pages;
    for (int i = 1; i < 100; ++i) {
        QImage img;
        if (!img.load(QString::fromStdString(prefix + "-" + std::to_string(i) + ".pgm")) &&
            !img.load(QString::fromStdString(prefix + "-0" + std::to_string(i) + ".pgm")))
            break;
        pages.push_back(img.convertToFormat(QImage::Format_Grayscale8));
    }
    return pages;
}

std::string pdfText(const std::string &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
    EXPECT_TRUE(p.waitForFinished(30000));
    return p.readAllStandardOutput().toStdString();
}

bool dark(const QImage &img, int x, int y) { return qGray(img.pixel(x, y)) < 128; }

// Black runs along row y between x0 and x1.
int runsAlong(const QImage &img, int y, int x0, int x1)
{
    int runs = 0;
    bool in = false;
    for (int x = x0; x < x1; ++x) {
        const bool d = dark(img, x, y);
        if (d && !in)
            ++runs;
        in = d;
    }
    return runs;
}

// Stripe count of the page image printed inside a region: the number of
// black runs along the row through the middle of its stripes, less the two
// frame edges.
int stripesIn(const QImage &img, QRect region)
{
    int top = -1, bottom = -1;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        if (runsAlong(img, y, region.left(), region.right()) > 0) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    if (top < 0)
        return -1;
    return runsAlong(img, (top + bottom) / 2, region.left(), region.right()) - 2;
}

// Bounding box of the dark pixels.
QRect inkBox(const QImage &img)
{
    int l = img.width(), t = img.height(), r = -1, b = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (dark(img, x, y)) {
                l = std::min(l, x), r = std::max(r, x);
                t = std::min(t, y), b = std::max(b, y);
            }
    return r < 0 ? QRect() : QRect(QPoint(l, t), QPoint(r, b));
}

class FaxPrintPdf : public ::testing::Test {
protected:
    FaxPrintPdf()
    {
        faxFile = dir.file("six.apf");
        std::vector<std::vector<Line>> pages;
        for (int k = 1; k <= 6; ++k)
            pages.push_back(stripedPage(k, 1100));
        writeApf(faxFile, pages, pfLineLengths);
        pdf = dir.file("out.pdf");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setResolution(300);
        fp.SetPrinter(&printer);
        fp.FaxHeader.Enabled = false;
        fp.FaxFooter.Enabled = false;
        log.LogFileName = dir.file("FAXPRINT.LOG");
        log.DateTimeText = [] { return std::string("3/5/26 9:12:00 am"); };
        fp.FaxPrinterLog = &log;
    }

    TempDir dir;
    std::string faxFile, pdf;
    QPrinter printer{QPrinter::HighResolution};
    TApdFaxPrinter fp;
    TApdFaxPrinterLog log;
};

} // namespace

TEST_F(FaxPrintPdf, FourUpPortraitPutsPagesTwoToFiveInReadingOrder)
{
    fp.MultiPage = true;
    ASSERT_EQ(fp.PrintFile(faxFile, 2, 5), TFaxPrintOutcome::Finished);
    const auto sheets = renderPdf(pdf, 60, dir.file("p"));
    ASSERT_EQ(sheets.size(), 1u);
    const QImage &s = sheets[0];
    const int w = s.width() / 2, h = s.height() / 2;
    EXPECT_EQ(stripesIn(s, QRect(0, 0, w, h)), 2);
    EXPECT_EQ(stripesIn(s, QRect(w, 0, w, h)), 3);
    EXPECT_EQ(stripesIn(s, QRect(0, h, w, h)), 4);
    EXPECT_EQ(stripesIn(s, QRect(w, h, w, h)), 5);
}

TEST_F(FaxPrintPdf, TwoUpLandscapePutsTwoPagesSideBySidePerSheet)
{
    fp.MultiPage = true;
    printer.setPageOrientation(QPageLayout::Landscape);
    ASSERT_EQ(fp.PrintFile(faxFile, 2, 5), TFaxPrintOutcome::Finished);
    const auto sheets = renderPdf(pdf, 60, dir.file("p"));
    ASSERT_EQ(sheets.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const QImage &s = sheets[i];
        EXPECT_GT(s.width(), s.height());
        const int w = s.width() / 2;
        EXPECT_EQ(stripesIn(s, QRect(0, 0, w, s.height())), 2 + 2 * i);
        EXPECT_EQ(stripesIn(s, QRect(w, 0, w, s.height())), 3 + 2 * i);
    }
}

TEST_F(FaxPrintPdf, OnePagePerSheetPrintsTheRangeAndLogsStartAndFinish)
{
    ASSERT_EQ(fp.PrintFile(faxFile, 4, 6), TFaxPrintOutcome::Finished);
    const auto sheets = renderPdf(pdf, 30, dir.file("p"));
    ASSERT_EQ(sheets.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(stripesIn(sheets[i], sheets[i].rect()), 4 + i);
    EXPECT_EQ(slurp(log.LogFileName), "Printing " + faxFile + " started at 3/5/26 9:12:00 am\n"
                                      "Printing " + faxFile + " finished at 3/5/26 9:12:00 am\n\n");
}

TEST_F(FaxPrintPdf, HeaderAndFooterTokensAreExpandedPerPage)
{
    fp.FaxHeader.Enabled = true;
    fp.FaxHeader.Caption = "FILE: $F on $D";
    fp.FaxFooter.Enabled = true;
    fp.FaxFooter.Caption = "Page: $P of $N mark$X end";
    fp.MarginClock = [] {
        MarginValues v;
        v.date = "3/5/26";
        return v;
    };
    ASSERT_EQ(fp.PrintFile(faxFile, 3, 3), TFaxPrintOutcome::Finished);
    const std::string text = pdfText(pdf);
    EXPECT_NE(text.find("FILE: " + faxFile + " on 3/5/26"), std::string::npos) << text;
    EXPECT_NE(text.find("Page: 3 of 6"), std::string::npos) << text;
    // "$X" runs to the next blank and is removed; "mark" before it stays.
    EXPECT_NE(text.find("Page: 3 of 6 mark end"), std::string::npos) << text;
    EXPECT_EQ(text.find("$"), std::string::npos);
    // The page image sits between the two separator lines.
    const auto sheets = renderPdf(pdf, 30, dir.file("p"));
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(stripesIn(sheets[0], sheets[0].rect()), 3);
}

TEST_F(FaxPrintPdf, NaturalSizeIsTheRealSizeAt200And600PerInch)
{
    fp.PrintScale = psNone;
    // On A3 the whole page fits: 1728 x 1100 normal lines (doubled) are
    // 8.47 x 11.22 inches, 424 x 561 pixels rendered at 50 dpi.
    printer.setPageSize(QPageSize(QPageSize::A3));
    for (int dpi : {200, 600}) {
        printer.setResolution(dpi);
        ASSERT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Finished) << dpi;
        const auto sheets = renderPdf(pdf, 50, dir.file("n" + std::to_string(dpi)));
        ASSERT_EQ(sheets.size(), 1u);
        const QRect box = inkBox(sheets[0]);
        EXPECT_NEAR(box.width(), 424, 2) << dpi;
        EXPECT_NEAR(box.height(), 561, 2) << dpi;
    }
    // On Letter the 11.22 inches do not fit: the page shrinks to the
    // printable height at its own aspect, as fitted.
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setResolution(600);
    ASSERT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Finished);
    const auto letter = renderPdf(pdf, 50, dir.file("l"));
    ASSERT_EQ(letter.size(), 1u);
    const QRect paint = printer.pageLayout().paintRectPixels(50);
    EXPECT_NEAR(inkBox(letter[0]).height(), paint.height(), 2);
    EXPECT_NEAR(inkBox(letter[0]).width(), paint.height() * 424 / 561, 2);
    fp.PrintScale = psFitToPage;
    ASSERT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Finished);
    const auto fitted = renderPdf(pdf, 50, dir.file("f"));
    EXPECT_NEAR(inkBox(fitted[0]).width(), inkBox(letter[0]).width(), 1);
    EXPECT_NEAR(inkBox(fitted[0]).height(), paint.height(), 2);
}

namespace {

// A page with a circle (left) and a square (right), each 2.94 inches
// (600 pixels, 600 * lpi / 204 lines) across, drawn as 12-pixel outlines:
// `fine` 196 lines per inch, else 98.
std::vector<Line> shapesPage(bool fine)
{
    const double lpi = fine ? 196 : 98;
    const int lines = fine ? 2200 : 1100;
    const double r = 300, ry = r * lpi / 204, thick = 12;
    const double cx = 432, sx = 1296, cy = lines / 2.0;
    std::vector<Line> page;
    for (int y = 0; y < lines; ++y) {
        Line l(kBytes, 0);
        const double dy = (y + 0.5 - cy) * 204 / lpi;  // in horizontal pixels
        for (int x = 0; x < 1728; ++x) {
            const double dx = x + 0.5 - cx;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double qx = std::abs(x + 0.5 - sx), qy = std::abs(dy);
            const bool ring = d <= r && d >= r - thick;
            const bool square = std::max(qx, qy) <= r && std::max(qx, qy) >= r - thick;
            if (ring || square)
                l[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        page.push_back(l);
    }
    (void)ry;
    return page;
}

// The ink boxes of the two shapes: the columns with ink fall into two runs.
std::vector<QRect> shapeBoxes(const QImage &img)
{
    std::vector<QRect> boxes;
    int start = -1;
    for (int x = 0; x <= img.width(); ++x) {
        bool ink = false;
        for (int y = 0; x < img.width() && y < img.height() && !ink; ++y)
            ink = dark(img, x, y);
        if (ink && start < 0)
            start = x;
        if (!ink && start >= 0) {
            int top = img.height(), bottom = -1;
            for (int y = 0; y < img.height(); ++y)
                for (int xx = start; xx < x; ++xx)
                    if (dark(img, xx, y)) {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                        break;
                    }
            boxes.push_back(QRect(QPoint(start, top), QPoint(x - 1, bottom)));
            start = -1;
        }
    }
    return boxes;
}

}  // namespace

TEST_F(FaxPrintPdf, CirclesStayRoundOnEveryPaperOrientationAndLayout)
{
    struct Case {
        QPageSize::PageSizeId paper;
        QPageLayout::Orientation orientation;
        bool multiPage;
        TFaxPrintScale scale;
    };
    const Case cases[] = {
        {QPageSize::A4, QPageLayout::Portrait, false, psFitToPage},
        {QPageSize::A4, QPageLayout::Portrait, false, psNone},
        {QPageSize::Letter, QPageLayout::Landscape, false, psFitToPage},
        {QPageSize::A4, QPageLayout::Portrait, true, psFitToPage},
        {QPageSize::Letter, QPageLayout::Landscape, true, psNone},
    };
    for (bool fine : {true, false}) {
        const std::string shapes = dir.file(fine ? "fine.apf" : "normal.apf");
        writeApf(shapes, {shapesPage(fine)}, uint16_t(pfLineLengths | (fine ? pfFine : 0)));
        int n = 0;
        for (const Case &c : cases) {
            const std::string what = std::string(fine ? "fine" : "normal") + " case " + std::to_string(n);
            printer.setPageSize(QPageSize(c.paper));
            printer.setPageOrientation(c.orientation);
            fp.MultiPage = c.multiPage;
            fp.PrintScale = c.scale;
            ASSERT_EQ(fp.PrintFile(shapes, 1, 1), TFaxPrintOutcome::Finished) << what;
            const auto sheets = renderPdf(pdf, 100, dir.file("s" + std::to_string(n++)));
            ASSERT_EQ(sheets.size(), 1u) << what;
            const std::vector<QRect> boxes = shapeBoxes(sheets[0]);
            ASSERT_EQ(boxes.size(), 2u) << what;
            for (const QRect &b : boxes) {
                ASSERT_GT(b.height(), 40) << what;
                EXPECT_NEAR(double(b.width()) / b.height(), 1.0, 0.02) << what << " " << b.width() << "x" << b.height();
            }
            // Both shapes are as wide as each other, and the whole page is
            // on the sheet (nothing cut at the right edge).
            EXPECT_NEAR(boxes[0].width(), boxes[1].width(), 2) << what;
            EXPECT_LT(boxes[1].right(), sheets[0].width() - 1) << what;
        }
    }
    // Natural size on paper that takes the page: 2.94 inches, 294 pixels.
    printer.setPageSize(QPageSize(QPageSize::A3));
    printer.setPageOrientation(QPageLayout::Portrait);
    fp.MultiPage = false;
    fp.PrintScale = psNone;
    ASSERT_EQ(fp.PrintFile(dir.file("normal.apf"), 1, 1), TFaxPrintOutcome::Finished);
    const auto a3 = renderPdf(pdf, 100, dir.file("a3"));
    ASSERT_EQ(a3.size(), 1u);
    const std::vector<QRect> boxes = shapeBoxes(a3[0]);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NEAR(boxes[0].width(), 294, 294 * 0.02);
    EXPECT_NEAR(boxes[0].height(), 294, 294 * 0.02);
}

TEST_F(FaxPrintPdf, HeaderRuleSpansThePrintableWidth)
{
    // In landscape the page is limited by the height, so it is narrower
    // than the rule above it.
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    fp.FaxHeader.Enabled = true;
    fp.FaxHeader.Caption = "FILE: $F";
    ASSERT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Finished);
    const auto sheets = renderPdf(pdf, 100, dir.file("h"));
    ASSERT_EQ(sheets.size(), 1u);
    const QImage &s = sheets[0];
    const QRect paint = printer.pageLayout().paintRectPixels(100);
    // The rule is the first row that is dark across most of the sheet.
    int rule = -1;
    for (int y = 0; y < s.height() / 4 && rule < 0; ++y) {
        int darkCount = 0;
        for (int x = 0; x < s.width(); ++x)
            darkCount += dark(s, x, y) ? 1 : 0;
        if (darkCount > paint.width() * 9 / 10)
            rule = y;
    }
    ASSERT_GE(rule, 0);
    int left = 0, right = s.width() - 1;
    while (left < s.width() && !dark(s, left, rule))
        ++left;
    while (right > 0 && !dark(s, right, rule))
        --right;
    EXPECT_NEAR(right - left + 1, paint.width(), 2);
    // The page image below it is narrower (its aspect kept) and centred.
    QImage below = s.copy(0, rule + 3, s.width(), s.height() - rule - 3);
    const QRect page = inkBox(below);
    EXPECT_LT(page.width(), paint.width() * 3 / 4);
    EXPECT_NEAR(page.left() - left, right - page.right(), 3);
}

TEST_F(FaxPrintPdf, AJobThatCannotBeWrittenFailsWithItsReasonInTheLog)
{
    printer.setOutputFileName(QString::fromStdString(dir.file("no-such-folder/out.pdf")));
    EXPECT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Failed);
    EXPECT_NE(fp.LastError().find("no-such-folder/out.pdf"), std::string::npos) << fp.LastError();
    const std::string logText = slurp(log.LogFileName);
    EXPECT_NE(logText.find("failed at 3/5/26 9:12:00 am\nReason: Unable to write "), std::string::npos) << logText;
    EXPECT_EQ(logText.find("finished at"), std::string::npos);
    EXPECT_FALSE(fp.Printing());
    // Without a file name there is nothing to write either.
    printer.setOutputFileName(QString());
    EXPECT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Failed);
    EXPECT_FALSE(fp.LastError().empty());
    // A job that works clears the reason.
    printer.setOutputFileName(QString::fromStdString(pdf));
    EXPECT_EQ(fp.PrintFile(faxFile, 1, 1), TFaxPrintOutcome::Finished);
    EXPECT_TRUE(fp.LastError().empty());
}

TEST_F(FaxPrintPdf, AbortInPageThreeLogsAbortAndLeavesNoOutput)
{
    fp.OnNextPage = [this](TApdFaxPrinter &p, int page, int) {
        if (page == 3)
            p.CancelPrint();
    };
    int printedPages = 0;
    fp.OnFaxPrintStatus = [&](TApdFaxPrinter &p, int code) {
        if (code == ppSubmitting)
            printedPages = p.PageBeingPrinted();
    };
    EXPECT_EQ(fp.PrintFile(faxFile, 1, 5), TFaxPrintOutcome::Aborted);
    EXPECT_EQ(printedPages, 2);
    EXPECT_FALSE(fp.Printing());
    EXPECT_EQ(fp.PageBeingPrinted(), 0);
    EXPECT_FALSE(fileExists(pdf));
    const std::string logText = slurp(log.LogFileName);
    EXPECT_EQ(logText, "Printing " + faxFile + " started at 3/5/26 9:12:00 am\n"
                       "Printing " + faxFile + " aborted at 3/5/26 9:12:00 am\n\n");
    // Nothing of the spooled job is left beside the target.
    QDir d(QString::fromStdString(dir.path()));
    EXPECT_TRUE(d.entryList({QStringLiteral(".out.pdf*")}, QDir::Hidden | QDir::Files).isEmpty());
}

TEST_F(FaxPrintPdf, UnreadableFileFailsBeforeAnyJob)
{
    const std::string bad = dir.file("bad.apf");
    std::ofstream(bad) << "not a fax";
    EXPECT_THROW(fp.PrintFile(bad), EFaxUnpackerError);
    EXPECT_FALSE(fileExists(pdf));
    EXPECT_FALSE(fileExists(log.LogFileName));
}

TEST_F(FaxPrintPdf, StatusDisplayFollowsTheJobAndShowsItsFacts)
{
    TApdFaxPrinterStatus status;
    fp.StatusDisplay = &status;
    std::vector<std::string> lines;
    bool visibleWhilePrinting = true;
    // The event comes before the window shows the new code, so at
    // "Submitting" the window still reads "Rendering".
    fp.OnFaxPrintStatus = [&](TApdFaxPrinter &, int code) {
        visibleWhilePrinting = visibleWhilePrinting && status.DisplayVisible();
        if (code == ppSubmitting)
            lines.push_back(status.Display().fpsStatusLine->text().toStdString());
    };
    ASSERT_EQ(fp.PrintFile(faxFile, 2, 3), TFaxPrintOutcome::Finished);
    EXPECT_TRUE(visibleWhilePrinting);
    EXPECT_FALSE(status.DisplayVisible());
    EXPECT_EQ(lines, (std::vector<std::string>{"Rendering 2 of 3", "Rendering 3 of 3"}));
    const FaxPrinterStatusTexts t = faxPrinterStatusTexts(fp);
    EXPECT_EQ(t.fileName, "SIX.APF");
    EXPECT_EQ(t.totalPages, "6");
    EXPECT_EQ(t.resolution, "standard");
    EXPECT_EQ(t.width, "1728");
    EXPECT_EQ(status.Display().windowTitle().toStdString(), "Print Status");
}
