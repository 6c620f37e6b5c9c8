// The port component against a scripted modem: opening rules and errors,
// flow-control levels, AwaitText, trace/log controls, trigger events on the
// UI thread and the deferred close from inside a handler.
#include "comms/comport.h"
#include "comms/portexceptions.h"
#include "scriptedmodem.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <QCoreApplication>

#include <chrono>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace qln;
using qln::test::ScriptedModem;
using namespace std::chrono_literals;

namespace {

QCoreApplication &app()
{
    static int argc = 1;
    static char name[] = "comport_test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *a = new QCoreApplication(argc, argv);
    return *a;
}

template <class Pred>
bool pumpUntil(Pred p, std::chrono::milliseconds limit = 3000ms)
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (!p() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    return p();
}

std::string readFile(const std::string &path)
{
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

class PortOnPty : public ::testing::Test {
protected:
    PortOnPty()
    {
        app();
        std::string path = modem.devicePath();
        TApdComPort::SetPortMapper([path](int n) { return n == 7 ? path : std::string(); });
        port.SetComNumber(7);
        port.SetAutoOpen(false);
        char tmpl[] = "/tmp/qln-port-XXXXXX";
        dir = ::mkdtemp(tmpl);
    }
    ~PortOnPty() override
    {
        port.SetOpen(false);
        TApdComPort::SetPortMapper(nullptr);
        std::string cmd = "rm -rf " + dir;
        [[maybe_unused]] int rc = std::system(cmd.c_str());
    }
    ScriptedModem modem;
    TApdComPort port;
    std::string dir;
};

} // namespace

TEST(PortOpening, NoNumberWithoutPromptOrWithCancelledChooserIsNoPortSelected)
{
    TApdComPort port;
    port.SetPromptForPort(false);
    EXPECT_THROW(port.SetOpen(true), ENoPortSelected);
    port.SetPromptForPort(true);
    int asked = 0;
    TApdComPort::SetPortChooser([&](TApdComPort &) { ++asked; return 0; });
    try {
        port.SetOpen(true);
        FAIL() << "cancelled chooser opened the port";
    } catch (const ENoPortSelected &e) {
        EXPECT_EQ(e.Code, 2011);
    }
    EXPECT_EQ(asked, 1);
    TApdComPort::SetPortChooser(nullptr);
    EXPECT_FALSE(port.Open());
}

TEST(PortOpening, ChosenPortIsOpenedThroughTheMapping)
{
    ScriptedModem modem;
    std::string path = modem.devicePath();
    TApdComPort::SetPortMapper([path](int n) { return n == 5 ? path : std::string(); });
    TApdComPort::SetPortChooser([](TApdComPort &) { return 5; });
    TApdComPort port;
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.ComNumber(), 5);
    EXPECT_EQ(port.Dispatcher().DeviceName(), path);
    port.SetOpen(false);
    TApdComPort::SetPortChooser(nullptr);
    TApdComPort::SetPortMapper(nullptr);
    EXPECT_EQ(TApdComPort::DeviceForComNumber(3), "/dev/ttyS2");
}

TEST(PortOpening, MissingDeviceAndClosedPortErrors)
{
    TApdComPort port;
    port.SetDevicePath("/dev/qln-missing");
    EXPECT_THROW(port.SetOpen(true), EBadId);
    port.SetAutoOpen(false);
    EXPECT_THROW(port.Dispatcher(), ECommNotOpen);
    EXPECT_THROW(port.SendText("AT\r"), ECommNotOpen);
}

TEST(PortSettings, FlowControlLevelsDefaultFromInSize)
{
    TApdComPort port;
    port.SetInSize(8192);
    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    EXPECT_EQ(port.BufferFull(), 7373); // 90 %, rounded
    EXPECT_EQ(port.BufferResume(), 819); // 10 %
    port.SetBufferFull(10000);           // above InSize: 90 % of the value
    EXPECT_EQ(port.BufferFull(), 9000);
    port.SetBufferResume(9500);          // above BufferFull: 10 % of BufferFull
    EXPECT_EQ(port.BufferResume(), 900);

    TApdComPort sw;
    sw.SetInSize(4096);
    sw.SetSWFlowOptions(swfBoth);
    EXPECT_EQ(sw.BufferFull(), 3072);
    EXPECT_EQ(sw.BufferResume(), 1024);
    sw.SetDeviceLayer(dlWinsock); // ignored
    EXPECT_EQ(sw.DeviceLayer(), dlWin32);
}

