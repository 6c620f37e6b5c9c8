// Viewer benchmark: a 20-page fine fax written from text, then
//   - open it in the viewer control and paint page 1 at the window's start
//     zoom (the time until the first page is on screen),
//   - change to the next page and paint it,
//   - rotate the fine page a quarter turn and paint it,
// beside ImageMagick's convert turning the same page, as a TIFF class F
// file, into a bitmap. Best of five runs, in milliseconds.
// usage: viewer_bench (QT_QPA_PLATFORM=offscreen is fine)
#include "faximage/converter.h"
#include "faximage/outputfile.h"
#include "faximage/unpackertiff.h"
#include "viewer/faxviewer.h"
#include "viewer/viewfaxlogic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <string>

namespace {

constexpr int kPages = 20;
constexpr int kRuns = 5;

double bestOf(const std::function<void()> &prepare, const std::function<void()> &work)
{
    double best = 1e9;
    for (int r = 0; r < kRuns; ++r) {
        if (prepare)
            prepare();
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

std::string makeFax(const QString &dir)
{
    const std::string text = (dir + "/doc.txt").toStdString();
    QFile f(QString::fromStdString(text));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    for (int page = 1; page <= kPages; ++page) {
        for (int i = 1; i <= 60; ++i)
            f.write(("Page " + std::to_string(page) + " line " + std::to_string(i) +
                     ": the quick brown fox jumps over the lazy dog 0123456789\n").c_str());
    }
    f.close();
    const std::string apf = (dir + "/bench.apf").toStdString();
    qln::fax::TApdFaxConverter c;
    c.SetInputDocumentType(qln::fax::idText);
    c.SetResolution(qln::fax::frHigh);
    c.SetDocumentFile(text);
    c.SetOutFileName(apf);
    c.ConvertDocument();
    return apf;
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string apf = makeFax(dir.path());
    if (apf.empty())
        return 1;

    qln::viewer::TApdFaxViewer viewer;
    viewer.resize(700, 500);
    viewer.setAutoScaleMode(qln::fax::asHalfWidth);
    viewer.show();
    QApplication::processEvents();
    auto paint = [&] { (void)viewer.grab(); };

    const double open = bestOf([&] { viewer.setFileName(""); },
                               [&] {
                                   viewer.BeginViewUpdate();
                                   viewer.setFileName(apf);
                                   const int z = qln::viewer::startZoom(viewer.width(), viewer.PageWidth());
                                   viewer.setScaling(true);
                                   viewer.setHorizMult(unsigned(z));
                                   viewer.setVertMult(unsigned(z));
                                   viewer.setHorizDiv(100);
                                   viewer.setVertDiv(100);
                                   viewer.EndViewUpdate();
                                   paint();
                               });
    const double change = bestOf([&] { viewer.GoFirstPage(); paint(); },
                                 [&] {
                                     viewer.GoNextPage();
                                     paint();
                                 });
    const int pageW = viewer.PageWidth(), pageH = viewer.PageHeight();
    const double rotate = bestOf([&] { viewer.setPageRotation(0); paint(); },
                                 [&] {
                                     viewer.setPageRotation(1);
                                     paint();
                                 });

    // The same page as TIFF class F, turned into a bitmap by ImageMagick.
    qln::fax::FaxPageLines lines;
    double magick = -1;
    if (qln::fax::readFaxPageLines(apf, 1, lines) == 0) {
        const std::string tif = (dir.path() + "/page.tif").toStdString();
        if (qln::fax::writeFileAtomically(tif, qln::fax::makeTiffClassF(lines)) == 0) {
            const QString bmp = dir.path() + "/page.bmp";
            magick = bestOf(nullptr, [&] {
                QProcess p;
                p.start(QStringLiteral("convert"), {QString::fromStdString(tif), bmp});
                p.waitForFinished(60000);
            });
        }
    }

    std::printf("viewer: %d-page fine fax, page %dx%d, control 700x500\n", kPages, pageW, pageH);
    std::printf("  open and show page 1 (start zoom)   %8.2f ms   (target < 100)\n", open);
    std::printf("  next page shown                     %8.2f ms   (target < 30)\n", change);
    std::printf("  rotate fine page a quarter turn     %8.2f ms   (target < 30)\n", rotate);
    if (magick >= 0)
        std::printf("  ImageMagick convert TIFF -> BMP     %8.2f ms   (same page, process included)\n", magick);
    else
        std::printf("  ImageMagick convert: not run\n");
    return 0;
}
