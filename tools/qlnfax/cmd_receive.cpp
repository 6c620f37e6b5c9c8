// qlnfax receive: answers calls on a fax modem and stores each received fax
// in a directory, printing each status text as it changes and the files
// received. With --once the command ends after the first call, whatever its
// outcome; otherwise it answers calls until interrupted (Ctrl-C). Exit status
// 0 only when every call ended well; otherwise 1 and "failed: CODE TEXT" for
// the last failure. A failed call that still kept
// whole pages names the file holding them ("kept: FILE ..."). Station
// identifiers are printed with control bytes escaped.
#include "commands.h"

#include "comms/comport.h"
#include "fax/faxcodes.h"
#include "fax/faxreceivefax.h"

#include "faximage/apf.h"

#include "faxcli.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>


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
    // The engine goes back to waiting after a failed call unless told to
    // stop on errors; a single-call run ends after the first call either way.
    fax.ExitOnError = fax.OneFax;
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
    int result = 0, failures = 0, lastFailure = 0;
    qlnfaxcli::watchSession(fax, done, result);
    // Every error of a call counts, also one before a file was opened (an
    // answer that got no carrier, say). An interrupt while waiting for a
    // call ends a run of calls without failing one; an interrupt during a
    // call cancels that call, which fails.
    int lastStatus = 0;
    auto printStatus = fax.OnFaxStatus;
    fax.OnFaxStatus = [&lastStatus, printStatus](TApdAbstractFax &f, bool first, bool last) {
        if (printStatus)
            printStatus(f, first, last);
        if (f.StatusCode() != fpCancel)
            lastStatus = f.StatusCode();
    };
    auto printError = fax.OnFaxError;
    fax.OnFaxError = [&failures, &lastFailure, printError](TApdAbstractFax &f, int code) {
        if (printError)
            printError(f, code);
        if (std::abs(code) != ecCancelRequested) {
            ++failures;
            lastFailure = code;
        }
    };
    fax.OnFaxLog = [&](TApdAbstractFax &f, int code) {
        // The facts taken when the event was raised: the session may have
        // moved on to the next call by now.
        const qln::fax::FaxLogFacts *facts = f.LogFacts();
        const std::string station = qln::fax::escapedText(facts ? facts->remoteStation : f.RemoteStation());
        const std::string file = facts ? facts->receivedFile : f.FaxFile();
        if (code == lfaxReceiveOk) {
            std::printf("received: %s from %s\n", file.c_str(), station.c_str());
        } else if (code == lfaxReceiveFail) {
            ++failures;
            const int error = facts ? facts->lastError : f.LastError();
            if (error != 0)
                lastFailure = error;
            // Whole pages of a failed call stay in their file: say where.
            std::error_code ec;
            if (!file.empty() && std::filesystem::exists(file, ec)) {
                qln::fax::ApfReader reader;
                const int pages = reader.open(file) == 0 ? reader.pageCount() : 0;
                if (pages > 0)
                    std::printf("kept: %s (%d page(s)) from %s\n", file.c_str(), pages, station.c_str());
            }
        }
        std::fflush(stdout);
    };
    int code = qlnfaxcli::runSession(fax, [&] { return fax.StartReceiving(); }, done, result);
    const bool stoppedWhileWaiting = !fax.OneFax && std::abs(code) == ecCancelRequested && lastStatus == fpWaiting;
    if ((code == 0 || stoppedWhileWaiting) && failures == 0) {
        std::printf("finished\n");
        return 0;
    }
    // The failed call's code, rather than the interrupt that ended the run.
    const bool callFailed = code == 0 || stoppedWhileWaiting;
    qlnfaxcli::printFailure(callFailed && lastFailure != 0 ? lastFailure : code);
    return 1;
}

QlnCommand reg{"receive",
               "receive --device PATH|--com N [--class 1|2|2.0|auto] --dir DIR [--once] [--rings N]",
               "answer fax calls and store the faxes received (also --bps, --station, --init-baud, "
               "--normal-baud, --software-flow)",
               runReceive};

} // namespace
