// Pieces shared by qlnfax send and qlnfax receive.
#include "faxcli.h"

#include "fax/faxcodes.h"
#include "comms/uibridge.h"
#include "telephony/modemdevices.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <stdexcept>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {
volatile std::sig_atomic_t interrupted = 0;

// Line options by port, from setUpPort() to watchSession(). Both run on the
// main thread, one port per command.
std::map<const qln::TApdComPort *, qlnfaxcli::LineOptions> &lineOptionsByPort()
{
    static std::map<const qln::TApdComPort *, qlnfaxcli::LineOptions> m;
    return m;
}

bool parseSpeed(const std::string &text, int &bps)
{
    static const int kSpeeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    std::size_t used = 0;
    int v = 0;
    try {
        v = std::stoi(text, &used);
    } catch (const std::exception &) {
        return false;
    }
    if (used != text.size() || std::find(std::begin(kSpeeds), std::end(kSpeeds), v) == std::end(kSpeeds))
        return false;
    bps = v;
    return true;
}
} // namespace

namespace qlnfaxcli {

bool faxSpeed(int bps)
{
    static const int kSpeeds[] = {2400, 4800, 7200, 9600, 12000, 14400};
    return std::find(std::begin(kSpeeds), std::end(kSpeeds), bps) != std::end(kSpeeds);
}

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

bool isDeviceFile(const std::string &value) { return !value.empty() && (value[0] == '/' || value[0] == '.'); }

std::string devicePath(const std::string &value)
{
    if (isDeviceFile(value))
        return value;
    std::string path, error;
    if (!qln::ResolveModemDevice(value, path, error))
        throw std::runtime_error(error);
    return path;
}

bool setUpPort(qln::TApdComPort &port, QlnArgs &args)
{
    std::string device;
    int com = 0;
    bool haveDevice = qlnargs::takeOption(args, "--device", device);
    bool haveCom = qlnargs::takeInt(args, "--com", com, 1, 255);
    if (haveDevice == haveCom)
        return false;
    LineOptions opts;
    if (!takeLineOptions(args, opts))
        return false;
    if (haveDevice)
        port.SetDevicePath(devicePath(device));
    else
        port.SetComNumber(com);
    lineOptionsByPort()[&port] = opts;
    return true;
}

bool takeLineOptions(QlnArgs &args, LineOptions &opts)
{
    std::string value;
    if (qlnargs::takeOption(args, "--init-baud", value) && !parseSpeed(value, opts.initBaud))
        return false;
    if (qlnargs::takeOption(args, "--normal-baud", value) && !parseSpeed(value, opts.normalBaud))
        return false;
    opts.softwareFlow = qlnargs::takeFlag(args, "--software-flow");
    return true;
}

void applyLineOptions(qln::fax::TApdAbstractFax &fax, const LineOptions &opts)
{
    fax.InitBaud = opts.initBaud;
    fax.NormalBaud = opts.normalBaud;
    fax.SoftwareFlow = opts.softwareFlow;
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

int runSession(qln::fax::TApdAbstractFax &fax, const std::function<int()> &start, bool &done, int &result)
{
    int rc = start();
    if (rc != 0 && !fax.InProgress()) {
        qln::UiBridge::ProcessMessages();
        return rc;
    }
    waitForSession([&] { return done; }, [&] { fax.CancelSession(); });
    return result;
}

void printFailure(int code)
{
    std::printf("failed: %d %s\n", -code, qln::fax::faxErrorText(code).c_str());
}

void printStatusChanges(qln::fax::TApdAbstractFax &fax)
{
    using qln::fax::TApdAbstractFax;
    auto lastStatus = std::make_shared<int>(0);
    fax.OnFaxStatus = [lastStatus](TApdAbstractFax &f, bool, bool) {
        if (f.StatusCode() != *lastStatus) {
            *lastStatus = f.StatusCode();
            std::printf("%s\n", TApdAbstractFax::StatusText(*lastStatus).c_str());
            std::fflush(stdout);
        }
    };
}

void watchSession(qln::fax::TApdAbstractFax &fax, bool &done, int &result)
{
    using qln::fax::TApdAbstractFax;
    auto &byPort = lineOptionsByPort();
    if (auto it = byPort.find(fax.ComPort()); it != byPort.end())
        applyLineOptions(fax, it->second);
    printStatusChanges(fax);
    fax.OnFaxError = [](TApdAbstractFax &, int code) {
        std::printf("error %d: %s\n", -code, qln::fax::faxErrorText(code).c_str());
        std::fflush(stdout);
    };
    fax.OnFaxFinish = [&done, &result](TApdAbstractFax &, int code) {
        result = code;
        done = true;
    };
}

} // namespace qlnfaxcli
