#include "sessions/modemopen.h"

#include "common/settings.h"
#include "comms/comport.h"
#include "sessions/modemhelpers.h"

namespace qln {

bool OpenConfiguredModem(TApdComPort &port, ITelephonyDevice &device, const Settings &settings,
                         std::string &message)
{
    if (settings.useTAPI)
        return OpenThroughTelephony(device, settings.tapiDevice, port, message);
    port.TapiMode = tmOff;
    port.SetComNumber(settings.comPort + 1);
    return OpenPort(port, message);
}

} // namespace qln
