// Pieces shared by qlnfax send and qlnfax receive.
#include "faxcli.h"

#include "faxengine/faxcodes.h"
#include "faxengine/uibridge.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {
volatile std::sig_atomic_t interrupted = 0;
} // namespace

namespace qlnfaxcli {

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


void watchSession(qln::fax::TApdAbstractFax &fax, bool &done, int &result)
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
