// The list of named modem devices: serial devices by id, [Ports] COM ports,
// the modems of running virtual lines and the virtual modem, in that order;
// what is not there (dangling links, stopped lines) is left out.
#include "linedir.h"
#include "telephony/modemdevices.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qln;
using qln::test::FakeLine;
using qln::test::TempDir;

namespace {

std::vector<std::string> names(const std::vector<ModemDevice> &devices)
{
    std::vector<std::string> out;
    for (const auto &d : devices)
        out.push_back(d.name);
    return out;
}

} // namespace

TEST(ModemDeviceList, ListsEachSourceInOrderAndSkipsWhatIsNotThere)
{
    TempDir tmp;
    const std::string byId = tmp.path() + "/by-id";
    std::filesystem::create_directories(byId);
    // Entries that name character devices are modems; a dangling link is not.
    std::filesystem::create_symlink("/dev/null", byId + "/usb-Zoom_56K_Faxmodem-if00");
    std::filesystem::create_symlink("/dev/zero", byId + "/usb-Acme_Fax-if00");
    std::filesystem::create_symlink(tmp.path() + "/unplugged", byId + "/usb-Gone-if00");

    FakeLine other(tmp.path() + "/other", {"/dev/null", "/dev/zero"});
    FakeLine own(tmp.path() + "/own", {"/dev/null", "/dev/zero"});

    DeviceSources s;
    s.byIdDir = byId;
    s.comPorts = {{4, "/dev/ttyUSB1"}, {2, "/tmp/line/modem1"}};
    s.lineDirs = {tmp.path() + "/other", tmp.path() + "/own/"};
    s.virtualLineDir = tmp.path() + "/own";

    const auto devices = ListModemDevices(s);
    EXPECT_EQ(names(devices), (std::vector<std::string>{
                                  "usb-Acme_Fax-if00",
                                  "usb-Zoom_56K_Faxmodem-if00",
                                  "COM2",
                                  "COM4",
                                  "Virtual line modem 1 (" + tmp.path() + "/other)",
                                  "Virtual line modem 2 (" + tmp.path() + "/other)",
                                  // modem 1 of the virtual modem's own line is the virtual modem itself
                                  "Virtual line modem 2 (" + tmp.path() + "/own)",
                                  kVirtualModemName,
                              }));
    EXPECT_EQ(devices[0].path, byId + "/usb-Acme_Fax-if00");
    EXPECT_EQ(devices[2].path, "/tmp/line/modem1");
    EXPECT_EQ(devices.back().path, tmp.path() + "/own/modem1");
    EXPECT_EQ(devices.back().kind, ModemDevice::Kind::VirtualModem);

    // A line that stopped answering leaves no modems behind, even with its links.
    other.stop();
    EXPECT_TRUE(VirtualLineModems(tmp.path() + "/other").empty());
    EXPECT_FALSE(FindModemDevice("Virtual line modem 1 (" + tmp.path() + "/other)", s));
    EXPECT_TRUE(FindModemDevice("COM4", s));
}

TEST(ModemDeviceList, NothingInstalledLeavesOnlyTheVirtualModemWhenOffered)
{
    DeviceSources s;
    s.byIdDir = "/nonexistent/by-id";
    EXPECT_TRUE(ListModemDevices(s).empty());
    s.virtualLineDir = "/tmp/qln-no-line-here";
    EXPECT_EQ(ModemDeviceNames(s), std::vector<std::string>{kVirtualModemName});
}

TEST(ModemDeviceList, ProviderReplacesTheDefaultSources)
{
    SetDeviceSourcesProvider([] {
        DeviceSources s;
        s.byIdDir = "/nonexistent";
        s.comPorts = {{7, "/dev/ttyS6"}};
        return s;
    });
    std::string path, error;
    EXPECT_TRUE(ResolveModemDevice("COM7", path, error));
    EXPECT_EQ(path, "/dev/ttyS6");
    EXPECT_FALSE(ResolveModemDevice("COM8", path, error));
    EXPECT_EQ(error, "The modem device \"COM8\" is not present");
    SetDeviceSourcesProvider(nullptr);
}

// A device named by a path that no listed device has: a relative path is
// taken from the working directory, as command-line tools take paths; a
// name that is no character device is still not present.
TEST(ModemDeviceList, DevicePathsRelativeToTheWorkingDirectoryAreFound)
{
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path("/dev");
    const auto relative = qln::FindModemDevice("null", qln::DeviceSources{});
    const auto missing = qln::FindModemDevice("no-such-modem", qln::DeviceSources{});
    std::filesystem::current_path("/");
    const auto notADevice = qln::FindModemDevice("etc", qln::DeviceSources{});
    std::filesystem::current_path(before);
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(relative->path, "/dev/null");
    EXPECT_FALSE(missing.has_value());
    EXPECT_FALSE(notADevice.has_value());
}
