// XON/XOFF flow control around the training check and page data: where each
// class turns it on and off, sending and receiving, and that a session
// without SoftwareFlow never touches it.
#include "fax/faxdispatchlink.h"
#include "fax/faxreceive.h"
#include "fax/faxsend.h"
#include "test_faxsim_caller.h"
#include "test_faxsim_class2.h"
#include "comms/posixdispatcher.h"
#include "scriptedmodem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>


using namespace qln::fax;
using namespace qln::fax::sim;

namespace {

using Trace = std::vector<std::string>;

const char *const kRxOn = "rx on 6144 2048";

Trace flowTrace(const SimLink &link) { return link.traced({"tx ", "rx "}); }

// Steps a sending session until it streams page data.
void stepUntilPageData(SimLink &link, FaxSender &sender)
{
    for (int i = 0; i < 10000 && sender.state() != tfSendPage; ++i) {
        if (!link.in.empty()) {
            sender.step(FaxTrigger::Data);
        } else if (link.freeArmed) {
            link.freeArmed = false;
            sender.step(FaxTrigger::OutputFree);
        } else {
            break;
        }
    }
}

class Class1Flow : public ::testing::TestWithParam<bool> {
protected:
    Class1Flow()
    {
        file = dir.path + "/two.apf";
        writeTestApf(file, 2, 200);
    }
    bool flow() const { return GetParam(); }

    TempDir dir;
    std::string file;
    SimLink link;
    Recorder events;
};

} // namespace

TEST_P(Class1Flow, SendTurnsTransmitFlowOnForTrainingAndEachPage)
{
    Class1Remote remote(link);
    FaxSender sender(link, events);
    events.session = &sender;
    sender.settings.faxClass = fcClass1;
    sender.settings.softwareFlow = flow();
    events.faxes.push_back({"100", file, ""});
    ASSERT_EQ(sender.prepare(), 0);
    sender.start();
    ASSERT_TRUE(link.run(sender));
    ASSERT_EQ(events.finishCode, 0);
    ASSERT_EQ(remote.pages.size(), 2u);
    if (!flow()) {
        EXPECT_EQ(flowTrace(link), Trace{});
        return;
    }
    EXPECT_EQ(link.traced({"tx ", "rx ", "tcf", "page", "cmd AT+FTM=9", "cmd AT+FRH"}),
              (Trace{"cmd AT+FRH=3", // the DIS after the CSI
                     "cmd AT+FTM=96", "tx on", "tcf", "tx off", "cmd AT+FRH=3",   //
                     "cmd AT+FTM=96", "tx on", "page", "tx off", "cmd AT+FRH=3", //
                     "cmd AT+FTM=96", "tx on", "page", "tx off", "cmd AT+FRH=3"}));
}

TEST_P(Class1Flow, SendCancelledInMidPageLeavesFlowOffOrUntouched)
{
    Class1Remote remote(link);
    FaxSender sender(link, events);
    events.session = &sender;
    sender.settings.faxClass = fcClass1;
    sender.settings.softwareFlow = flow();
    events.faxes.push_back({"100", file, ""});
    ASSERT_EQ(sender.prepare(), 0);
    sender.start();
    stepUntilPageData(link, sender);
    ASSERT_EQ(sender.state(), tfSendPage);
    sender.cancel();
    ASSERT_FALSE(sender.inProgress());
    EXPECT_EQ(events.finishCode, -ecCancelRequested);
    Trace t = flowTrace(link);
    if (flow())
        EXPECT_EQ(t, (Trace{"tx on", "tx off", "tx on", "tx off"})); // training, page
    else
        EXPECT_EQ(t, Trace{});
}

