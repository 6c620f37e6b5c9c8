// The telephony device component over scripted modems: selecting by name or
// through the chooser, opening the attached port on the device, a device
// that vanished or is held elsewhere, and dropping the call.
#include "comms/comport.h"
#include "linedir.h"
#include "scriptedmodem.h"
#include "telephony/modemdevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

using namespace qln;
using qln::test::FakeLine;
using qln::test::ScriptedModem;
using qln::test::TempDir;
using namespace std::chrono_literals;

namespace {

class DeviceTest : public ::testing::Test {
protected:
    DeviceTest()
    {
        sources->byIdDir = "/nonexistent";
        sources->comPorts = {{3, modem.devicePath()}, {5, "/tmp/qln-unplugged-modem"}};
        port.SetAutoOpen(false);
        port.TapiMode = tmAuto;
        device.AttachPort(port);
    }
    ~DeviceTest() override
    {
        port.SetOpen(false);
        TModemDevice::SetDeviceChooser(nullptr);
    }

    ScriptedModem modem;
    std::shared_ptr<DeviceSources> sources = std::make_shared<DeviceSources>();
    TModemDevice device{[s = sources] { return *s; }};
    TApdComPort port;
};

} // namespace

TEST_F(DeviceTest, UnknownNameThrowsAndTheChooserCanPickAnother)
{
    EXPECT_THROW(device.SelectDevice("Old modem"), EModemDeviceNotFound);
    EXPECT_FALSE(device.HasSelectedDevice());

    // Without a chooser (no screen) nothing is picked.
    device.ShowSelectionDialog();
    EXPECT_FALSE(device.HasSelectedDevice());

    std::vector<std::string> offered;
    std::string asked;
    TModemDevice::SetDeviceChooser([&](const std::vector<std::string> &names, const std::string &wanted) {
        offered = names;
        asked = wanted;
        return std::string("COM3");
    });
    device.ShowSelectionDialog();
    EXPECT_EQ(offered, (std::vector<std::string>{"COM3", "COM5"}));
    EXPECT_EQ(asked, "Old modem");
    EXPECT_EQ(device.SelectedDeviceName(), "COM3");

    // A name the chooser makes up is not taken.
    TModemDevice::SetDeviceChooser([](const auto &, const auto &) { return std::string("COM9"); });
    device.SelectDevice("COM5");
    device.ShowSelectionDialog();
    EXPECT_EQ(device.SelectedDeviceName(), "COM5");
}

TEST_F(DeviceTest, OpensTheDeviceAndDropsTheCallWithAth0)
{
    modem.respond("ATH0", "\r\nOK\r\n").start();
    device.SelectDevice("COM3");
    device.OpenPort();
    ASSERT_TRUE(port.Open()) << device.OpenError();
    EXPECT_EQ(device.OpenError(), "");
    EXPECT_EQ(port.TapiDevice, modem.devicePath());

    device.DropCallAndRelease();
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(modem.lines(), std::vector<std::string>{"ATH0"});
    // The port is handed back as it was: a later open uses its COM number.
    EXPECT_EQ(port.TapiMode, tmAuto);
    EXPECT_EQ(port.TapiDevice, "");
    // Releasing again (the helpers release after closing) does nothing more.
    device.DropCallAndRelease();
    EXPECT_EQ(modem.lines().size(), 1u);
}

TEST_F(DeviceTest, VanishedOrBusyDeviceLeavesThePortClosedAndNamesIt)
{
    // Gone from the list since it was selected.
    device.SelectDevice("COM3");
    sources->comPorts.erase(3);
    auto start = std::chrono::steady_clock::now();
    device.OpenPort();
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(device.OpenError(), "The modem device \"COM3\" is no longer present");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);

    // Still listed, but its device file is gone.
    device.SelectDevice("COM5");
    device.OpenPort();
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(device.OpenError(), "The modem device \"COM5\" (/tmp/qln-unplugged-modem) is no longer present");
    EXPECT_EQ(port.TapiMode, tmAuto);

    // Held by another program.
    sources->comPorts[3] = modem.devicePath();
    int other = ::open(modem.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    device.SelectDevice("COM3");
    device.OpenPort();
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(device.OpenError(), "The modem device \"COM3\" is in use by another program");
    ::close(other);
    device.OpenPort();
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(device.OpenError(), "");
}

TEST_F(DeviceTest, ModemOfAStoppedLineIsNoLongerPresent)
{
    TempDir tmp;
    FakeLine line(tmp.path() + "/line", {modem.devicePath()});
    sources->lineDirs = {tmp.path() + "/line"};
    const std::string name = "Virtual line modem 1 (" + tmp.path() + "/line)";
    device.SelectDevice(name);
    line.stop();
    device.OpenPort();
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(device.OpenError(), "The modem device \"" + name + "\" is no longer present");
}
