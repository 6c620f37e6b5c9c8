// qlnfax modem: runs the modem command helpers against a real or virtual
// modem and prints the result and the modem's reply, and runs the modem
// set-up tools.
//
//   qlnfax modem --device PATH check        "AT" (then the reset string)
//   qlnfax modem --com 3 reset               "ATZ"
//   qlnfax modem --device PATH send "&F"     sends "AT&F"
//   qlnfax modem find                        probes COM1..COM6 as the find-modem window does
//   qlnfax modem classes --device PATH|NAME|--com N
//                                            the fax classes the modem reports and the recommendation
//   qlnfax modem devices                     the named modem devices
//
// With --com the [Ports] section of the settings file maps the number to a
// device; the reset string for "check" also comes from the settings. A
// --device value that does not start with '/' or '.' names a modem device
// (qlnfax modem devices).
#include "commands.h"
#include "faxcli.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "common/datadir.h"
#include "common/settings.h"
#include "comms/comport.h"
#include "fax/faxsendfax.h"
#include "sessions/faxclasscheck.h"
#include "sessions/findmodem.h"
#include "sessions/modemchoice.h"
#include "sessions/modemhelpers.h"
#include "telephony/modemdevice.h"
#include "telephony/modemdevices.h"

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

// Carriage returns of the windows' texts become line breaks.
std::string lines(std::string text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void loadSettings(QlnArgs &args)
{
    std::string dir;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    qln::settings().load(qln::settingsPath());
    qln::InstallPortMapping(qln::settings());
}

void noMoreArguments(const QlnArgs &args)
{
    if (!args.empty())
        throw std::runtime_error("unexpected argument \"" + args.front() + "\"");
}

// qlnfax modem find: each port's label as it is settled, then the message
// line and the result. Exit 0 when a modem was found.
int runFind(QlnArgs args)
{
    loadSettings(args);
    noMoreArguments(args);
    qln::TApdComPort port;
    qln::PrepareSetupPort(port);
    qln::FindModem finder(port);
    finder.onLabel = [](int, const std::string &label) {
        if (label.size() < 7 || label.compare(label.size() - 7, 7, "TESTING") != 0) {
            std::printf("%s\n", label.c_str());
            std::fflush(stdout);
        }
    };
    const int found = finder.run();
    std::printf("%s\n", finder.message().c_str());
    std::printf("result: %d\n", found);
    return found > 0 ? 0 : 1;
}

// qlnfax modem classes: the three class labels, the status line and the
// recommendation. Exit 0 when a class is recommended.
int runClasses(QlnArgs args)
{
    loadSettings(args);
    std::string device;
    int comNumber = 0;
    bool haveDevice = qlnargs::takeOption(args, "--device", device);
    bool haveCom = qlnargs::takeInt(args, "--com", comNumber, 1, 255);
    if (haveDevice == haveCom)
        throw std::runtime_error("give either --device PATH|NAME or --com N");
    noMoreArguments(args);

    qln::TApdComPort port;
    qln::PrepareSetupPort(port);
    qln::fax::TApdSendFax fax;
    fax.SetComPort(&port);
    qln::TModemDevice modemDevice;
    qln::ClassCheckRequest request;
    if (haveCom) {
        request.portNumber = comNumber;
    } else if (qlnfaxcli::isDeviceFile(device)) {
        port.SetDevicePath(device);
    } else {
        request.telephony = true;
        request.device = &modemDevice;
        request.deviceName = device;
    }
    qln::FaxClassCheck check(port, fax, request);
    const qln::ClassCheckOutcome outcome = check.run();
    std::printf("%s\n%s\n%s%s\n", check.class1Label().c_str(), check.class2Label().c_str(),
                check.class20Label().c_str(), check.class20Bold() ? "  (bold)" : "");
    if (!check.status().empty())
        std::printf("%s\n", lines(check.status()).c_str());
    std::printf("recommended: %s\n", outcome.index >= 0 ? outcome.name.c_str() : "none");
    return outcome.index >= 0 ? 0 : 1;
}

// qlnfax modem devices: one line per named device, its name and device file.
int runDevices(QlnArgs args)
{
    loadSettings(args);
    noMoreArguments(args);
    for (const auto &d : qln::ListModemDevices(qln::CurrentDeviceSources())) {
        const bool virtualModem = d.kind == qln::ModemDevice::Kind::VirtualModem;
        std::printf("%s\t%s%s\n", d.name.c_str(), d.path.c_str(),
                    virtualModem ? " (the line starts when the modem is opened)" : "");
    }
    return 0;
}

int runModem(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    if (!args.empty()) {
        const std::string sub = args.front();
        QlnArgs rest(args.begin() + 1, args.end());
        if (sub == "find")
            return runFind(rest);
        if (sub == "classes")
            return runClasses(rest);
        if (sub == "devices")
            return runDevices(rest);
    }
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
        port.SetDevicePath(qlnfaxcli::devicePath(device));
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

const QlnCommand reg{"modem",
                     "modem --device PATH|--com N [--data-dir DIR] [--reset-string S] check|reset|send CMD\n"
                     "  | modem find | modem classes --device PATH|NAME|--com N | modem devices",
                     "talk to a modem with the modem command helpers; find a modem on COM1..COM6, check "
                     "its fax classes, list the named modem devices (all take --data-dir DIR)",
                     runModem};

}  // namespace
