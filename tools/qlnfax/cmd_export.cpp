// qlnfax export: writes one page of an APF file as PCX, DCX, BMP, PNG, TIFF
// class F (Group 3, with the fax resolution) or PDF, chosen by the output
// file's extension.
//
// PCX, DCX, BMP and PNG hold the page as the viewer shows it (normal pages
// doubled in height); TIFF and PDF keep the fax resolution instead, so the
// page has its true size.
#include "commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>

#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "faximage/apferrors.h"
#include "faximage/unpacker.h"
#include "faximage/unpackerpcx.h"
#include "faximage/unpackertiff.h"

namespace {

using namespace qln::fax;

std::string lowerExtension(const std::string &name)
{
    std::size_t slash = name.find_last_of('/');
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

int fail(int code)
{
    std::fprintf(stderr, "qlnfax export: %s (%d)\n", apfErrorText(code).c_str(), code);
    return 1;
}

int saveImage(const QImage &img, const std::string &out, const char *format)
{
    QSaveFile file(QString::fromStdString(out));
    if (!file.open(QIODevice::WriteOnly))
        return fail(ecAccessDenied);
    QImageWriter writer(&file, format);
    if (!writer.write(img)) {
        file.cancelWriting();
        std::fprintf(stderr, "qlnfax export: %s\n", writer.errorString().toLocal8Bit().constData());
        return 1;
    }
    if (!file.commit())
        return fail(ecDeviceWrite);
    return 0;
}

// The page at its physical size: 204 dpi across, 196 or 98 dpi down.
int savePdf(const FaxPageLines &page, const std::string &out)
{
    if (page.lines.empty())
        return fail(ecFaxBadFormat);
    QImage img(page.width, int(page.lines.size()), QImage::Format_Mono);
    img.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < img.height(); ++y)
        std::copy(page.lines[std::size_t(y)].begin(), page.lines[std::size_t(y)].end(), img.scanLine(y));
    const double widthIn = page.width / 204.0;
    const double heightIn = img.height() / (page.fine ? 196.0 : 98.0);
    const std::string tmp = out + ".part";
    {
        QPdfWriter pdf(QString::fromStdString(tmp));
        pdf.setPageSize(QPageSize(QSizeF(widthIn * 72.0, heightIn * 72.0), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setResolution(204);
        pdf.setTitle("Fax page");
        QPainter p;
        if (!p.begin(&pdf)) {
            std::remove(tmp.c_str());
            return fail(ecAccessDenied);
        }
        const QRect target(0, 0, p.device()->width(), p.device()->height());
        p.drawImage(target, img);
        p.end();
    }
    if (std::rename(tmp.c_str(), out.c_str()) != 0) {
        std::remove(tmp.c_str());
        return fail(ecAccessDenied);
    }
    return 0;
}

int runExport(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string out;
    int page = 1;
    qlnargs::takeInt(args, "--page", page, 1, 65535);
    if (!qlnargs::takeOption(args, "-o", out))
        throw std::runtime_error("missing -o OUT");
    if (args.size() != 1)
        throw std::runtime_error("expected one APF file");
    const std::string in = args.front();
    const std::string ext = lowerExtension(out);

    try {
        if (ext == "tif" || ext == "tiff" || ext == "pdf") {
            FaxPageLines lines;
            if (int rc = readFaxPageLines(in, page, lines))
                return fail(rc);
            if (ext == "pdf")
                return savePdf(lines, out);
            if (int rc = writeFileAtomically(out, makeTiffClassF(lines)))
                return fail(rc);
            return 0;
        }
        TApdFaxUnpacker u;
        u.setInFileName(in);
        u.OutFileName = out;
        if (ext == "pcx") {
            u.ExtractPagePcx(page);
            return 0;
        }
        if (ext == "dcx") {
            u.ExtractPageDcx(page);
            return 0;
        }
        if (ext == "bmp" || ext == "png") {
            MonoBitmap bm = u.ExtractPageBitmap(page);
            if (bm.isNull())
                return fail(ecFaxBadFormat);
            return saveImage(bm.toQImage(false), out, ext == "bmp" ? "bmp" : "png");
        }
    } catch (const EFaxUnpackerError &e) {
        return fail(e.code());
    }
    throw std::runtime_error("unknown output type \"" + ext + "\" (pcx, dcx, bmp, png, tif, pdf)");
}

const QlnCommand reg{"export", "export FILE.APF [--page N] -o OUT.{pcx,dcx,bmp,png,tif,pdf}",
                     "write one page of an APF file as an image", runExport};

} // namespace