TEST(PortExceptions, ClassFollowsTheCode)
{
    EXPECT_THROW(RaiseForCode(-3007), EBufferIsEmpty);
    EXPECT_THROW(RaiseForCode(3006), EOutputBufferTooSmall);
    EXPECT_THROW(RaiseForCode(-2008), EAlreadyOpen);
    EXPECT_THROW(RaiseForCode(5003), EBadTriggerHandle);
    EXPECT_THROW(RaiseForCode(2), EInOutError);
    EXPECT_THROW(RaiseForCode(8), std::bad_alloc);
    try {
        RaiseForCode(-8063);
        FAIL();
    } catch (const EAPDException &e) {
        EXPECT_EQ(typeid(e), typeid(EAPDException));
        EXPECT_EQ(e.Code, 8063);
        EXPECT_FALSE(std::string(e.what()).empty());
    }
    EXPECT_NO_THROW(RaiseForCode(0));
}

TEST_F(PortOnPty, AwaitTextUsesTheSimpleRestartRule)
{
    port.SetOpen(true);
    std::string seen;
    port.OnWaitChar = [&](TApdComPort &, char c) { seen += c; };
    modem.write("xxOOKyy");
    EXPECT_TRUE(port.AwaitText("OK", 36, false, false));
    EXPECT_EQ(seen, "xxOOK");
    EXPECT_EQ(port.InBuffUsed(), 2); // "yy" stays
    port.DiscardInput();
    EXPECT_EQ(port.InBuffUsed(), 0);
    // "AAB" inside "AAAB" is missed: after the third 'A' only one 'A' counts.
    modem.write("AAAB");
    EXPECT_FALSE(port.AwaitText("AAB", 4, false, false));
    modem.write("\r\nok\r\n");
    EXPECT_TRUE(port.AwaitText("OK", 36, true, false));
}

TEST_F(PortOnPty, DtrOffOnAPseudoTerminalIsTheHangUpSpeedAndOnRestoresTheSpeed)
{
    // A pseudo-terminal has no modem lines; a line emulator at its other
    // end sees DTR going off as the output speed B0.
    port.SetBaud(38400);
    port.SetOpen(true);
    auto speed = [&] {
        termios t {};
        EXPECT_EQ(::tcgetattr(modem.masterFd(), &t), 0);
        return ::cfgetospeed(&t);
    };
    EXPECT_EQ(speed(), static_cast<speed_t>(B38400));
    port.SetDTR(false);
    EXPECT_EQ(speed(), static_cast<speed_t>(B0));
    port.SetDTR(false);
    EXPECT_EQ(speed(), static_cast<speed_t>(B0));
    port.SetDTR(true);
    EXPECT_EQ(speed(), static_cast<speed_t>(B38400));
    port.SetDTR(true);
    EXPECT_EQ(speed(), static_cast<speed_t>(B38400));
}

TEST_F(PortOnPty, AwaitTextTimesOutAfterItsTicks)
{
    port.SetOpen(true);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.AwaitText("OK", 4, true, true));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 4 * 55ms);
    EXPECT_LT(took, 4 * 55ms + 300ms);
}

