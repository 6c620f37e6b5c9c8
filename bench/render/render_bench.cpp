// Rendering benchmark: a 10-page RTF letter (hard page breaks) rendered to
// one APF fax file by Quillon's page rendering, in milliseconds per page
// (median of several runs), beside the reference tools on the same input:
// `soffice --convert-to pdf` of the RTF and `gs` turning that PDF into
// TIFF G3 pages at fax fine resolution. Also prints the in-memory bitmap
// hand-over against the "_TMP.BMP" file, and the machine's load.
//
// usage: render_bench [RUNS]
#include "compose/pagerender.h"
#include "richtext/richdocument.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <ctime>
#include <sys/resource.h>
#include <cstdio>
#include <fstream>
#include <vector>

using namespace qln;

namespace {

constexpr int kPages = 10;

QByteArray letterRtf()
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}}\\f0\\fs22 ";
    for (int page = 1; page <= kPages; ++page) {
        if (page > 1)
            rtf += "\\page ";
        rtf += "{\\f1\\fs28\\b Section " + QByteArray::number(page) + "\\par}";
        for (int p = 0; p < 9; ++p)
            rtf += "The order of spring covers twelve boxes of bolts, three crates of washers and the "
                   "brackets agreed on the phone. Delivery is due within two weeks of this letter, and "
                   "payment within thirty days of delivery, as in our earlier orders.\\par ";
    }
    return rtf + "}";
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double childCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// CPU milliseconds of the last measured run (the machine is shared, so wall
// time alone says little).
double g_lastCpuMs = 0;

double renderOnce(richtext::RichDocument &doc, const QString &dir, bool viaFile, int &pages)
{
    compose::FaxPageRenderer r(dir.toStdString() + "/", 96);
    r.useBitmapFile = viaFile;
    r.processMessages = [] {};
    richtext::RichDocument none;
    compose::PagePainterFor<richtext::RichDocument> cover(none), text(doc);
    QElapsedTimer t;
    const double cpu0 = cpuMs();
    t.start();
    const std::string file = r.CreateFaxFile(cover, text, pages);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    g_lastCpuMs = cpuMs() - cpu0;
    QFile::remove(QString::fromStdString(file));
    return ms;
}

// Runs a command, returns its wall time in ms (negative when it failed).
double timed(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer t;
    const double cpu0 = childCpuMs();
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", program.toUtf8().constData(), p.readAll().constData());
        return -1;
    }
    g_lastCpuMs = childCpuMs() - cpu0;
    return double(t.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString rtfPath = dir.path() + "/letter.rtf";
    {
        QFile f(rtfPath);
        f.open(QIODevice::WriteOnly);
        f.write(letterRtf());
    }
    if (std::ifstream("/proc/loadavg")) {
        std::ifstream load("/proc/loadavg");
        std::string a, b, c;
        load >> a >> b >> c;
        std::printf("machine load (1/5/15 min): %s %s %s\n", a.c_str(), b.c_str(), c.c_str());
    }

    richtext::RichDocument doc;
    doc.loadFromFile(rtfPath);
    int pages = 0;
    renderOnce(doc, dir.path(), false, pages); // warm-up (fonts, caches)
    std::vector<double> memory, file, memoryCpu;
    for (int i = 0; i < runs; ++i) {
        memory.push_back(renderOnce(doc, dir.path(), false, pages));
        memoryCpu.push_back(g_lastCpuMs);
        file.push_back(renderOnce(doc, dir.path(), true, pages));
    }
    const double quillon = median(memory) / pages;
    std::printf("pages rendered: %d (median of %d runs)\n", pages, runs);
    std::printf("quillon render, bitmap in memory   %8.1f ms/page   cpu %6.1f ms/page\n", quillon,
                median(memoryCpu) / pages);
    std::printf("quillon render, through _TMP.BMP   %8.1f ms/page\n", median(file) / pages);

    // LibreOffice: the same RTF to PDF (its start-up included, as a user
    // would run it), then Ghostscript: that PDF to TIFF G3 fax pages.
    const QString profile = "-env:UserInstallation=file://" + dir.path() + "/lo-profile";
    timed("soffice", {profile, "--headless", "--convert-to", "pdf", "--outdir", dir.path(), rtfPath}); // profile
    std::vector<double> lo, gs, loCpu, gsCpu;
    for (int i = 0; i < std::min(runs, 3); ++i) {
        const double l = timed("soffice", {profile, "--headless", "--convert-to", "pdf", "--outdir", dir.path(),
                                           rtfPath});
        loCpu.push_back(g_lastCpuMs);
        const double g = timed("gs", {"-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=tiffg3", "-r204x196",
                                      "-sOutputFile=" + dir.path() + "/gs-%02d.tif", dir.path() + "/letter.pdf"});
        gsCpu.push_back(g_lastCpuMs);
        if (l < 0 || g < 0)
            return 1;
        lo.push_back(l);
        gs.push_back(g);
    }
    QProcess info;
    info.start("pdfinfo", {dir.path() + "/letter.pdf"});
    info.waitForFinished();
    int loPages = pages;
    for (const QByteArray &l : info.readAll().split('\n'))
        if (l.startsWith("Pages:"))
            loPages = l.mid(6).trimmed().toInt();
    std::printf("soffice --convert-to pdf           %8.1f ms/page   cpu %6.1f ms/page (%d pages)\n",
                median(lo) / loPages, median(loCpu) / loPages, loPages);
    std::printf("gs pdf -> tiffg3 204x196           %8.1f ms/page   cpu %6.1f ms/page\n", median(gs) / loPages,
                median(gsCpu) / loPages);
    std::printf("quillon is %.1fx faster than soffice and %.1fx faster than gs per page\n",
                median(lo) / loPages / quillon, median(gs) / loPages / quillon);
    return 0;
}
