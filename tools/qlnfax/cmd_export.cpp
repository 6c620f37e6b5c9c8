// qlnfax export: writes an APF file as PDF or TIFF class F (every page, or
// one with --page N), or one page as PNG, BMP, PCX or DCX, chosen by the
// output file's extension (src/faximage/faxexport.h).
//
// PDF and TIFF keep each page's fax resolution, so pages have their true
// size. PNG and BMP double the lines of a normal page so that it looks
// right in any image viewer; --raw-lines keeps them as they are in the file.
// PCX and DCX hold the page as the viewer shows it.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include "faximage/apferrors.h"
#include "faximage/faxexport.h"

namespace {

using namespace qln::fax;

int runExport(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string out;
    FaxExportOptions options;
    qlnargs::takeInt(args, "--page", options.page, 1, 65535);
    options.rawLines = qlnargs::takeFlag(args, "--raw-lines");
    qlnargs::takeOption(args, "-o", out);
    if (out.empty() && args.size() == 2) {
        out = args.back();
        args.pop_back();
    }
    if (args.size() != 1 || out.empty())
        throw std::runtime_error("expected an APF file and an output file");
    const std::string &in = args.front();
    if (faxExportFormatFor(out) == FaxExportFormat::None)
        throw std::runtime_error("unknown output type of \"" + out + "\" (pdf, tif, png, bmp, pcx, dcx)");
    if (int rc = exportFaxFile(in, out, options)) {
        std::fprintf(stderr, "qlnfax export: %s (%d)\n", apfErrorText(rc).c_str(), rc);
        return 1;
    }
    return 0;
}

const QlnCommand reg{"export", "export FILE.APF [--page N] [--raw-lines] [-o] OUT.{pdf,tif,png,bmp,pcx,dcx}",
                     "write an APF file as PDF or TIFF (every page, or --page N) or one page as an image",
                     runExport};

} // namespace