TEST_P(Class1Flow, ReceiveTurnsReceiveFlowOnForTrainingAndEveryPage)
{
    Class1Caller caller(link);
    caller.pages = {Bytes(900, 0x13), Bytes(700, 0x11), Bytes(500, 0x5A)};
    FaxReceiver receiver(link, events);
    events.session = &receiver;
    receiver.destinationDir = dir.path;
    receiver.settings.faxClass = fcClass1;
    receiver.settings.softwareFlow = flow();
    receiver.receive.oneFax = true;
    ASSERT_EQ(receiver.prepare(), 0);
    receiver.start();
    caller.ring();
    ASSERT_TRUE(link.run(receiver));
    ASSERT_EQ(events.finishCode, 0);
    ASSERT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    if (!flow()) {
        EXPECT_EQ(flowTrace(link), Trace{});
        return;
    }
    // On for the training check, off before answering it, on again with
    // CFR; each page's data ends with it off, and the next page (after MCF
    // to MPS) turns it on before its reception starts.
    EXPECT_EQ(link.traced({"tx ", "rx ", "tcf", "page", "cmd AT+FRM=9", "cmd AT+FTH"}),
              (Trace{kRxOn, "cmd AT+FRM=96", "tcf", "rx off", "cmd AT+FTH=3", kRxOn, //
                     "cmd AT+FRM=96", "page", "rx off", "cmd AT+FTH=3",           //
                     kRxOn, "cmd AT+FRM=96", "page", "rx off", "cmd AT+FTH=3",    //
                     kRxOn, "cmd AT+FRM=96", "page", "rx off", "cmd AT+FTH=3"}));
}

TEST_P(Class1Flow, ReceiveCancelledInMidPageTurnsFlowOff)
{
    Class1Caller caller(link);
    caller.pages = {Bytes(3000, 0x42)};
    caller.stopAfterFirstPageData = true;
    FaxReceiver receiver(link, events);
    events.session = &receiver;
    receiver.destinationDir = dir.path;
    receiver.settings.faxClass = fcClass1;
    receiver.settings.softwareFlow = flow();
    ASSERT_EQ(receiver.prepare(), 0);
    receiver.start();
    caller.ring();
    link.run(receiver, 2000, false);
    ASSERT_EQ(receiver.state(), rfGtPgDta);
    receiver.cancel();
    ASSERT_FALSE(receiver.inProgress());
    Trace t = flowTrace(link);
    if (flow())
        EXPECT_EQ(t, (Trace{kRxOn, "rx off", kRxOn, "rx off"}));
    else
        EXPECT_EQ(t, Trace{});
}

INSTANTIATE_TEST_SUITE_P(SoftwareFlow, Class1Flow, ::testing::Values(true, false),
                         [](const auto &info) { return info.param ? "On" : "Off"; });

namespace {

// Class 2 (false) or Class 2.0 (true), with SoftwareFlow on or off.
class Class2Flow : public ::testing::TestWithParam<std::tuple<bool, bool>> {
protected:
    Class2Flow() : modem(link, std::get<0>(GetParam())) {}
    TFaxClass faxClass() const { return std::get<0>(GetParam()) ? fcClass2_0 : fcClass2; }
    bool flow() const { return std::get<1>(GetParam()); }

    TempDir dir;
    SimLink link;
    Class2Modem modem;
    Recorder events;
};

} // namespace

TEST_P(Class2Flow, SendTurnsTransmitFlowOnForEachPageAndOffBeforeThePageEnd)
{
    std::string file = dir.path + "/two.apf";
    writeTestApf(file, 2, 30);
    FaxSender sender(link, events);
    events.session = &sender;
    sender.settings.faxClass = faxClass();
    sender.settings.softwareFlow = flow();
    events.faxes.push_back({"100", file, ""});
    ASSERT_EQ(sender.prepare(), 0);
    sender.start();
    ASSERT_TRUE(link.run(sender));
    ASSERT_EQ(events.finishCode, 0);
    ASSERT_EQ(modem.pages.size(), 2u);
    if (!flow()) {
        EXPECT_EQ(flowTrace(link), Trace{});
        return;
    }
    // The page-end code ("page" here) follows the ring's draining, so the
    // flow is already off when the modem sees it.
    EXPECT_EQ(link.traced({"tx ", "rx ", "page", "cmd AT+FDT"}),
              (Trace{"cmd AT+FDT", "tx on", "tx off", "page", //
                     "cmd AT+FDT", "tx on", "tx off", "page"}));
}

