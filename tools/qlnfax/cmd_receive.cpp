// qlnfax receive: answers calls on a fax modem and stores each received fax
// in a directory, printing each status text as it changes and the files
// received. Exit status 0 only when every call ended well.
#include "commands.h"

#include "faxengine/comport.h"
#include "faxengine/faxcodes.h"
#include "faxengine/faxreceivefax.h"

#include "faxcli.h"

#include <cstdio>


namespace {

const char *kUsage = "usage: qlnfax receive --device PATH|--com N [--class 1|2|2.0|auto] --dir DIR\n"
                     "                      [--once] [--rings N] [--bps N] [--station ID]\n"
                     "                      [--init-baud N] [--normal-baud N] [--software-flow]\n";

int runReceive(const QlnArgs &argsIn)
{
    using namespace qln::fax;
    QlnArgs args = argsIn;
    qln::TApdComPort port;
    TApdReceiveFax fax;
    std::string value, dir;
    if (!qlnfaxcli::setUpPort(port, args) || !qlnargs::takeOption(args, "--dir", dir)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (qlnargs::takeOption(args, "--class", value) && !qlnfaxcli::parseFaxClass(value, fax.FaxClass)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    fax.OneFax = qlnargs::takeFlag(args, "--once");
    qlnargs::takeInt(args, "--rings", fax.AnswerOnRing, 1, 99);
    if (qlnargs::takeInt(args, "--bps", fax.DesiredBPS, 2400, 14400) && !qlnfaxcli::faxSpeed(fax.DesiredBPS)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (qlnargs::takeOption(args, "--station", value))
        fax.StationID = value;
    if (!args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    fax.SetDestinationDir(dir);
    fax.SetComPort(&port);
    bool done = false;
    int result = 0, failures = 0;
    qlnfaxcli::watchSession(fax, done, result);
    fax.OnFaxLog = [&](TApdAbstractFax &f, int code) {
        if (code == lfaxReceiveOk)
            std::printf("received: %s from %s\n", f.FaxFile().c_str(), f.RemoteStation().c_str());
        else if (code == lfaxReceiveFail)
            ++failures;
        std::fflush(stdout);
    };
    int code = qlnfaxcli::runSession(fax, [&] { return fax.StartReceiving(); }, done, result);
    if (code == 0 && failures == 0) {
        std::printf("finished\n");
        return 0;
    }
    qlnfaxcli::printFailure(code);
    return 1;
}

QlnCommand reg{"receive",
               "receive --device PATH|--com N [--class 1|2|2.0|auto] --dir DIR [--once] [--rings N]",
               "answer fax calls and store the faxes received (also --bps, --station, --init-baud, "
               "--normal-baud, --software-flow)",
               runReceive};

} // namespace
