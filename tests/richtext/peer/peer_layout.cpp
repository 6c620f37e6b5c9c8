// Pages of documents written by LibreOffice: Quillon's page painting puts
// the lines where LibreOffice prints them.
//
// Letters in several fonts, sizes and line spacings are written as flat ODF
// documents, converted once by soffice to RTF (what Quillon renders) and to
// PDF (what LibreOffice prints), the PDF pages rasterised at 200 dots per
// inch by pdftoppm, and the tops of the text lines found in both from the
// rows that hold ink. Every line holds a letter of full ascender height, so
// a line's top row is where its ascenders begin on both sides.
//
//  - On the fax page (49 pixels from the top, down to row 2107) a document
//    gives LibreOffice's page count, give or take one.
//  - On a page of LibreOffice's own text height each page holds the same
//    lines, each within 3 % of its distance from the top of the text (and
//    2 pixels for the rasterisers) of where LibreOffice puts it.
#include "peertools.h"
#include "richtext/richdocument.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <map>

using namespace qln::richtext;

namespace {

// The fax page as the renderer paints it.
constexpr int kFaxWidth = 1664;
constexpr int kFaxHeight = 2156;
constexpr int kFaxMargin = 49;
// LibreOffice's page at 200 dots per inch: Letter with half-inch margins.
constexpr int kDpi = 200;
constexpr int kOfficeTop = kDpi / 2;
constexpr int kOfficeTextHeight = 10 * kDpi;

struct Letter {
    const char *name;
    const char *font;      // as the document names it
    const char *usedFont;  // the family both sides really use
    int points;
    const char *body;      // paragraph properties of the body style
    bool headings;         // with bold headings kept with the next paragraph
};

// fo: attributes of ODF paragraph styles.
const Letter kLetters[] = {
    // LibreOffice's "Text Body" style: 1.15 lines and 0.247 cm after.
    {"arial10_textbody", "Arial", "Liberation Sans", 10, R"(fo:line-height="115%" fo:margin-top="0cm" fo:margin-bottom="0.247cm")", false},
    {"serif12_single", "Liberation Serif", "Liberation Serif", 12, "", false},
    {"dejavu8_onehalf", "DejaVu Sans", "DejaVu Sans", 8, R"(fo:line-height="150%")", false},
    {"dejavu14_double", "DejaVu Sans", "DejaVu Sans", 14, R"(fo:line-height="200%")", false},
    {"sans11_exact", "Liberation Sans", "Liberation Sans", 11, R"(fo:line-height="0.25in")", false},
    {"serif9_atleast", "Liberation Serif", "Liberation Serif", 9, R"(style:line-height-at-least="0.21in" fo:widows="2" fo:orphans="2")", false},
    {"sans10_headings", "Liberation Sans", "Liberation Sans", 10,
     R"(fo:margin-top="0.04in" fo:margin-bottom="0.1in" fo:widows="2" fo:orphans="2")", true},
    {"serif11_contextual", "Liberation Serif", "Liberation Serif", 11,
     R"(fo:line-height="115%" fo:margin-top="0.1in" fo:margin-bottom="0.1in" style:contextual-spacing="true")", false},
};

// Words that each reach the full ascender height.
const char *const kWords[] = {"field", "held",  "black", "the",  "fold",   "build", "light", "hold",
                              "delta", "table", "bold",  "kind", "handle", "flat",  "detail", "old",
                              "blend", "thick", "tell",  "half", "bright", "dial",  "health", "label"};

QString paragraphText(int i)
{
    // One to four lines of a page's width, depending on the paragraph.
    const int words = 6 + (i * 37) % 50;
    QString s = QStringLiteral("Held");
    for (int w = 0; w < words; ++w)
        s += QLatin1Char(' ') + QLatin1String(kWords[(i * 7 + w * 5) % std::size(kWords)]);
    return s + QLatin1Char('.');
}

QByteArray fodtOf(const Letter &l)
{
    QString body;
    for (int i = 0; i < 70; ++i) {
        if (l.headings && i % 9 == 0)
            body += QStringLiteral("<text:p text:style-name=\"Head\">Field %1 held</text:p>\n")
                        .arg(QLatin1String(kWords[i % std::size(kWords)]));
        body += QStringLiteral("<text:p text:style-name=\"Body\">%1</text:p>\n").arg(paragraphText(i));
    }
    const QString doc = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
  xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:font-face-decls><style:font-face style:name="F" svg:font-family="'%1'"/></office:font-face-decls>
 <office:styles>
  <style:style style:name="Standard" style:family="paragraph">
   <style:text-properties style:font-name="F" fo:font-size="%2pt"/>
  </style:style>
  <style:style style:name="Body" style:family="paragraph" style:parent-style-name="Standard">
   <style:paragraph-properties %3/>
  </style:style>
  <style:style style:name="Head" style:family="paragraph" style:parent-style-name="Standard">
   <style:paragraph-properties fo:margin-top="0.17in" fo:margin-bottom="0.08in" fo:keep-with-next="always"/>
   <style:text-properties fo:font-size="14pt" fo:font-weight="bold"/>
  </style:style>
 </office:styles>
 <office:automatic-styles>
  <style:page-layout style:name="pm1">
   <style:page-layout-properties fo:page-width="8.5in" fo:page-height="11in" fo:margin-top="0.5in"
     fo:margin-bottom="0.5in" fo:margin-left="0.5in" fo:margin-right="0.5in"/>
  </style:page-layout>
 </office:automatic-styles>
 <office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1"/></office:master-styles>
 <office:body><office:text>
%4 </office:text></office:body>
</office:document>
)")
                            .arg(QLatin1String(l.font))
                            .arg(l.points)
                            .arg(QLatin1String(l.body))
                            .arg(body);
    return doc.toUtf8();
}

