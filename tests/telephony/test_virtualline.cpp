// The virtual modem's line run by the program: started on demand as a child
// process, shared with a line already running, stopped by its starter; and
// modem devices of a real line that stops between choice and use.
#include "comms/comport.h"
#include "linedir.h"
#include "telephony/modemdevice.h"
#include "telephony/virtualline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

using namespace qln;
using qln::test::TempDir;
using namespace std::chrono_literals;

namespace {

class LineTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("QLN_VLINE_PROGRAM", QLNFAX_PATH, 1); }
    void TearDown() override
    {
        VirtualLine::stopAll();
        ::unsetenv("QLN_VLINE_PROGRAM");
    }
    TempDir tmp;
};

} // namespace

TEST_F(LineTest, StartsOnceSharesARunningLineAndStopsOnlyItsOwn)
{
    EXPECT_EQ(VirtualLine::program(), QLNFAX_PATH);
    VirtualLine line(tmp.path() + "/vline/");
    EXPECT_EQ(line.dir(), tmp.path() + "/vline");
    EXPECT_FALSE(line.running());
    std::string error;
    ASSERT_TRUE(line.ensureRunning(error)) << error;
    EXPECT_TRUE(line.startedHere());
    EXPECT_TRUE(std::filesystem::exists(line.modemPath(1)));

    // Another user of the same directory finds the line and leaves it alone.
    {
        VirtualLine second(tmp.path() + "/vline");
        ASSERT_TRUE(second.ensureRunning(error)) << error;
        EXPECT_FALSE(second.startedHere());
    }
    EXPECT_TRUE(line.running());

    line.stop();
    EXPECT_FALSE(line.running());
    EXPECT_FALSE(std::filesystem::exists(line.modemPath(1)));
}

TEST_F(LineTest, ALineThatRefusesToStartSaysWhy)
{
    // A control socket path longer than a socket address holds.
    VirtualLine line(tmp.path() + "/" + std::string(120, 'd'));
    std::string error;
    EXPECT_FALSE(line.ensureRunning(error));
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
    EXPECT_FALSE(line.startedHere());

    ::setenv("QLN_VLINE_PROGRAM", "/nonexistent/qlnfax", 1);
    VirtualLine none(tmp.path() + "/x");
    EXPECT_FALSE(none.ensureRunning(error));
    EXPECT_EQ(error, "the program qlnfax, which serves the line, was not found");
}

TEST_F(LineTest, VirtualModemStartsItsLineWhenOpened)
{
    DeviceSources s;
    s.byIdDir = "/nonexistent";
    s.virtualLineDir = tmp.path() + "/vline";
    s.lineDirs = {s.virtualLineDir};
    TModemDevice device([s] { return s; });
    TApdComPort port;
    port.SetAutoOpen(false);
    device.AttachPort(port);
    device.SelectDevice(kVirtualModemName);
    device.OpenPort();
    ASSERT_TRUE(port.Open()) << device.OpenError();
    port.SendText("AT\r");
    EXPECT_TRUE(port.AwaitText("OK", 40, true, false));
    // The line's other modems are now listed by name.
    EXPECT_TRUE(FindModemDevice("Virtual line modem 2 (" + s.virtualLineDir + ")", s));
    device.DropCallAndRelease();
    EXPECT_FALSE(port.Open());
    EXPECT_TRUE(VirtualLine::forDirectory(s.virtualLineDir).running());
    VirtualLine::stopAll();
    EXPECT_FALSE(VirtualLine::forDirectory(s.virtualLineDir).running());
}

TEST_F(LineTest, LineModemStoppedBetweenChoiceAndUseGivesItsErrorAtOnce)
{
    VirtualLine line(tmp.path() + "/line");
    std::string error;
    ASSERT_TRUE(line.ensureRunning(error)) << error;
    DeviceSources s;
    s.byIdDir = "/nonexistent";
    s.lineDirs = {line.dir()};
    TModemDevice device([s] { return s; });
    TApdComPort port;
    port.SetAutoOpen(false);
    device.AttachPort(port);
    const std::string name = "Virtual line modem 2 (" + line.dir() + ")";
    device.SelectDevice(name);

    line.stop();
    const auto start = std::chrono::steady_clock::now();
    device.OpenPort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(device.OpenError(), "The modem device \"" + name + "\" is no longer present");
}