TEST_F(PortOnPty, AwaitTextEndsWithAnErrorWhenTheModemDisappears)
{
    port.SetOpen(true);
    modem.closeMaster();
    EXPECT_THROW(port.AwaitText("OK", 182, true, false), EGetBlockFail);
    EXPECT_THROW(port.SendText("AT\r"), EPutBlockFail);
    auto start = std::chrono::steady_clock::now();
    port.SetOpen(false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(port.Open());
}

TEST_F(PortOnPty, TraceDumpRecordsBothDirections)
{
    port.TraceName = dir + "/RIZI.TRC";
    port.SetTracing(tlPause); // closed: anything but tlOn stores tlOff
    EXPECT_EQ(port.Tracing(), tlOff);
    port.SetTracing(tlOn);
    modem.expectLine("AT").replyLine("OK").start();
    port.SetOpen(true);
    EXPECT_EQ(port.Tracing(), tlOn);
    port.SendText("AT\r");
    ASSERT_TRUE(port.AwaitText("OK", 109, true, false));
    port.SetTracing(tlDump);
    EXPECT_EQ(port.Tracing(), tlOff);
    EXPECT_EQ(readFile(port.TraceName), "Transmit: AT[0D]\nReceive: [0D][0A]OK\n");
    EXPECT_THROW(port.SetTracing(tlDump), ETracingNotEnabled);
}

TEST_F(PortOnPty, ClosingWithLoggingOnDumpsTheLog)
{
    port.LogName = dir + "/RIZI.LOG";
    port.SetLogging(tlOn);
    port.SetOpen(true);
    port.SendText("ATZ\r");
    port.SetOpen(false);
    std::string log = readFile(port.LogName);
    EXPECT_EQ(log.rfind("RIZI v3.06\n", 0), 0u);
    EXPECT_NE(log.find("Device: COM7\n"), std::string::npos);
    EXPECT_NE(log.find("Dispatch  WriteCom      00000004  ATZ[0D]"), std::string::npos);
    EXPECT_NE(log.find("TrgHdAlc  Window"), std::string::npos);
}

TEST_F(PortOnPty, TriggersSurviveCloseAndReopen)
{
    port.SetOpen(true);
    int h = port.AddTimerTrigger();
    EXPECT_THROW(port.SetTimerTrigger(h + 8, 1, true), EBadTriggerHandle);
    port.SetOpen(false);
    port.SetOpen(true);
    EXPECT_NO_THROW(port.SetTimerTrigger(h, 1, true));
    EXPECT_EQ(port.AddTimerTrigger(), h + 8);
}

TEST_F(PortOnPty, TriggerEventsArriveOnTheUiThread)
{
    std::vector<uint16_t> counts;
    std::thread::id where;
    port.OnTriggerAvail = [&](TApdComPort &p, uint16_t count) {
        where = std::this_thread::get_id();
        counts.push_back(count);
        for (int i = 0; i < count; ++i)
            p.ReadByte();
    };
    int statusEvents = 0, freeEvents = 0;
    port.OnTriggerStatus = [&](TApdComPort &, uint16_t) { ++statusEvents; };
    port.OnTriggerOutbuffFree = [&](TApdComPort &) { ++freeEvents; };
    port.SetOpen(true);
    port.Dispatcher().SetAvailLevel(1);
    modem.write("RING");
    ASSERT_TRUE(pumpUntil([&] { return !counts.empty(); }));
    EXPECT_EQ(where, std::this_thread::get_id());
    EXPECT_EQ(counts[0], 4);
    int h = port.AddStatusTrigger(stOutBuffFree);
    port.SetStatusTrigger(h, 10, true);
    ASSERT_TRUE(pumpUntil([&] { return freeEvents == 1; }));
    EXPECT_EQ(statusEvents, 1);
}

TEST_F(PortOnPty, ClosingFromInsideAHandlerCompletesLater)
{
    bool handlersWereRunning = false;
    bool closedInHandler = true;
    std::vector<uint32_t> told;
    int user = port.RegisterUser([&](uint32_t msg) { told.push_back(msg); });
    port.OnTriggerAvail = [&](TApdComPort &p, uint16_t) {
        handlersWereRunning = p.DispatcherIfOpen()->HandlersRunning();
        p.SetOpen(false);
        closedInHandler = p.DispatcherIfOpen() == nullptr;
    };
    port.SetOpen(true);
    port.Dispatcher().SetAvailLevel(1);
    modem.write("x");
    ASSERT_TRUE(pumpUntil([&] { return !port.Open() && port.DispatcherIfOpen() == nullptr; }));
    EXPECT_TRUE(handlersWereRunning);
    EXPECT_FALSE(closedInHandler); // the dispatcher outlived the handler
    EXPECT_EQ(told, (std::vector<uint32_t>{msgPortOpen, msgPortClosing}));
    // The port opens again normally afterwards.
    port.OnTriggerAvail = nullptr;
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(told.back(), msgPortOpen);
    port.DeregisterUser(user);
}

TEST_F(PortOnPty, DestroyingAPortWithACloseStillPendingIsSafe)
{
    auto owned = std::make_unique<TApdComPort>();
    owned->SetDevicePath(modem.devicePath());
    owned->SetComNumber(7);
    bool closed = false;
    owned->OnTriggerAvail = [&](TApdComPort &p, uint16_t) {
        p.SetOpen(false); // deferred: handlers are running
        closed = true;
    };
    owned->SetOpen(true);
    owned->Dispatcher().SetAvailLevel(1);
    modem.write("x");
    ASSERT_TRUE(pumpUntil([&] { return closed; }));
    owned.reset(); // the close request is still queued
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    // The device was released: another port can take it.
    TApdComPort again;
    again.SetDevicePath(modem.devicePath());
    again.SetComNumber(7);
    EXPECT_NO_THROW(again.SetOpen(true));
    EXPECT_TRUE(again.Open());
}

namespace {
int countEntries(const char *dir)
{
    int n = 0;
    if (DIR *d = ::opendir(dir)) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}
} // namespace

TEST_F(PortOnPty, ThousandOpenCloseCyclesOfThePortLeakNothing)
{
    port.SetOpen(true);
    port.SetOpen(false);
    int fds = countEntries("/proc/self/fd");
    int threads = countEntries("/proc/self/task");
    for (int i = 0; i < 1000; ++i) {
        port.SetOpen(true);
        port.SendText("AT\r");
        port.SetOpen(false);
        ASSERT_FALSE(port.Open()) << i;
    }
    EXPECT_EQ(countEntries("/proc/self/fd"), fds);
    EXPECT_EQ(countEntries("/proc/self/task"), threads);
}