// The first row of every run of rows with ink, less `origin`.
std::vector<int> lineTops(const QImage &page, int origin)
{
    const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
    std::vector<int> tops;
    bool inLine = false;
    for (int y = 0; y < grey.height(); ++y) {
        const uchar *row = grey.constScanLine(y);
        bool ink = false;
        for (int x = 0; x < grey.width() && !ink; ++x)
            ink = row[x] < 128;
        if (ink && !inLine)
            tops.push_back(y - origin);
        inLine = ink;
    }
    return tops;
}

using Pages = std::vector<std::vector<int>>;

// Quillon's pages of `rtf` painted as the renderer paints them, down to
// `bottomLimit`.
Pages quillonPages(const QString &rtf, int bottomLimit)
{
    RichDocument d;
    if (!d.loadFromFile(rtf))
        return {};
    d.setZoom(20000 / RichDocument::screenPixelsPerInch());
    d.setPageBreakMode(true);
    Pages pages;
    int next = 0;
    do {
        QImage page(kFaxWidth, kFaxHeight, QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setRenderHint(QPainter::TextAntialiasing, false);
            next = d.paintPage(painter, kFaxMargin, kFaxMargin, kFaxWidth - kFaxMargin, bottomLimit, next);
        }
        pages.push_back(lineTops(page, kFaxMargin));
    } while (next > 0 && pages.size() < 100);
    return pages;
}

struct Converted {
    Pages office;       // LibreOffice's pages, tops from its text top
    QByteArray fonts;   // pdffonts of its PDF
    QString rtf;
};

struct Results {
    bool haveTools = false;
    QString failure;
    QTemporaryDir dir;
    std::map<std::string, Converted> letters;
};

Results *g_results = nullptr;

