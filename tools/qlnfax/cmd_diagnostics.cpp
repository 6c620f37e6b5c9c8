// qlnfax diagnostics: prints the configuration report that Help,
// Configuration Information shows: system, display, locale, printers, the
// modem settings and the modem devices found with their replies.
//
//   qlnfax diagnostics [--data-dir DIR] [--no-probe] [--reply-ms N] [-o FILE]
//
// --no-probe lists the modem devices without opening them; --reply-ms sets
// the wait for each reply (default 1500); -o writes the report to FILE
// instead of printing it.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include "common/atomicfile.h"
#include "common/datadir.h"
#include "common/settings.h"
#include "diagnostics/configreport.h"
#include "telephony/modemdevices.h"

namespace {

int runDiagnostics(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir, out;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    qln::ReportOptions options;
    options.probeModems = !qlnargs::takeFlag(args, "--no-probe");
    qlnargs::takeInt(args, "--reply-ms", options.timing.replyMs, 50, 60000);
    qlnargs::takeOption(args, "-o", out);
    if (!args.empty())
        throw std::runtime_error("unexpected argument \"" + args.front() + "\"");

    qln::settings().load(qln::settingsPath());
    qln::ConfigurationReport report;
    report.onProbe = [](const std::string &device) {
        std::fprintf(stderr, "probing %s ...\n", device.c_str());
    };
    report.collect(qln::settings(), qln::CurrentDeviceSources(), options);
    const std::string text = report.text();
    if (out.empty()) {
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    std::string error;
    if (!qln::writeFileAtomically(out, text, &error))
        throw std::runtime_error("cannot write " + out + ": " + error);
    std::printf("report written to %s\n", out.c_str());
    return 0;
}

const QlnCommand reg{"diagnostics", "diagnostics [--data-dir DIR] [--no-probe] [--reply-ms N] [-o FILE]",
                     "print the configuration report: system, display, locale, printers, modem settings "
                     "and the modems found with their replies to ATI0, ATI3 and AT+FCLASS=?",
                     runDiagnostics};

}  // namespace
