#include "telephony/modemdevice.h"

#include "comms/comport.h"
#include "comms/portexceptions.h"
#include "telephony/virtualline.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

namespace qln {

namespace {

std::mutex g_chooserLock;
TModemDevice::Chooser g_chooser;

// The reason a device could not be opened, naming it.
std::string openFailure(const std::string &name, const std::string &path, const EAPDException &e)
{
    switch (e.Code) {
    case ecBadId:
        return "The modem device \"" + name + "\" (" + path + ") is no longer present";
    case ecAlreadyOpen:
    case ecHardware:
        return "The modem device \"" + name + "\" is in use by another program";
    default:
        return "The modem device \"" + name + "\" could not be opened: " + e.what();
    }
}

} // namespace

TModemDevice::TModemDevice() : TModemDevice(CurrentDeviceSources) {}

TModemDevice::TModemDevice(std::function<DeviceSources()> sources) : sources_(std::move(sources)) {}

std::vector<std::string> TModemDevice::DeviceNames() const { return ModemDeviceNames(sources_()); }

void TModemDevice::SelectDevice(const std::string &name)
{
    wanted_ = name;
    if (!FindModemDevice(name, sources_())) {
        selected_.clear();
        throw EModemDeviceNotFound("The modem device \"" + name + "\" is not present");
    }
    selected_ = name;
}

void TModemDevice::ShowSelectionDialog()
{
    Chooser chooser;
    {
        std::lock_guard lock(g_chooserLock);
        chooser = g_chooser;
    }
    if (!chooser)
        return;
    std::string chosen = chooser(DeviceNames(), wanted_);
    if (!chosen.empty() && FindModemDevice(chosen, sources_()))
        selected_ = chosen;
}

void TModemDevice::OpenPort()
{
    openError_.clear();
    if (!port_) {
        openError_ = "No port is attached to the modem device";
        return;
    }
    if (selected_.empty()) {
        openError_ = "No modem device is selected";
        return;
    }
    // Looked up again: the device may have gone since it was selected.
    const DeviceSources sources = sources_();
    auto device = FindModemDevice(selected_, sources);
    if (!device) {
        openError_ = "The modem device \"" + selected_ + "\" is no longer present";
        return;
    }
    std::string path = device->path;
    if (device->kind == ModemDevice::Kind::VirtualModem) {
        std::string why;
        if (!VirtualLine::forDirectory(sources.virtualLineDir).ensureRunning(why)) {
            openError_ = "The virtual fax line of \"" + selected_ + "\" did not start: " + why;
            return;
        }
    }
    if (port_->Open())
        port_->SetOpen(false);
    if (!openedHere_)
        savedTapiMode_ = port_->TapiMode;
    port_->TapiDevice = path;
    port_->TapiMode = tmOn;
    try {
        port_->SetOpen(true);
        openedHere_ = true;
    } catch (const EAPDException &e) {
        openError_ = openFailure(selected_, path, e);
    } catch (const std::exception &e) {
        openError_ = "The modem device \"" + selected_ + "\" could not be opened: " + e.what();
    }
    if (!openedHere_) {
        port_->TapiMode = static_cast<TTapiMode>(savedTapiMode_);
        port_->TapiDevice.clear();
    }
}

void TModemDevice::DropCallAndRelease()
{
    if (!port_ || !openedHere_)
        return;
    if (port_->Open()) {
        try {
            // A modem set to hang up on DTR loss (&D2) drops the call at
            // once; "ATH0" catches one that ignores DTR.
            port_->SetDTR(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            port_->SetDTR(true);
            port_->SendText("ATH0\r");
            port_->AwaitText("OK", std::max(1, HangUpReplyMs / 55), true, false);
        } catch (const std::exception &) {
            // A device that has gone cannot be hung up; the line is released below.
        }
        try {
            port_->SetOpen(false);
        } catch (const std::exception &) {
        }
    }
    port_->TapiMode = static_cast<TTapiMode>(savedTapiMode_);
    port_->TapiDevice.clear();
    openedHere_ = false;
}

void TModemDevice::SetDeviceChooser(Chooser chooser)
{
    std::lock_guard lock(g_chooserLock);
    g_chooser = std::move(chooser);
}

} // namespace qln
