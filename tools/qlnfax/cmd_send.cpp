// qlnfax send: sends APF files through a fax modem, printing each status
// text as it changes and the final result. Exit status 0 only on success.
#include "commands.h"

#include "faxengine/comport.h"
#include "faxengine/faxcodes.h"
#include "faxengine/faxsendfax.h"
#include "faxengine/uibridge.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace {

const char *kUsage = "usage: qlnfax send --device PATH|--com N [--class 1|2|2.0|auto] [--bps N] [--ecm]\n"
                     "                   [--station ID] [--header TEXT] [--dial-attempts N] [--dial-wait S]\n"
                     "                   [--retry-wait S] NUMBER FILE.APF...\n";

volatile std::sig_atomic_t interrupted = 0;

} // namespace

namespace qlnfaxcli {

// Shared by send and receive: class names and port opening.
bool parseFaxClass(const std::string &s, qln::fax::TFaxClass &c)
{
    using namespace qln::fax;
    if (s == "1") c = fcClass1;
    else if (s == "2") c = fcClass2;
    else if (s == "2.0") c = fcClass2_0;
    else if (s == "auto") c = fcDetect;
    else return false;
    return true;
}

bool setUpPort(qln::TApdComPort &port, QlnArgs &args)
{
    std::string device, com;
    bool haveDevice = qlnargs::takeOption(args, "--device", device);
    bool haveCom = qlnargs::takeOption(args, "--com", com);
    if (haveDevice == haveCom)
        return false;
    if (haveDevice)
        port.SetDevicePath(device);
    else
        port.SetComNumber(std::stoi(com));
    return true;
}

// Pumps bridged calls until done() or an interrupt; an interrupt cancels.
void waitForSession(const std::function<bool()> &done, const std::function<void()> &cancel)
{
    interrupted = 0;
    auto previous = std::signal(SIGINT, [](int) { interrupted = 1; });
    bool cancelled = false;
    while (!done()) {
        qln::UiBridge::ProcessMessages();
        if (interrupted && !cancelled) {
            cancelled = true;
            cancel();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    qln::UiBridge::ProcessMessages();
    std::signal(SIGINT, previous);
}

} // namespace qlnfaxcli

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
    int lastStatus = 0;
    bool done = false;
    int result = 0;
    fax.OnFaxStatus = [&](TApdAbstractFax &f, bool, bool) {
        if (f.StatusCode() != lastStatus) {
            lastStatus = f.StatusCode();
            std::printf("%s\n", TApdAbstractFax::StatusText(lastStatus).c_str());
            std::fflush(stdout);
        }
    };
    fax.OnFaxError = [](TApdAbstractFax &, int code) {
        std::printf("error %d: %s\n", -code, faxErrorText(code).c_str());
        std::fflush(stdout);
    };
    fax.OnFaxFinish = [&](TApdAbstractFax &, int code) {
        result = code;
        done = true;
    };
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
