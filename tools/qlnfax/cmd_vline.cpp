// qlnfax vline: the virtual fax line (serve) and its remote machine's
// outgoing calls (call).
#include "commands.h"

#include "vline/vline_client.h"
#include "vline/vline_server.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

const char *kUsage =
    "usage: qlnfax vline serve DIR [--modems 1,1,2,2.0] [--speed-up N] [--noise DB] [--max-bps N] [--remote-id ID] [--remote-ecm]\n"
    "                        [--remote-no-dcn] [--trace]\n"
    "       qlnfax vline call DIR --to N --send FILE.tif [--remote-id ID]\n"
    "       qlnfax vline call DIR --number 100 --send FILE.tif [--remote-id ID] [--ecm]\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

bool toInt(const std::string &s, int &v)
{
    try {
        size_t used = 0;
        v = std::stoi(s, &used);
        return used == s.size();
    } catch (const std::exception &) {
        return false;
    }
}

int serve(QlnArgs args)
{
    qln::vline::ServeOptions opt;
    std::string value;
    if (qlnargs::takeOption(args, "--modems", value)) {
        std::string why;
        if (!qln::vline::parseModemList(value, opt.modemClasses, why)) {
            std::fprintf(stderr, "qlnfax vline: --modems: %s\n", why.c_str());
            return 2;
        }
    }
    if (qlnargs::takeOption(args, "--speed-up", value)) {
        if (!toInt(value, opt.speedUp) || opt.speedUp < 1 || opt.speedUp > 64) {
            std::fprintf(stderr, "qlnfax vline: --speed-up wants a whole number from 1 to 64\n");
            return 2;
        }
    }
    if (qlnargs::takeOption(args, "--noise", value)) {
        try {
            opt.noiseDbm0 = std::stod(value);
        } catch (const std::exception &) {
            std::fprintf(stderr, "qlnfax vline: --noise wants a level in dBm0, e.g. -35\n");
            return 2;
        }
    }
    if (qlnargs::takeOption(args, "--max-bps", value)) {
        if (!toInt(value, opt.maxBps) || !qln::vline::validMaxBps(opt.maxBps)) {
            std::fprintf(stderr, "qlnfax vline: --max-bps wants one of 2400 4800 7200 9600 12000 14400\n");
            return 2;
        }
    }
    qlnargs::takeOption(args, "--remote-id", opt.remoteId);
    opt.remoteEcm = qlnargs::takeFlag(args, "--remote-ecm");
    opt.remoteNoDcn = qlnargs::takeFlag(args, "--remote-no-dcn");
    opt.trace = qlnargs::takeFlag(args, "--trace");
    if (args.size() != 1)
        return usage();
    opt.dir = args[0];
    qln::vline::VlineServer server(opt);
    return server.run();
}

void showProgress(const std::string &line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int call(QlnArgs args)
{
    std::string to, number, file, ident;
    bool haveTo = qlnargs::takeOption(args, "--to", to);
    bool haveNumber = qlnargs::takeOption(args, "--number", number);
    bool haveFile = qlnargs::takeOption(args, "--send", file);
    qlnargs::takeOption(args, "--remote-id", ident);
    bool ecm = qlnargs::takeFlag(args, "--ecm");
    int modem = 0;
    if (haveTo == haveNumber || !haveFile || args.size() != 1 || (haveTo && (!toInt(to, modem) || ecm)))
        return usage();
    // A modem's number on the line reaches that modem as --to does.
    if (haveNumber && number.size() == 3 && number[0] == '1' && number[1] == '0' && number[2] >= '1'
        && number[2] <= '9' && !ecm) {
        haveTo = true;
        modem = number[2] - '0';
    }
    auto r = haveTo ? qln::vline::callModem(args[0], modem, file, ident, showProgress)
                    : qln::vline::dialNumber(args[0], number, file, ident, ecm, showProgress);
    if (!r.reached) {
        std::fprintf(stderr, "qlnfax vline call: %s\n", r.error.c_str());
        return 1;
    }
    std::printf("pages sent: %d\n", r.pages);
    std::printf("completion: %d %s\n", r.code, r.text.c_str());
    if (r.bitRate > 0)
        std::printf("bit rate: %d\n", r.bitRate);
    if (!r.remoteId.empty())
        std::printf("remote id: %s\n", r.remoteId.c_str());
    return r.code == 0 ? 0 : 1;
}

int runVline(const QlnArgs &all)
{
    if (all.empty())
        return usage();
    QlnArgs rest(all.begin() + 1, all.end());
    try {
        if (all[0] == "serve")
            return serve(rest);
        if (all[0] == "call")
            return call(rest);
    } catch (const std::runtime_error &e) {
        std::fprintf(stderr, "qlnfax vline: %s\n", e.what());
        return 2;
    }
    return usage();
}

QlnCommand reg{"vline", "vline serve DIR [...] | vline call DIR (--to N | --number 100) --send FILE.tif",
               "run the virtual fax line, or make a fax machine on it call", runVline};

} // namespace
