#include "sessions/modemtest.h"

#include "common/messages.h"
#include "comms/comport.h"
#include "sessions/modemhelpers.h"

namespace qln {

std::string ModemTestReport(ModemTestWording wording, bool opened, bool answered, const std::string &error,
                            const std::string &deviceName)
{
    if (!opened)
        return "ERROR: " + error + "\r\r..is the modem or port in use?";
    if (wording == ModemTestWording::Preferences)
        return answered ? "Opened the port\r..and the modem responded properly"
                        : "Opened the port\r..however no modem was detected (modem did not respond)";
    return answered ? "Opened " + deviceName + "\r..modem responded properly"
                    : "Opened " + deviceName + "\r..however no modem was detected";
}

std::string TestTelephonyModem(ITelephonyDevice &device, const std::string &deviceName, TApdComPort &port,
                               ModemTestWording wording)
{
    ReleaseTelephony(device);
    std::string error;
    const bool opened = OpenThroughTelephony(device, deviceName, port, error);
    const bool answered = opened && CheckForModem(port);
    if (opened) {
        try {
            device.DropCallAndRelease();
        } catch (...) {
            // Released again below.
        }
    }
    ReleaseTelephony(device);
    const std::string report = ModemTestReport(wording, opened, answered, error, deviceName);
    messages().information(report);
    return report;
}

} // namespace qln
