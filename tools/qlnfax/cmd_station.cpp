// qlnfax station: receive mode without a window. Switches receive mode on
// with the settings of the data directory, stores every fax received as the
// main window does (file in receive/, row in the received-fax table,
// "Lastrec.log"), and prints one line per event. SIGINT or SIGTERM ends it
// once the current call is over; a second signal cancels that call.
// --pdf-dir DIR also writes each received fax as a PDF named after its date,
// time and sender into DIR (the setting PdfDirectory of [Receive]).
// Exit status 0 when receive mode ran and was switched off, 1 when it could
// not be switched on.
#include "commands.h"

#include "common/datadir.h"
#include "common/settings.h"
#include "comms/uibridge.h"
#include "records/faxtables.h"
#include "sessions/modemhelpers.h"
#include "sessions/receiptprinter.h"
#include "sessions/receivedfaxstore.h"
#include "sessions/receivestation.h"
#include "telephony/modemdevice.h"

#include <QDir>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

const char *kUsage = "usage: qlnfax station [--data-dir DIR] [--device PATH|--com N] [--class 1|2|2.0]\n"
                     "                      [--print-to-pdf DIR] [--pdf-dir DIR]\n";

volatile std::sig_atomic_t signalCount = 0;

void onSignal(int) { signalCount = signalCount + 1; }

void printLine(const std::string &line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int runStation(const QlnArgs &argsIn)
{
    using namespace qln;
    QlnArgs args = argsIn;
    std::string dir, device, cls, pdfDir, keepPdfDir;
    int com = 0;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        setDataDirectoryOverride(dir);
    const bool haveDevice = qlnargs::takeOption(args, "--device", device);
    const bool haveCom = qlnargs::takeInt(args, "--com", com, 1, 255);
    const bool haveClass = qlnargs::takeOption(args, "--class", cls);
    qlnargs::takeOption(args, "--print-to-pdf", pdfDir);
    const bool keepPdf = qlnargs::takeOption(args, "--pdf-dir", keepPdfDir);
    if (!args.empty() || (haveDevice && haveCom) ||
        (haveClass && cls != "1" && cls != "2" && cls != "2.0")) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    const std::string dataDir = dataDirectory();
    Settings &s = settings();
    s.load(settingsPath());
    if (haveClass)
        s.faxClassReceive = cls == "1" ? 1 : cls == "2" ? 2 : 3;
    if (haveCom) {
        s.comPort = com - 1;
        s.useTAPI = false;
        s.noModem = false;
    }
    if (haveDevice) {
        s.useTAPI = false;
        s.noModem = false;
    }
    if (keepPdf) {
        if (keepPdfDir.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        s.receivedPdfDirectory = QDir(QString::fromStdString(keepPdfDir)).absolutePath().toStdString();
    }
    if (!pdfDir.empty()) {
        s.printOnReceipt = true;
        QDir().mkpath(QString::fromStdString(pdfDir));
    }
    if (s.noModem) {
        std::fprintf(stderr, "qlnfax station: no modem is configured (use --device or --com)\n");
        return 1;
    }
    InstallPortMapping(s);
    if (findNameNoCase(dataDir, "receive").empty())
        QDir().mkpath(QString::fromStdString(dataDir + "receive"));

    records::FaxTables tables(dataDir);
    if (!tables.OpenRecFaxDBF()) {
        std::fprintf(stderr, "qlnfax station: Unable to open/create the FAX RECEIVE datafile\n");
        return 1;
    }
    HeadlessStationHost host(tables);
    ReceiptPrinter printer(dataDir, false);
    printer.setPdfDirectory(pdfDir);
    host.onEvent = printLine;
    host.onPrint = [&](const std::string &path) {
        std::string error;
        if (printer.print(path, s, error))
            printLine("printed: " + (pdfDir.empty() ? path : printer.pdfPathFor(path)));
        else
            printLine("print failed: " + path + ": " + error);
    };

    TModemDevice modemDevice;  // used when the settings name a modem device (UseTAPI)
    ReceiveStation station(s, dataDir, host);
    station.setTelephonyDevice(&modemDevice);
    if (haveDevice)
        station.setDevicePath(device);
    signalCount = 0;
    auto oldInt = std::signal(SIGINT, onSignal);
    auto oldTerm = std::signal(SIGTERM, onSignal);
    int rc = 1;
    if (station.switchOn()) {
        printLine("receive mode on");
        bool cancelled = false;
        while (station.receiveMode()) {
            UiBridge::ProcessMessages();
            if (signalCount > 0 && !station.receivingFax()) {
                station.switchOff();
                break;
            }
            if (signalCount > 1 && !cancelled) {
                cancelled = true;
                printLine("cancelling the current call");
                station.receiver().CancelSession();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        UiBridge::ProcessMessages();
        printLine("receive mode off");
        rc = signalCount > 0 ? 0 : 1;
    }
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    tables.CloseAll();
    return rc;
}

QlnCommand reg{"station", "station [--data-dir DIR] [--device PATH|--com N] [--class 1|2|2.0]",
               "receive mode without a window: answer calls, store and list each fax "
               "(also --print-to-pdf DIR; --pdf-dir DIR keeps each fax as a PDF there too)",
               runStation};

} // namespace
