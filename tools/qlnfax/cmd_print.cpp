// qlnfax print: prints an APF fax file through the fax printer, to a PDF
// file or a printer, with the layout options of the viewer's print command.
// Exit status 0 when every page was printed.
#include "commands.h"

#include "faximage/faxprinter.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

#include <cstdio>

namespace {

const char *kUsage =
    "usage: qlnfax print FILE.APF [--pdf OUT.pdf | --printer NAME] [--4up] [--landscape]\n"
    "                   [--natural] [--header TEXT] [--footer TEXT] [--pages FIRST-LAST]\n"
    "                   [--dpi N] [--log FILE]\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

bool parseRange(const std::string &text, int &first, int &last)
{
    const auto dash = text.find('-');
    try {
        if (dash == std::string::npos) {
            first = last = std::stoi(text);
        } else {
            first = std::stoi(text.substr(0, dash));
            last = std::stoi(text.substr(dash + 1));
        }
    } catch (const std::exception &) {
        return false;
    }
    return first >= 1 && last >= first;
}

int runPrint(const QlnArgs &argsIn)
{
    using namespace qln::fax;
    QlnArgs args = argsIn;
    std::string pdf, printerName, header, footer, range, logFile;
    int dpi = 0;
    const bool havePdf = qlnargs::takeOption(args, "--pdf", pdf);
    const bool havePrinter = qlnargs::takeOption(args, "--printer", printerName);
    const bool fourUp = qlnargs::takeFlag(args, "--4up");
    const bool landscape = qlnargs::takeFlag(args, "--landscape");
    const bool natural = qlnargs::takeFlag(args, "--natural");
    const bool haveHeader = qlnargs::takeOption(args, "--header", header);
    const bool haveFooter = qlnargs::takeOption(args, "--footer", footer);
    qlnargs::takeOption(args, "--pages", range);
    qlnargs::takeInt(args, "--dpi", dpi, 72, 2400);
    qlnargs::takeOption(args, "--log", logFile);
    if (args.size() != 1 || (havePdf && havePrinter) || args[0].rfind("--", 0) == 0)
        return usage();
    int first = 0, last = 0;
    if (!range.empty() && !parseRange(range, first, last))
        return usage();

    QPrinter printer(QPrinter::HighResolution);
    if (havePdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
    } else {
        const QString name = havePrinter ? QString::fromStdString(printerName)
                                         : QPrinterInfo::defaultPrinterName();
        if (name.isEmpty() || QPrinterInfo::printerInfo(name).isNull()) {
            std::fprintf(stderr, "qlnfax print: no printer \"%s\"\n", name.toStdString().c_str());
            return 1;
        }
        printer.setPrinterName(name);
    }
    if (dpi > 0)
        printer.setResolution(dpi);
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);

    TApdFaxPrinter fp;
    TApdFaxPrinterLog log;
    fp.SetPrinter(&printer);
    fp.MultiPage = fourUp;
    fp.PrintScale = natural ? psNone : psFitToPage;
    fp.FaxHeader.Enabled = haveHeader;
    fp.FaxFooter.Enabled = haveFooter;
    if (haveHeader)
        fp.FaxHeader.Caption = header;
    if (haveFooter)
        fp.FaxFooter.Caption = footer;
    if (!logFile.empty()) {
        log.LogFileName = logFile;
        fp.FaxPrinterLog = &log;
    }
    int printed = 0;
    fp.OnNextPage = [&](TApdFaxPrinter &, int, int) { ++printed; };
    TFaxPrintOutcome outcome;
    try {
        outcome = fp.PrintFile(args[0], first, last);
    } catch (const EFaxUnpackerError &e) {
        std::fprintf(stderr, "qlnfax print: %s: %s\n", args[0].c_str(), e.what());
        return 1;
    }
    switch (outcome) {
    case TFaxPrintOutcome::Finished:
        std::printf("printed %d pages\n", printed);
        return 0;
    case TFaxPrintOutcome::Nothing:
        std::fprintf(stderr, "qlnfax print: %s has no pages to print\n", args[0].c_str());
        return 1;
    default:
        std::fprintf(stderr, "qlnfax print: printing %s failed%s%s\n", args[0].c_str(),
                     fp.LastError().empty() ? "" : ": ", fp.LastError().c_str());
        return 1;
    }
}

QlnCommand reg{"print",
               "print FILE.APF [--pdf OUT.pdf | --printer NAME] [--4up] [--landscape] [--natural]",
               "print a fax file (also --header TEXT, --footer TEXT, --pages A-B, --dpi N, --log FILE)",
               runPrint};

} // namespace