class LibreOfficeLetters : public ::testing::Environment {
public:
    void SetUp() override
    {
        g_results = new Results;
        Results &r = *g_results;
        for (const char *tool : {"soffice", "pdftoppm", "pdffonts"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return;
        r.haveTools = true;
        const QString dir = r.dir.path();
        QStringList files;
        for (const Letter &l : kLetters) {
            const QString name = dir + "/" + l.name + ".fodt";
            QFile f(name);
            if (!f.open(QIODevice::WriteOnly) || f.write(fodtOf(l)) < 0) {
                r.failure = "cannot write " + name;
                return;
            }
            files << name;
        }
        for (const char *format : {"rtf", "pdf"}) {
            const QString error = peer::convert(dir + "/profile", files, QLatin1String(format), dir + "/" + format);
            if (!error.isEmpty()) {
                r.failure = error;
                return;
            }
        }
        for (const Letter &l : kLetters) {
            Converted &c = r.letters[l.name];
            c.rtf = dir + "/rtf/" + l.name + ".rtf";
            const QString pdf = dir + "/pdf/" + l.name + ".pdf";
            const QString prefix = dir + "/png/" + l.name;
            QDir().mkpath(dir + "/png");
            QString error = peer::run("pdftoppm", {"-r", QString::number(kDpi), "-gray", "-png", pdf, prefix});
            if (error.isEmpty())
                error = peer::run("pdffonts", {pdf}, &c.fonts);
            if (!error.isEmpty()) {
                r.failure = error;
                return;
            }
            const QStringList pngs =
                QDir(dir + "/png").entryList({QString::fromLatin1(l.name) + "-*.png"}, QDir::Files, QDir::Name);
            for (const QString &png : pngs)
                c.office.push_back(lineTops(QImage(dir + "/png/" + png), kOfficeTop));
        }
    }
    void TearDown() override { delete g_results; }
};

#define REQUIRE_TOOLS()                                                                 \
    do {                                                                                \
        if (!g_results->haveTools)                                                      \
            GTEST_SKIP() << "soffice or poppler-utils missing";                         \
        ASSERT_TRUE(g_results->failure.isEmpty()) << g_results->failure.toStdString(); \
    } while (0)

std::string countsOf(const Pages &pages)
{
    std::string s;
    for (const auto &p : pages)
        s += (s.empty() ? "" : " ") + std::to_string(p.size());
    return s;
}

}  // namespace

TEST(LibreOfficeLetters, BothSidesUseTheSameFonts)
{
    REQUIRE_TOOLS();
    for (const Letter &l : kLetters) {
        SCOPED_TRACE(l.name);
        const QString used = QString::fromLatin1(l.usedFont).remove(QLatin1Char(' '));
        EXPECT_TRUE(g_results->letters[l.name].fonts.contains(used.toLatin1())) << g_results->letters[l.name].fonts.data();
        EXPECT_EQ(QFontInfo(QFont(QLatin1String(l.font))).family(), QLatin1String(l.usedFont));
    }
}

TEST(LibreOfficeLetters, FaxPagesAreLibreOfficesPageCountGiveOrTakeOne)
{
    REQUIRE_TOOLS();
    for (const Letter &l : kLetters) {
        SCOPED_TRACE(l.name);
        const Converted &c = g_results->letters[l.name];
        const Pages fax = quillonPages(c.rtf, kFaxHeight - kFaxMargin);
        std::printf("%-20s LibreOffice %zu pages (lines %s), fax %zu pages (lines %s)\n", l.name, c.office.size(),
                    countsOf(c.office).c_str(), fax.size(), countsOf(fax).c_str());
        ASSERT_GE(c.office.size(), 2u);
        EXPECT_LE(std::abs(int(fax.size()) - int(c.office.size())), 1);
    }
}

TEST(LibreOfficeLetters, LinesWhereLibreOfficePutsThem)
{
    REQUIRE_TOOLS();
    for (const Letter &l : kLetters) {
        SCOPED_TRACE(l.name);
        const Converted &c = g_results->letters[l.name];
        const Pages ours = quillonPages(c.rtf, kFaxMargin + kOfficeTextHeight);
        int worst = 0;
        double worstShare = 0;
        for (size_t p = 0; p < ours.size(); ++p) {
            for (size_t i = 0; i < ours[p].size(); ++i) {
                const int theirs = c.office[p][i], mine = ours[p][i];
                const int diff = std::abs(mine - theirs);
                EXPECT_LE(diff, 0.03 * theirs + 2) << "page " << p + 1 << " line " << i + 1;
                worst = std::max(worst, diff);
                if (theirs >= kDpi)
                    worstShare = std::max(worstShare, double(diff) / theirs);
            }
        }
        std::printf("%-20s %zu pages alike, largest difference %d px, %.2f %% of the position below the first inch\n",
                    l.name, ours.size(), worst, worstShare * 100);
    }
}

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new LibreOfficeLetters);
    return RUN_ALL_TESTS();
}