TEST_P(Class2Flow, ReceiveTurnsReceiveFlowOnForEachPageAndOffAtItsEnd)
{
    modem.incoming = {Bytes(600, 0x13), Bytes(300, 0x11)};
    FaxReceiver receiver(link, events);
    events.session = &receiver;
    receiver.destinationDir = dir.path;
    receiver.settings.faxClass = faxClass();
    receiver.settings.softwareFlow = flow();
    receiver.receive.oneFax = true;
    ASSERT_EQ(receiver.prepare(), 0);
    receiver.start();
    modem.ring();
    ASSERT_TRUE(link.run(receiver));
    ASSERT_EQ(events.finishCode, 0);
    if (!flow()) {
        EXPECT_EQ(flowTrace(link), Trace{});
        return;
    }
    // Off while the modem is set up for the call (rfInit), on at each
    // page's CONNECT, off at each page's end.
    EXPECT_EQ(link.traced({"tx ", "rx ", "page", "cmd ATA", "cmd AT+FDR"}),
              (Trace{"rx off", "cmd ATA", "cmd AT+FDR", kRxOn, "page", "rx off", //
                     "cmd AT+FDR", kRxOn, "page", "rx off", "cmd AT+FDR"}));
}

INSTANTIATE_TEST_SUITE_P(Classes, Class2Flow,
                         ::testing::Combine(::testing::Values(false, true), ::testing::Values(true, false)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param) ? "Class20" : "Class2")
                                    + (std::get<1>(info.param) ? "On" : "Off");
                         });

namespace {

// The link's flow switching on a real port (a pseudo-terminal).
class DispatcherOnPty : public ::testing::Test {
protected:
    void open()
    {
        ASSERT_EQ(d.OpenCom(modem.devicePath(), 0, 4096, 4096, true, true, 19200, qln::pNone, 8, 1), 0);
    }
    qln::test::ScriptedModem modem;
    qln::TApdPosixDispatcher d;
};

} // namespace

// A fax session switches XON/XOFF around page data; the port's hardware
// handshaking stays as configured: off with software flow only, on when the
// port asked for RTS/CTS.
TEST_F(DispatcherOnPty, FaxFlowSwitchingLeavesHardwareHandshakingAsConfigured)
{
    open();
    auto lineFlags = [&] {
        termios t{};
        int fd = ::open(modem.devicePath().c_str(), O_RDWR | O_NOCTTY);
        EXPECT_GE(fd, 0);
        ::tcgetattr(fd, &t);
        ::close(fd);
        return t;
    };
    qln::fax::FaxDispatchLink link(d);
    link.setTxFlow(true);
    termios t = lineFlags();
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    link.setRxFlow(true, 6144, 2048);
    t = lineFlags();
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);

    ASSERT_EQ(d.SetFlowControl(qln::hwfUseRTS | qln::hwfRequireCTS, qln::swfNone, 0x11, 0x13, 0, 0), 0);
    link.setTxFlow(false);
    t = lineFlags();
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_iflag & IXON);
}

// A step that writes a command and waits for its reply within the step (the
// DCN after a failure, the hang-up) runs on the dispatch thread, which is
// also the thread that fills the input ring: the wait reads the device
// itself, so the reply is seen and the DCN follows the CONNECT.
TEST_F(DispatcherOnPty, AWaitWithinAStepOnTheDispatchThreadSeesTheReply)
{
    modem.delay(100).replyLine("RING").expectLine("AT+FTH=3").delay(50).replyLine("CONNECT");
    modem.start();
    open();
    qln::fax::FaxDispatchLink link(d);
    std::atomic<bool> handled{false}, finished{false};
    std::string seen;
    d.SetAvailLevel(1);
    const int id = d.AttachHandler([&](uint32_t msg, uint32_t, int32_t) {
        if (handled || (msg != qln::msgTriggerAvail && msg != qln::msgTriggerData))
            return;
        handled = true;
        while (link.inputCount() > 0)
            link.readByte();
        const uint8_t cmd[] = "AT+FTH=3\r";
        link.writeBlock(cmd, sizeof cmd - 1);
        for (int i = 0; i < 200 && seen.find("CONNECT") == std::string::npos; ++i) {
            if (!link.waitForInput(10))
                continue;
            while (link.inputCount() > 0)
                seen += static_cast<char>(link.readByte());
        }
        finished = true;
    });
    for (int i = 0; i < 800 && !finished; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    d.DetachHandler(id);
    EXPECT_TRUE(handled);
    EXPECT_NE(seen.find("CONNECT"), std::string::npos);
    EXPECT_TRUE(modem.failures().empty());
}
