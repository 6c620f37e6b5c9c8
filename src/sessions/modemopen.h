// Opening the modem the settings name, for a fax session or a modem check:
// with UseTAPI the named modem device through the telephony device
// (OpenThroughTelephony: a USB modem by id, a [Ports] COM port, a virtual
// line's modem, or the virtual modem, whose line is started first);
// otherwise the serial port ComPort + 1 (OpenPort). On failure the message
// is the helpers' text for the user. User-interface thread only.
#pragma once

#include <string>

namespace qln {

class ITelephonyDevice;
class TApdComPort;
struct Settings;

bool OpenConfiguredModem(TApdComPort &port, ITelephonyDevice &device, const Settings &settings,
                         std::string &message);

} // namespace qln
