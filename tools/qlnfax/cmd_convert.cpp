// qlnfax convert: turns a text, BMP, PCX, DCX, TIFF or PDF file into an APF
// file with the fax converter, then lists the pages written. TIFF (every
// page, any compression) and PDF pages keep their count and proportions.
#include "commands.h"

#include <QFont>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "faximage/apf.h"
#include "faximage/converter.h"
#include "faximage/outputfile.h"

using namespace qln::fax;

namespace {

std::string lower(std::string s)
{
    for (char &c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TFaxInputDocumentType typeFromName(const std::string &t)
{
    const std::string s = lower(t);
    if (s == "text" || s == "txt")
        return idText;
    if (s == "textex")
        return idTextEx;
    if (s == "bmp")
        return idBmp;
    if (s == "pcx")
        return idPcx;
    if (s == "dcx")
        return idDcx;
    if (s == "tiff" || s == "tif")
        return idTiff;
    if (s == "pdf")
        return idPdf;
    throw std::runtime_error("unknown input type '" + t + "' (text, textex, bmp, pcx, dcx, tiff, pdf)");
}

// The input type from the file's extension: none, .txt, .text and .asc are
// text; anything else must be a known image type (or given with --type).
TFaxInputDocumentType typeFromExtension(const std::string &file)
{
    const std::size_t dot = file.find_last_of('.');
    const std::size_t slash = file.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return idText;
    const std::string ext = lower(file.substr(dot + 1));
    if (ext == "txt" || ext == "text" || ext == "asc")
        return idText;
    if (ext == "bmp" || ext == "pcx" || ext == "dcx" || ext == "tif" || ext == "tiff" ||
        ext == "pdf")
        return typeFromName(ext);
    throw std::runtime_error("cannot tell the type of '" + file + "' from its extension; use --type");
}

// "doublewidth,center" or a number (the option bits).
TFaxCvtOptionsSet parseOptions(const std::string &text)
{
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])))
        return TFaxCvtOptionsSet(std::stoul(text, nullptr, 0));
    TFaxCvtOptionsSet o = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string item = lower(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (item == "doublewidth")
            o |= coDoubleWidth;
        else if (item == "halfheight")
            o |= coHalfHeight;
        else if (item == "center" || item == "centre" || item == "centerimage")
            o |= coCenterImage;
        else if (item == "yield")
            o |= coYield;
        else if (item == "yieldoften")
            o |= coYieldOften;
        else if (!item.empty() && item != "none")
            throw std::runtime_error("unknown option '" + item + "'");
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return o;
}

int intOption(QlnArgs &args, const std::string &name, int def)
{
    int v = def;
    qlnargs::takeInt(args, name, v, 0, 100000);
    return v;
}

void listPages(const std::string &file)
{
    ApfReader reader;
    if (reader.open(file) < 0)
        return;
    std::printf("%s: %d page(s)\n", file.c_str(), reader.pageCount());
    for (int p = 1; p <= reader.pageCount(); ++p) {
        ApfPageHeader h;
        if (reader.seekPage(p, &h) < 0)
            break;
        std::printf("  page %d: %s, %d pixels, image length %u\n", p, h.fine() ? "fine" : "normal", h.width(),
                    unsigned(h.imageLength));
    }
}

int runConvert(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    try {
        std::string out, type, options, font, family, station;
        qlnargs::takeOption(args, "-o", out);
        const bool haveType = qlnargs::takeOption(args, "--type", type);
        const bool fine = qlnargs::takeFlag(args, "--fine");
        const bool wide = qlnargs::takeFlag(args, "--wide");
        const bool haveOptions = qlnargs::takeOption(args, "--options", options);
        const int left = intOption(args, "--left-margin", 50);
        const int top = intOption(args, "--top-margin", 0);
        const int lines = intOption(args, "--lines-per-page", 60);
        const int tab = intOption(args, "--tab-stop", 4);
        const int size = intOption(args, "--font-size", 12);
        qlnargs::takeOption(args, "--font", font);
        qlnargs::takeOption(args, "--font-family", family);
        qlnargs::takeOption(args, "--station", station);
        if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
            std::fprintf(stderr, "usage: qlnfax convert INPUT [-o OUT.APF] [--type text|textex|bmp|pcx|dcx|tiff|pdf] "
                                 "[--fine] [--wide] [--options LIST]\n");
            return 2;
        }
        // An interrupted conversion leaves neither a half-written file nor
        // its temporary name behind.
        removeOutputFilesOnSignals();
        TApdFaxConverter cvt;
        cvt.SetInputDocumentType(haveType ? typeFromName(type) : typeFromExtension(args[0]));
        cvt.SetDocumentFile(args[0]);
        if (!out.empty())
            cvt.SetOutFileName(out);
        if (haveOptions)
            cvt.SetOptions(parseOptions(options));
        cvt.SetResolution(fine ? frHigh : frNormal);
        cvt.SetWidth(wide ? fwWide : fwNormal);
        cvt.SetLeftMargin(left);
        cvt.SetTopMargin(top);
        cvt.SetLinesPerPage(lines);
        cvt.SetTabStop(tab);
        cvt.SetFontType(lower(font) == "small" ? ffSmall : ffStandard);
        cvt.SetStationID(station);
        QFont f(family.empty() ? QStringLiteral("DejaVu Sans") : QString::fromStdString(family));
        f.setPointSize(size);
        cvt.SetEnhFont(f);
        cvt.ConvertDocument();
        listPages(ConverterCore::withDefaultExtension(cvt.OutFileName(), "APF"));
        return 0;
    } catch (const EFaxConverterError &e) {
        std::fprintf(stderr, "qlnfax convert: %s (%d)\n", e.what(), e.code());
        return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qlnfax convert: %s\n", e.what());
        return 2;
    }
}

QlnCommand reg{"convert",
               "convert INPUT [-o OUT.APF] [--type text|textex|bmp|pcx|dcx|tiff|pdf] [--fine] [--wide] [--options LIST]",
               "convert a text, image, TIFF or PDF file to an APF fax file (options: doublewidth,halfheight,center,yield,"
               "yieldoften; also --left-margin, --top-margin, --lines-per-page, --tab-stop, --font small|standard, "
               "--font-family, --font-size, --station)",
               runConvert};

} // namespace
