// qlnfax send: sends APF files through a fax modem, printing each status
// text as it changes and the final result. Exit status 0 only on success.
#include "commands.h"

#include "faxengine/comport.h"
#include "faxengine/faxcodes.h"
#include "faxengine/faxsendfax.h"
#include "faxengine/uibridge.h"

#include "faxcli.h"

#include <cstdio>
#include <stdexcept>

namespace {

const char *kUsage = "usage: qlnfax send --device PATH|--com N [--class 1|2|2.0|auto] [--bps N] [--ecm]\n"
                     "                   [--station ID] [--header TEXT] [--dial-attempts N] [--dial-wait S]\n"
                     "                   [--retry-wait S] NUMBER FILE.APF...\n";

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
    if (qlnargs::takeOption(args, "--bps", value))
        fax.DesiredBPS = std::stoi(value);
    fax.DesiredECM = qlnargs::takeFlag(args, "--ecm");
    if (qlnargs::takeOption(args, "--station", value))
        fax.StationID = value;
    if (qlnargs::takeOption(args, "--header", value))
        fax.HeaderLine = value;
    if (qlnargs::takeOption(args, "--dial-attempts", value))
        fax.DialAttempts = std::stoi(value);
    if (qlnargs::takeOption(args, "--dial-wait", value))
        fax.DialWait = std::stoi(value);
    if (qlnargs::takeOption(args, "--retry-wait", value))
        fax.DialRetryWait = std::stoi(value);
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
    int rc = fax.StartSending();
    if (rc != 0 && !fax.InProgress()) {
        qln::UiBridge::ProcessMessages();
        std::printf("failed: %d %s\n", -rc, faxErrorText(rc).c_str());
        return 1;
    }
    qlnfaxcli::waitForSession([&] { return done; }, [&] { fax.CancelSession(); });
    if (result == 0) {
        std::printf("sent: %d page(s) to %s at %d bps\n", fax.PageCount(),
                    fax.RemoteStation().c_str(), fax.LineSpeed());
        return 0;
    }
    std::printf("failed: %d %s\n", -result, faxErrorText(result).c_str());
    return 1;
}

QlnCommand reg{"send",
               "send --device PATH|--com N [--class 1|2|2.0|auto] [--bps N] NUMBER FILE.APF...",
               "send APF files through a fax modem", runSend};

} // namespace
