// qlnfax send: sends APF files through a fax modem, printing each status
// text as it changes and the final result. Exit status 0 only on success.
// The header line is drawn with the built-in fax font unless --header-font
// names a system font; main() has made the GUI application object (offscreen
// without a display) that system fonts need.
#include "commands.h"

#include "comms/comport.h"
#include "fax/faxsendfax.h"

#include "faxcli.h"

#include <QFont>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

const char *kUsage =
    "usage: qlnfax send --device PATH|--com N [--class 1|2|2.0|auto] [--bps N] [--ecm]\n"
    "                   [--station ID] [--header TEXT] [--header-font FAMILY[,PIXELS]]\n"
    "                   [--cover FILE.TXT|FILE.APF] [--dial-attempts N] [--dial-wait S]\n"
    "                   [--retry-wait S] [--init-baud N] [--normal-baud N] [--software-flow]\n"
    "                   [--documents] NUMBER FILE.APF...\n"
    "       --bps: 2400, 4800, 7200, 9600, 12000 or 14400 (default 9600)\n"
    "       --documents: each FILE is a document of its own (Class 1: EOM between files,\n"
    "                    MPS between the pages of a file); without it the files are one document\n";

// "FAMILY" or "FAMILY,PIXELS" (13 pixels when not given); false when the
// family is empty or the pixel size is not a number from 1 to 400.
bool parseHeaderFont(const std::string &text, QFont &font)
{
    std::string family = text;
    int pixels = 13;
    if (std::size_t comma = text.rfind(','); comma != std::string::npos) {
        family = text.substr(0, comma);
        const std::string size = text.substr(comma + 1);
        std::size_t used = 0;
        try {
            pixels = std::stoi(size, &used);
        } catch (const std::exception &) {
            return false;
        }
        if (used != size.size() || pixels < 1 || pixels > 400)
            return false;
    }
    if (family.empty())
        return false;
    font = QFont(QString::fromStdString(family));
    font.setPixelSize(pixels);
    return true;
}

} // namespace


namespace {

int runSend(const QlnArgs &argsIn)
{
    using namespace qln::fax;
    QlnArgs args = argsIn;
    qln::TApdComPort port;
    TApdSendFax fax;
    std::string value;
    if (!qlnfaxcli::setUpPort(port, args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (qlnargs::takeOption(args, "--class", value) && !qlnfaxcli::parseFaxClass(value, fax.FaxClass)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (qlnargs::takeInt(args, "--bps", fax.DesiredBPS, 2400, 14400) && !qlnfaxcli::faxSpeed(fax.DesiredBPS)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    fax.DesiredECM = qlnargs::takeFlag(args, "--ecm");
    fax.DocumentPerFile = qlnargs::takeFlag(args, "--documents");
    if (qlnargs::takeOption(args, "--station", value))
        fax.StationID = value;
    if (qlnargs::takeOption(args, "--header", value))
        fax.HeaderLine = value;
    qlnargs::takeOption(args, "--cover", fax.CoverFile);
    qlnargs::takeInt(args, "--dial-attempts", fax.DialAttempts, 0, 255);
    qlnargs::takeInt(args, "--dial-wait", fax.DialWait, 1, 3600);
    qlnargs::takeInt(args, "--retry-wait", fax.DialRetryWait, 0, 3600);
    if (qlnargs::takeOption(args, "--header-font", value)) {
        if (!parseHeaderFont(value, fax.EnhHeaderFont)) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        fax.EnhTextEnabled = true;
    }
    if (args.size() < 2 || args[0].rfind("--", 0) == 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    fax.PhoneNumber = args[0];
    fax.FaxFileList.assign(args.begin() + 1, args.end());

    fax.SetComPort(&port);
    bool done = false;
    int result = 0;
    qlnfaxcli::watchSession(fax, done, result);
    int code = qlnfaxcli::runSession(fax, [&] { return fax.StartSending(); }, done, result);
    if (code == 0) {
        // The cover page, when there is one, is a page of the call too.
        std::printf("sent: %d page(s) to %s at %d bps\n", fax.PageCount() + (fax.CoverFile.empty() ? 0 : 1),
                    fax.RemoteStation().c_str(), fax.LineSpeed());
        return 0;
    }
    qlnfaxcli::printFailure(code);
    return 1;
}

QlnCommand reg{"send",
               "send --device PATH|--com N [--class 1|2|2.0|auto] [--bps N] NUMBER FILE.APF...",
               "send APF files through a fax modem (also --ecm, --station, --header, --header-font "
               "FAMILY[,PIXELS], --cover FILE, --dial-attempts, --dial-wait, --retry-wait, "
               "--init-baud, --normal-baud, --software-flow, --documents: one document per file)",
               runSend};

} // namespace
