// The choice of modem shared by the preferences wizard (page 1) and the
// quick set-up: a serial port (COM1 to COM8, each shown with its device,
// "COM1 (/dev/ttyS0)") or a telephony device from
// the list of named modem devices, the two radios that switch between them,
// and the "Find Modem Port" and "Test Modem" buttons.
//
// Find Modem Port probes COM1 to COM6; a modem on another port than the one
// chosen is offered with "Set Com Port to Com <p>". When no modem is found
// at all and the virtual modem is in the device list, it is offered
// instead, so that a user without fax hardware can go on.
//
// User-interface thread only.
#pragma once

#include "sessions/modemtest.h"

#include <functional>
#include <string>
#include <vector>

namespace qln {

class ITelephonyDevice;
class TApdComPort;
struct Settings;

namespace modemchoice {
inline constexpr int kPorts = 8;  // COM1 .. COM8
inline constexpr const char *kComPortCaption = "Com Port";
inline constexpr const char *kVirtualModemCaption = "Virtual Modem";
// Asked when no modem was found and the virtual modem can be used.
std::string virtualModemOffer();
} // namespace modemchoice

// Writes the settings file; false after showing the error in the error box
// when it cannot be written (the values stay in memory).
bool SaveSetupSettings(const Settings &settings);

// The settings of the set-up tools' serial port, the same as the send
// window's: COM1, 8192-byte buffers, opened on demand, RTS/CTS handshaking,
// flow-control levels 7372 and 819, no telephony.
void PrepareSetupPort(TApdComPort &port);

class ModemChoiceModel {
public:
    ModemChoiceModel(TApdComPort &port, ITelephonyDevice &device, std::vector<std::string> devices);
    virtual ~ModemChoiceModel() = default;

    // The two radios: the telephony device or the serial port.
    bool useTapi() const { return useTapi_; }
    // A radio click: sets the radio, and the port's telephony mode (tmAuto
    // for the telephony radio, tmOff for the port radio).
    void chooseTapi(bool on);
    bool portControlsEnabled() const { return !useTapi_; }
    bool tapiControlsEnabled() const { return useTapi_; }

    // Index in COM1..COM8, -1 when none is selected.
    int comPortIndex = -1;
    // Index in devices(), -1 when none is selected.
    int deviceIndex = -1;
    const std::vector<std::string> &devices() const { return devices_; }
    // The telephony list's text.
    std::string deviceText() const;

    // Presets the lists and radios from the settings' values: the port by
    // its number when 0..7; with no device the telephony radio is cleared,
    // else the device named (when not blank and present) or the first one is
    // selected and the radio follows useTAPI.
    void presetModem(int comPort, bool useTAPI, const std::string &tapiDevice);

    // "Find Modem Port".
    void findModemPort();
    // "Test Modem" with the chosen device.
    void testModem(ModemTestWording wording);

    // Runs the find-modem window (or, when not set, the search without a
    // window) with the given port; returns the port found or -1.
    std::function<int(TApdComPort &)> findModemRunner;
    // Told after an action changed the choice.
    std::function<void()> onChange;

    TApdComPort &port() { return port_; }
    ITelephonyDevice &device() { return device_; }

protected:
    void changed();

private:
    TApdComPort &port_;
    ITelephonyDevice &device_;
    std::vector<std::string> devices_;
    bool useTapi_ = false;
};

} // namespace qln
