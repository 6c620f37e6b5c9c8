// Benchmark of the rich text: loading and saving a 50-page RTF letter
// (fonts, sizes, bold/italic/underline runs, alignment, indents, a hard
// page break before every page), and laying out and painting all its pages
// at fax resolution as page rendering does. Beside it: LibreOffice
// converting the same file to PDF (soffice --headless --convert-to pdf),
// once with the document and once with a one-line file, which shows how
// much of LibreOffice's time is its start.
//
// Targets: load under 100 ms, layout under 20 ms a page.
// "richtext_bench --write FILE" writes the document and does nothing else.
#include "richtext/richdocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using qln::richtext::RichDocument;

namespace {

constexpr int kPages = 50;
constexpr int kRounds = 5;

QByteArray fiftyPages()
{
    static const char *words[] = {"facsimile", "transmission", "cover", "sheet", "recipient", "number",
                                  "subject", "page", "modem", "line", "office", "letter", "please",
                                  "confirm", "receipt", "regards", "document", "attached"};
    QByteArray rtf("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Liberation Serif;}{\\f1 Liberation Sans;}"
                   "{\\f2 DejaVu Sans Mono;}}\\paperw12240\\paperh15840\\margl720\\margr720\\margt720\\margb720\n");
    unsigned seed = 7;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7FFF; };
    for (int page = 0; page < kPages; ++page) {
        rtf += page ? "\\pard\\pagebb\\qc" : "\\pard\\qc";
        rtf += "\\plain\\f1\\fs32\\b Section " + QByteArray::number(page + 1) + "\\par\n";
        // About 45 lines of body text a page in five paragraphs.
        for (int para = 0; para < 5; ++para) {
            rtf += para % 2 ? "\\pard\\qj\\li720\\fi360\\sa120" : "\\pard\\ql\\sb60\\sa60";
            rtf += "\\plain\\f0\\fs24 ";
            for (int w = 0; w < 110; ++w) {
                const unsigned r = next();
                const QByteArray word = words[r % std::size(words)];
                if (r % 23 == 0)
                    rtf += "{\\b " + word + "} ";
                else if (r % 29 == 0)
                    rtf += "{\\i " + word + "} ";
                else if (r % 31 == 0)
                    rtf += "{\\ul " + word + "} ";
                else if (r % 37 == 0)
                    rtf += "{\\f2\\fs20 " + word + "} ";
                else
                    rtf += word + ' ';
            }
            rtf += "\\par\n";
        }
    }
    return rtf + "}\n";
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e6;
}

// Seconds soffice takes to convert `file` to PDF, or -1.
double officeSeconds(const QString &profile, const QString &file, const QString &outDir)
{
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral("soffice"), {"-env:UserInstallation=" + QUrl::fromLocalFile(profile).toString(),
                                       "--headless", "--norestore", "--convert-to", "pdf", "--outdir", outDir, file});
    if (!p.waitForFinished(900000) || p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray rtf = fiftyPages();
    if (argc == 3 && QByteArray(argv[1]) == "--write") {
        // The document alone, for trying it in other programs.
        QFile out(QString::fromLocal8Bit(argv[2]));
        return out.open(QIODevice::WriteOnly) && out.write(rtf) == rtf.size() ? 0 : 1;
    }
    const QString file = dir.filePath("fifty.rtf");
    {
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(rtf);
    }

    std::vector<double> load, shown, save, layout, paint;
    int pages = 0;
    QByteArray saved;
    for (int round = 0; round < kRounds; ++round) {
        RichDocument d;
        load.push_back(timeMs([&] { d.loadFromFile(file); }));
        {
            // The same into a document an editor shows: Qt lays the whole
            // text out for the screen as it arrives.
            RichDocument e;
            e.document();
            shown.push_back(timeMs([&] { e.loadFromFile(file); }));
        }
        save.push_back(timeMs([&] { saved = d.saveRtf(); }));
        // As page rendering does: about 200 dots per inch, pages ending at
        // hard page breaks, a 1664 x 2156 page with 49-pixel margins.
        d.setZoom(200 * 100 / RichDocument::screenPixelsPerInch());
        d.setPageBreakMode(true);
        layout.push_back(timeMs([&] { d.lineCount(1664 - 49); }));
        QImage page(1664, 2156, QImage::Format_RGB32);
        pages = 0;
        paint.push_back(timeMs([&] {
            int next = 0;
            do {
                page.fill(Qt::white);
                QPainter p(&page);
                next = d.paintPage(p, 49, 49, 1664 - 49, 2156 - 49, next);
                ++pages;
            } while (next > 0);
        }));
    }

    std::printf("Rich text, %d-page RTF letter (%lld bytes, %d pages painted), median of %d rounds:\n", kPages,
                static_cast<long long>(rtf.size()), pages, kRounds);
    std::printf("  Quillon load (RTF to document)     %8.1f ms   (target < 100 ms)\n", median(load));
    std::printf("  Quillon load into a shown document %8.1f ms   (laid out for the screen as well)\n",
                median(shown));
    std::printf("  Quillon save (document to RTF)     %8.1f ms   (%lld bytes)\n", median(save),
                static_cast<long long>(saved.size()));
    std::printf("  Quillon layout of all pages        %8.1f ms   %6.2f ms a page (target < 20 ms)\n",
                median(layout), median(layout) / pages);
    std::printf("  Quillon painting of all pages      %8.1f ms   %6.2f ms a page\n", median(paint),
                median(paint) / pages);
    std::printf("  Quillon load + layout + painting   %8.1f ms\n", median(load) + median(layout) + median(paint));

    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()) {
        std::printf("  LibreOffice: soffice not installed (libreoffice-writer-nogui)\n");
        return 0;
    }
    const QString profile = dir.filePath("profile");
    const QString tiny = dir.filePath("tiny.rtf");
    {
        QFile f(tiny);
        f.open(QIODevice::WriteOnly);
        f.write("{\\rtf1 x\\par}");
    }
    officeSeconds(profile, tiny, dir.filePath("warm"));  // creates the profile
    const double start = officeSeconds(profile, tiny, dir.filePath("pdf"));
    const double whole = officeSeconds(profile, file, dir.filePath("pdf"));
    std::printf("  LibreOffice RTF to PDF, 50 pages   %8.1f ms   (a one-line file: %.1f ms, its start)\n",
                whole * 1000, start * 1000);
    return 0;
}
