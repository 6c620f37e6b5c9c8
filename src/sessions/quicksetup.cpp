#include "sessions/quicksetup.h"

#include "common/datadir.h"
#include "common/settings.h"
#include "sessions/modemhelpers.h"

namespace qln {

QuickSetupModel::QuickSetupModel(Settings &settings, TApdComPort &port, ITelephonyDevice &device,
                                 std::vector<std::string> devices)
    : ModemChoiceModel(port, device, std::move(devices)), settings_(settings)
{
}

void QuickSetupModel::open()
{
    settings_.load(settingsPath());
    savedComPort_ = settings_.comPort;
    savedUseTAPI_ = settings_.useTAPI;
    name = settings_.userName.substr(0, quicksetup::kNameLength);
    faxNumber = settings_.fax.substr(0, quicksetup::kFaxNumberLength);
    InstallPortMapping(settings_);
    // With no modem configured no port is chosen for the user (the port the
    // settings take meanwhile is rarely the one a modem is on).
    presetModem(settings_.noModem ? -1 : settings_.comPort, settings_.useTAPI, settings_.tapiDevice);
}

bool QuickSetupModel::ok()
{
    settings_.noModem = false;
    settings_.comPort = comPortIndex;
    settings_.userName = name;
    settings_.fax = faxNumber;
    settings_.useTAPI = useTapi();
    if (useTapi())
        settings_.tapiDevice = deviceText();
    return SaveSetupSettings(settings_);
}

void QuickSetupModel::cancel()
{
    settings_.noModem = true;
    settings_.comPort = savedComPort_;
    settings_.useTAPI = savedUseTAPI_;
}

} // namespace qln
