#include "sessions/quicksetup.h"

#include "common/datadir.h"
#include "common/ini.h"
#include "common/messages.h"
#include "common/settings.h"

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
    presetModem(settings_.comPort, settings_.useTAPI, settings_.tapiDevice);
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
    try {
        settings_.save(settingsPath());
    } catch (const IniWriteError &e) {
        messages().errorBox(e.what());
        return false;
    }
    return true;
}

void QuickSetupModel::cancel()
{
    settings_.noModem = true;
    settings_.comPort = savedComPort_;
    settings_.useTAPI = savedUseTAPI_;
}

} // namespace qln
