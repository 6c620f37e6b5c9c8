// TModemDevice: the telephony device component. It selects one of the named
// modem devices (modemdevices.h), opens the serial port attached to it on
// that device, and drops the call (DTR off, then "ATH0") and releases the
// line. The virtual modem's line is started when that device is opened.
//
// A device that has vanished since it was listed (unplugged, its line
// stopped) is never waited for: OpenPort() leaves the port closed and
// OpenError() names the device and says why.
//
// User-interface thread only.
#pragma once

#include "telephony/modemdevices.h"
#include "telephony/telephonydevice.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qln {

// Raised by SelectDevice() for a name that is not in the device list.
class EModemDeviceNotFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TModemDevice : public ITelephonyDevice {
public:
    // With the current device sources (CurrentDeviceSources()).
    TModemDevice();
    explicit TModemDevice(std::function<DeviceSources()> sources);

    // The installed devices by name, read afresh.
    std::vector<std::string> DeviceNames() const;

    void AttachPort(TApdComPort &port) override { port_ = &port; }
    TApdComPort *AttachedPort() override { return port_; }
    void SelectDevice(const std::string &name) override;
    bool HasSelectedDevice() override { return !selected_.empty(); }
    std::string SelectedDeviceName() override { return selected_; }
    // The installed chooser (SetDeviceChooser) picks a device; without one,
    // or when the user cancels, the selection stays as it was.
    void ShowSelectionDialog() override;
    void OpenPort() override;
    void DropCallAndRelease() override;
    std::string OpenError() override { return openError_; }

    // How long DropCallAndRelease waits for "OK" after "ATH0" (ms).
    int HangUpReplyMs = 2000;

    // The selection dialog: gets the device names and the name that was
    // asked for; returns the chosen name, empty for Cancel.
    using Chooser = std::function<std::string(const std::vector<std::string> &names, const std::string &wanted)>;
    static void SetDeviceChooser(Chooser chooser);

private:
    std::function<DeviceSources()> sources_;
    TApdComPort *port_ = nullptr;
    std::string selected_;
    std::string wanted_;       // the last name asked for, shown by the dialog
    std::string openError_;
    bool openedHere_ = false;  // the attached port was opened by OpenPort()
    int savedTapiMode_ = 0;
};

} // namespace qln
