// qlnfax modem: runs the modem command helpers against a real or virtual
// modem and prints the result and the modem's reply.
//
//   qlnfax modem --device PATH check        "AT" (then the reset string)
//   qlnfax modem --com 3 reset               "ATZ"
//   qlnfax modem --device PATH send "&F"     sends "AT&F"
//
// With --com the [Ports] section of the settings file maps the number to a
// device; the reset string for "check" also comes from the settings.
#include "commands.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "common/datadir.h"
#include "common/settings.h"
#include "faxengine/comport.h"
#include "sessions/modemhelpers.h"

namespace {

std::string printable(const std::string &s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c < 0x20 || c > 0x7E) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out;
}

int runModem(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir, device, resetString;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    bool haveDevice = qlnargs::takeOption(args, "--device", device);
    int comNumber = 0;
    bool haveCom = qlnargs::takeInt(args, "--com", comNumber, 1, 255);
    bool haveReset = qlnargs::takeOption(args, "--reset-string", resetString);
    if (haveDevice == haveCom)
        throw std::runtime_error("give either --device PATH or --com N");
    if (args.empty())
        throw std::runtime_error("missing action: check, reset or send CMD");
    const std::string action = args.front();
    args.erase(args.begin());
    std::string command;
    if (action == "send") {
        if (args.empty())
            throw std::runtime_error("send needs a command");
        command = args.front();
        args.erase(args.begin());
    } else if (action != "check" && action != "reset") {
        throw std::runtime_error("unknown action \"" + action + "\"");
    }
    if (!args.empty())
        throw std::runtime_error("unexpected argument \"" + args.front() + "\"");

    qln::Settings settings;
    settings.load(qln::settingsPath());
    qln::InstallPortMapping(settings);
    if (!haveReset)
        resetString = settings.resetString;

    qln::TApdComPort port;
    port.SetAutoOpen(false);
    port.SetInSize(8192);
    port.SetOutSize(8192);
    port.SetHWFlowOptions(qln::hwfUseRTS | qln::hwfRequireCTS);
    if (haveCom) {
        port.SetComNumber(comNumber);
    } else {
        port.SetComNumber(1);
        port.SetDevicePath(device);
    }
    std::string reply;
    port.OnWaitChar = [&reply](qln::TApdComPort &, char c) { reply += c; };

    std::string message;
    if (!qln::OpenPort(port, message)) {
        std::printf("open failed: %s\n", message.c_str());
        return 2;
    }
    bool ok = false;
    if (action == "check") {
        ok = qln::CheckForModem(port, resetString);
    } else if (action == "reset") {
        ok = qln::ResetModem(port);
    } else {
        ok = qln::SendModemCommand(port, command);
        std::printf("command: %s\n", command.c_str());
    }
    port.SetOpen(false);
    std::printf("reply: %s\n", printable(reply).c_str());
    std::printf("result: %s\n", ok ? "OK" : "no answer");
    return ok ? 0 : 1;
}

const QlnCommand reg{"modem", "modem --device PATH|--com N [--data-dir DIR] [--reset-string S] check|reset|send CMD",
                     "talk to a modem with the modem command helpers", runModem};

}  // namespace
