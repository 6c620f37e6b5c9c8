#include "sessions/modemchoice.h"

#include "common/datadir.h"
#include "common/ini.h"
#include "common/messages.h"
#include "common/settings.h"
#include "common/textutil.h"
#include "comms/comport.h"
#include "sessions/findmodem.h"
#include "telephony/modemdevices.h"

#include <algorithm>

namespace qln {

std::string modemchoice::virtualModemOffer()
{
    return std::string("No modem was found. Use the ") + kVirtualModemName +
           " instead? It sends to the fax machine on number 100 of a test line and receives from it, "
           "without fax hardware.";
}

bool SaveSetupSettings(const Settings &settings)
{
    try {
        settings.save(settingsPath());
    } catch (const IniWriteError &e) {
        messages().errorBox(e.what());
        return false;
    }
    return true;
}

void PrepareSetupPort(TApdComPort &port)
{
    port.SetComNumber(1);
    port.SetInSize(8192);
    port.SetOutSize(8192);
    port.SetAutoOpen(false);
    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    port.SetBufferFull(7372);
    port.SetBufferResume(819);
    port.TapiMode = tmOff;
}

ModemChoiceModel::ModemChoiceModel(TApdComPort &port, ITelephonyDevice &device, std::vector<std::string> devices)
    : port_(port), device_(device), devices_(std::move(devices))
{
}

void ModemChoiceModel::changed()
{
    if (onChange)
        onChange();
}

void ModemChoiceModel::chooseTapi(bool on)
{
    useTapi_ = on;
    port_.TapiMode = on ? tmAuto : tmOff;
}

std::string ModemChoiceModel::deviceText() const
{
    return deviceIndex >= 0 && deviceIndex < int(devices_.size()) ? devices_[size_t(deviceIndex)] : std::string();
}

void ModemChoiceModel::presetModem(int comPort, bool useTAPI, const std::string &tapiDevice)
{
    comPortIndex = comPort >= 0 && comPort < modemchoice::kPorts ? comPort : -1;
    if (devices_.empty()) {
        deviceIndex = -1;
        chooseTapi(false);
        return;
    }
    deviceIndex = 0;
    if (!trim(tapiDevice).empty()) {
        auto it = std::find(devices_.begin(), devices_.end(), tapiDevice);
        if (it != devices_.end())
            deviceIndex = int(it - devices_.begin());
    }
    chooseTapi(useTAPI);
}

void ModemChoiceModel::findModemPort()
{
    const int k = comPortIndex;
    int found = -1;
    if (findModemRunner) {
        found = findModemRunner(port_);
    } else {
        FindModem search(port_);
        found = search.run();
    }
    port_.SetComNumber(k + 1);
    if (found > 0 && found != k + 1) {
        if (messages().question("Set Com Port to Com " + std::to_string(found), modemchoice::kComPortCaption))
            comPortIndex = found - 1;
    } else if (found < 0) {
        auto it = std::find(devices_.begin(), devices_.end(), kVirtualModemName);
        if (it != devices_.end()
            && messages().question(modemchoice::virtualModemOffer(), modemchoice::kVirtualModemCaption)) {
            deviceIndex = int(it - devices_.begin());
            chooseTapi(true);
        }
    }
    changed();
}

void ModemChoiceModel::testModem(ModemTestWording wording)
{
    TestTelephonyModem(device_, deviceText(), port_, wording);
    changed();
}

} // namespace qln
