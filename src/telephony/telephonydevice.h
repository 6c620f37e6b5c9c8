// What the modem helpers and the set-up windows need of a telephony device:
// select a modem device by name (or let the user pick one), open the port
// attached to it for data, and drop the call and release the line.
//
// TModemDevice (modemdevice.h) is the program's implementation; tests use
// their own. User-interface thread only.
#pragma once

#include <string>

namespace qln {

class TApdComPort;

class ITelephonyDevice {
public:
    virtual ~ITelephonyDevice() = default;
    virtual void AttachPort(TApdComPort &port) = 0;
    virtual TApdComPort *AttachedPort() = 0;
    // Selects a device by name; may throw, which the helpers ignore.
    virtual void SelectDevice(const std::string &name) = 0;
    virtual bool HasSelectedDevice() = 0;
    virtual std::string SelectedDeviceName() = 0;
    // Lets the user pick a device in the selection dialog.
    virtual void ShowSelectionDialog() = 0;
    // Asks the device to open the attached port for data (may be asynchronous).
    virtual void OpenPort() = 0;
    // Drops the call and releases the line.
    virtual void DropCallAndRelease() = 0;
    // Why the last OpenPort() failed, once it is known to have failed (a
    // device that vanished, a port in use); empty while it may still open.
    virtual std::string OpenError() { return {}; }
};

} // namespace qln
