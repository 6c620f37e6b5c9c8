// qlnfax render: renders a document (and a cover sheet) given as RTF files
// into one APF file exactly as the program renders an outgoing fax, and
// prints the page count. The rendering files are made in a private
// directory beside OUT.apf (scratchdir.h: removed also on failure and on
// SIGINT/SIGTERM, and when stale by the next render), and OUT.apf is written
// only when rendering succeeded.
#include "commands.h"
#include "scratchdir.h"

#include "compose/pagerender.h"
#include "faximage/faxdocumentfile.h"
#include "richtext/richdocument.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

const char *kUsage = "usage: qlnfax render [--cover COVER.rtf] [--bitmap-file] DOCUMENT.{rtf,pdf,tif} OUT.apf\n";

bool load(qln::richtext::RichDocument &doc, const std::string &path)
{
    if (doc.loadFromFile(QString::fromStdString(path)))
        return true;
    std::fprintf(stderr, "qlnfax render: cannot read %s\n", path.c_str());
    return false;
}

int runRender(const QlnArgs &argsIn)
{
    using namespace qln;
    QlnArgs args = argsIn;
    std::string coverPath;
    const bool haveCover = qlnargs::takeOption(args, "--cover", coverPath);
    const bool viaFile = qlnargs::takeFlag(args, "--bitmap-file");
    if (args.size() != 2 || args[0].rfind("--", 0) == 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    richtext::RichDocument cover, document;
    // A PDF or TIFF document is rendered page by page after the cover sheet.
    std::string documentFile;
    if (qln::fax::faxDocumentFileType(args[0]) != qln::fax::idNone)
        documentFile = args[0];
    if ((haveCover && !load(cover, coverPath)) || (documentFile.empty() && !load(document, args[0])))
        return 2;

    const QString out = QFileInfo(QString::fromStdString(args[1])).absoluteFilePath();
    ScratchDir work(QFileInfo(out).absolutePath().toStdString());
    if (!work.isValid()) {
        std::fprintf(stderr, "qlnfax render: cannot write in %s\n", QFileInfo(out).absolutePath().toUtf8().constData());
        return 1;
    }
    compose::FaxPageRenderer renderer(work.path() + "/", richtext::RichDocument::screenPixelsPerInch());
    renderer.useBitmapFile = viaFile;
    compose::PagePainterFor<richtext::RichDocument> coverText(cover), documentText(document);
    int pages = 0;
    std::string joined;
    try {
        joined = renderer.CreateFaxFile(coverText, documentText, pages, documentFile);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qlnfax render: %s\n", e.what());
        return 1;
    }
    if (joined.empty())
        return 1; // "Fax has no contents or cover sheet" was shown
    QFile::remove(out);
    if (!QFile::rename(QString::fromStdString(joined), out)) {
        std::fprintf(stderr, "qlnfax render: cannot write %s\n", out.toUtf8().constData());
        return 1;
    }
    std::printf("%d\n", pages);
    return 0;
}

const QlnCommand reg{"render", "render [--cover COVER.rtf] DOCUMENT.{rtf,pdf,tif} OUT.apf",
                     "render a document (and cover sheet) to an APF fax file as the program does; "
                     "prints the page count (--bitmap-file converts through _TMP.BMP)",
                     runRender};

}  // namespace
