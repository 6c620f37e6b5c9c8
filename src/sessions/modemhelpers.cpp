#include "sessions/modemhelpers.h"

#include "common/messages.h"
#include "common/settings.h"
#include "common/stringtable.h"
#include "common/textutil.h"
#include "comms/comport.h"
#include "comms/portexceptions.h"

#include <QCoreApplication>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <mutex>
#include <thread>

namespace qln {

namespace {

constexpr const char *kLineBreak = "\r\n";

std::mutex g_helpLock;
std::function<bool(int)> g_helpOpener;

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

// Waits for a result line that is "OK" (any case, blanks and line feeds
// around it ignored) within the reply time. Other lines, such as an echo or
// a reply that merely contains the letters ("BOOK"), are passed over.
bool waitForOk(TApdComPort &port)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(modemHelperTiming().replyTicks * 55);
    std::string line;
    auto previous = port.OnWaitChar;
    port.OnWaitChar = [&line, previous](TApdComPort &p, char c) {
        if (previous)
            previous(p, c);
        line += c;
    };
    struct Restore {
        TApdComPort &port;
        std::function<void(TApdComPort &, char)> previous;
        ~Restore() { port.OnWaitChar = std::move(previous); }
    } restore{port, previous};
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        line.clear();
        if (!port.AwaitText("\r", int((left + 54) / 55), false, false))
            return false;
        const std::size_t b = line.find_first_not_of(" \t\r\n");
        const std::size_t e = line.find_last_not_of(" \t\r\n");
        if (b != std::string::npos && upper(line.substr(b, e - b + 1)) == "OK")
            return true;
    }
}

void processMessagesFor(std::chrono::milliseconds span)
{
    auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

ModemHelperTiming &modemHelperTiming()
{
    static ModemHelperTiming timing;
    return timing;
}

void WaitTicksProcessingMessages(int ticks) { processMessagesFor(std::chrono::milliseconds(ticks * 55)); }

bool ResetModem(TApdComPort &port)
{
    try {
        port.SendText("ATZ\r");
        return waitForOk(port);
    } catch (...) {
        return false;
    }
}

bool OpenPort(TApdComPort &port, std::string &message)
{
    message.clear();
    const std::string n = std::to_string(port.ComNumber());
    try {
        port.SetOpen(true);
        return port.Open();
    } catch (const EInOutError &e) {
        // File-system errors are the runtime's own I/O exceptions.
        message = "Unable to open the specified communications port( Com" + n + " )" + kLineBreak +
                  "Error message: " + e.what();
    } catch (const EAPDException &e) {
        if (e.Code == ecAlreadyOpen || e.Code == ecHardware) {
            message = "The communications port is in use ( Com " + n + " )" + kLineBreak + kLineBreak +
                      "Please make sure that no other program uses it (a terminal program, another fax "
                      "program, ModemManager), and then try again.";
        } else if (e.Code == ecBadId) {
            message = "Unable to open the specified communications port ( Com" + n + " )";
        } else {
            std::string text = hasLibraryText(e.Code) ? libraryText(e.Code) : "Unknown error";
            message = "Unable to open the specified communications port ( Com" + n + " )" + kLineBreak +
                      "Error message: " + text;
        }
    } catch (const std::exception &e) {
        message = "Unable to open the specified communications port( Com" + n + " )" + kLineBreak +
                  "Error message: " + e.what();
    }
    return false;
}

bool CheckForModem(TApdComPort &port, const std::string &resetString)
{
    WaitTicksProcessingMessages(modemHelperTiming().checkPauseTicks);
    try {
        port.SendText("AT\r");
        if (waitForOk(port))
            return true;
        if (trim(resetString).empty())
            return false;
        port.SendText(resetString + "\r");
        return waitForOk(port);
    } catch (...) {
        return false;
    }
}

bool CheckForModem(TApdComPort &port) { return CheckForModem(port, settings().resetString); }

bool SendModemCommand(TApdComPort &port, std::string &command)
{
    if (upper(command).find("AT") == std::string::npos)
        command = "AT" + command;
    try {
        port.SendText(command + "\r");
        return waitForOk(port);
    } catch (...) {
        return false;
    }
}

std::string FaxClassName(int code)
{
    switch (code) {
    case 0: return "AutoDetect";
    case 1: return "Class 1";
    case 2: return "Class 2";
    case 3: return "Class 2.0";
    default: return "unknown";
    }
}

void ReleaseTelephony(ITelephonyDevice &device)
{
    if (TApdComPort *port = device.AttachedPort(); port && port->Open()) {
        try {
            port->SetOpen(false);
            if (QCoreApplication::instance())
                QCoreApplication::processEvents();
        } catch (const std::exception &) {
            // A failed close skips the message run; the line is released
            // below all the same.
        }
    }
    try {
        device.DropCallAndRelease();
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
    } catch (...) {
        // Releasing a line that is already gone is not an error.
    }
}

bool OpenThroughTelephony(ITelephonyDevice &device, const std::string &deviceName,
                          TApdComPort &port, std::string &message)
{
    message.clear();
    ReleaseTelephony(device);
    port.TapiMode = tmAuto;
    device.AttachPort(port);
    try {
        device.SelectDevice(deviceName);
    } catch (...) {
        // An unknown name leaves no device selected; the dialog follows.
    }
    if (!device.HasSelectedDevice())
        device.ShowSelectionDialog();
    if (!device.HasSelectedDevice()) {
        message = "Unable to select the modem device";
        return false;
    }
    try {
        device.OpenPort();
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(modemHelperTiming().telephonyOpenMs);
        while (!port.Open() && device.OpenError().empty() && std::chrono::steady_clock::now() < end)
            processMessagesFor(std::chrono::milliseconds(10));
        if (!port.Open()) {
            message = "Failed to open " + device.SelectedDeviceName();
            if (const std::string why = device.OpenError(); !why.empty())
                message += kLineBreak + why;
            return false;
        }
        port.SetBaud(57600);
        port.SetBaud(19200);
        port.SendText("AT\r");
        WaitTicksProcessingMessages(modemHelperTiming().telephonySettleTicks);
        port.DiscardInput();
        return true;
    } catch (...) {
        message = "Unexpected error";
        return false;
    }
}

void SetHelpOpener(std::function<bool(int)> opener)
{
    std::lock_guard lock(g_helpLock);
    g_helpOpener = std::move(opener);
}

bool OpenHelpTopic(int topic)
{
    std::function<bool(int)> opener;
    {
        std::lock_guard lock(g_helpLock);
        opener = g_helpOpener;
    }
    if (!opener) {
        messages().information("Help is not available.");
        return false;
    }
    return opener(topic);
}

bool TechnicalHelp() { return OpenHelpTopic(kFaxProblemSolverTopic); }

std::string PortText(int comNumber)
{
    return "COM" + std::to_string(comNumber) + " (" + TApdComPort::DeviceForComNumber(comNumber) + ")";
}

std::string PortText(const TApdComPort &port)
{
    if (port.DevicePath().empty())
        return PortText(port.ComNumber());
    return "COM" + std::to_string(port.ComNumber()) + " (" + port.DevicePath() + ")";
}

void InstallPortMapping(const Settings &s)
{
    std::map<int, std::string> devices = s.portDevices;
    TApdComPort::SetPortMapper([devices](int n) {
        auto it = devices.find(n);
        return it == devices.end() ? std::string() : it->second;
    });
}

} // namespace qln
