// Print benchmark: a 20-page fax printed to PDF one page per sheet and four
// per sheet by TApdFaxPrinter, beside libtiff's tiff2pdf converting the
// same pages exported as a multi-page TIFF. Prints milliseconds per page.
// usage: print_bench QLNFAX
#include "faximage/faxprinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

namespace {

constexpr int kPages = 20;
constexpr int kRuns = 3;

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

double printMsPerPage(const std::string &apf, const QString &pdf, bool fourUp)
{
    double best = 1e9;
    for (int r = 0; r < kRuns; ++r) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        qln::fax::TApdFaxPrinter fp;
        fp.SetPrinter(&printer);
        fp.MultiPage = fourUp;
        QElapsedTimer t;
        t.start();
        if (fp.PrintFile(apf) != qln::fax::TFaxPrintOutcome::Finished)
            return -1;
        best = std::min(best, double(t.nsecsElapsed()) / 1e6 / kPages);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: print_bench QLNFAX\n");
        return 2;
    }
    const QString qlnfax = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    const QString d = dir.path();
    {
        std::ofstream text((d + "/text.txt").toStdString());
        for (int i = 1; i <= 58 * kPages; ++i)
            text << "Line " << i << ": the quick brown fox jumps over the lazy dog 0123456789\n";
    }
    const QString apf = d + "/fax.apf";
    if (!run(qlnfax, {"convert", d + "/text.txt", "-o", apf, "--fine"})) {
        std::fprintf(stderr, "convert failed\n");
        return 1;
    }
    QStringList tifs;
    for (int p = 1; p <= kPages; ++p) {
        const QString tif = d + QString("/p%1.tif").arg(p);
        if (!run(qlnfax, {"export", apf, "--page", QString::number(p), "-o", tif})) {
            std::fprintf(stderr, "export of page %d failed (fewer than %d pages?)\n", p, kPages);
            return 1;
        }
        tifs << tif;
    }
    if (!run("tiffcp", tifs + QStringList{d + "/all.tif"})) {
        std::fprintf(stderr, "tiffcp failed\n");
        return 1;
    }
    const double oneUp = printMsPerPage(apf.toStdString(), d + "/one.pdf", false);
    const double fourUp = printMsPerPage(apf.toStdString(), d + "/four.pdf", true);
    double ref = 1e9;
    for (int r = 0; r < kRuns; ++r) {
        QElapsedTimer t;
        t.start();
        if (!run("tiff2pdf", {"-o", d + "/ref.pdf", d + "/all.tif"})) {
            std::fprintf(stderr, "tiff2pdf failed\n");
            return 1;
        }
        ref = std::min(ref, double(t.nsecsElapsed()) / 1e6 / kPages);
    }
    std::printf("20 fine pages to PDF, best of %d runs (target under 50 ms per page)\n", kRuns);
    std::printf("  Quillon 1-up  %7.2f ms per page\n", oneUp);
    std::printf("  Quillon 4-up  %7.2f ms per page\n", fourUp);
    std::printf("  tiff2pdf      %7.2f ms per page (TIFF G3 pages, same content)\n", ref);
    return oneUp >= 0 && fourUp >= 0 ? 0 : 1;
}
