// Modem command helpers against a scripted modem: replies in any case, the
// reset-string fallback, "AT" added and kept, the open-port message texts,
// and the telephony opening's steps.
#include "common/messages.h"
#include "comms/comport.h"
#include "scriptedmodem.h"
#include "sessions/modemhelpers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace qln;
using qln::test::ScriptedModem;
using namespace std::chrono_literals;

namespace {

class Helpers : public ::testing::Test {
protected:
    Helpers()
    {
        saved = modemHelperTiming();
        modemHelperTiming().replyTicks = 8; // the dialogues answer at once
        modemHelperTiming().checkPauseTicks = 1;
        std::string path = modem.devicePath();
        TApdComPort::SetPortMapper([path](int n) { return n == 3 ? path : std::string(); });
        port.SetComNumber(3);
        port.SetAutoOpen(false);
    }
    ~Helpers() override
    {
        port.SetOpen(false);
        TApdComPort::SetPortMapper(nullptr);
        modemHelperTiming() = saved;
    }
    void openPort()
    {
        std::string msg;
        ASSERT_TRUE(OpenPort(port, msg)) << msg;
        EXPECT_EQ(msg, "");
    }
    ModemHelperTiming saved;
    ScriptedModem modem;
    TApdComPort port;
};

} // namespace

TEST_F(Helpers, ResetAndCheckAcceptOkInLowerCase)
{
    modem.expectLine("ATZ").replyLine("ok").expectLine("AT").reply("AT\r\r\nOk\r\n").start();
    openPort();
    EXPECT_TRUE(ResetModem(port));
    EXPECT_TRUE(CheckForModem(port, ""));
    EXPECT_TRUE(modem.waitDone());
    EXPECT_TRUE(modem.failures().empty()) << modem.failures().front();
}

TEST_F(Helpers, CheckFallsBackToTheResetStringAsStored)
{
    // No answer to "AT"; the reset string is sent untrimmed and answered.
    modem.expectLine("AT").expectLine(" AT&F ").replyLine("OK").start();
    openPort();
    EXPECT_TRUE(CheckForModem(port, " AT&F "));
    EXPECT_TRUE(modem.waitDone());
    EXPECT_TRUE(modem.failures().empty()) << modem.failures().front();
}

TEST_F(Helpers, CheckWithoutModemAndBlankResetStringIsFalseAfterOneWait)
{
    modem.start();
    openPort();
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CheckForModem(port, "   "));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, (1 + 8) * 55ms);
    EXPECT_LT(took, (1 + 8) * 55ms + 300ms); // one wait only: nothing else sent
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(modem.lines(), std::vector<std::string>{"AT"});
}

TEST_F(Helpers, ErrorReplyEndsAsTimeOut)
{
    modem.expectLine("ATZ").replyLine("ERROR").start();
    openPort();
    EXPECT_FALSE(ResetModem(port));
}

TEST_F(Helpers, CommandWithoutAtGetsItAndKeepsIt)
{
    modem.expectLine("AT&F").replyLine("OK").expectLine("ats0=1").replyLine("OK").start();
    openPort();
    std::string reset = "&F";
    EXPECT_TRUE(SendModemCommand(port, reset));
    EXPECT_EQ(reset, "AT&F");
    std::string lower = "ats0=1"; // already has "at": left alone
    EXPECT_TRUE(SendModemCommand(port, lower));
    EXPECT_EQ(lower, "ats0=1");
    EXPECT_TRUE(modem.waitDone());
    EXPECT_TRUE(modem.failures().empty()) << modem.failures().front();
}

TEST_F(Helpers, HelpersOnAClosedPortAnswerFalse)
{
    std::string cmd = "Z";
    EXPECT_FALSE(ResetModem(port));
    EXPECT_FALSE(SendModemCommand(port, cmd));
    EXPECT_EQ(cmd, "ATZ");
    EXPECT_FALSE(CheckForModem(port, "ATZ"));
}

TEST_F(Helpers, PortHeldElsewhereNamesTheComNumberWithBlanks)
{
    int other = ::open(modem.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    std::string msg;
    EXPECT_FALSE(OpenPort(port, msg));
    EXPECT_EQ(msg, "The communications port is in use ( Com 3 )\r\n\r\nPlease make sure that no other "
                   "program uses it (a terminal program, another fax program, ModemManager), and then try again.");
    ::close(other);
    EXPECT_TRUE(OpenPort(port, msg));
    EXPECT_EQ(msg, "");
}

TEST_F(Helpers, MissingPortAndOtherFailuresHaveTheirTexts)
{
    std::string msg;
    port.SetComNumber(9); // maps to /dev/ttyS8
    port.SetDevicePath("/dev/qln-nothing-here");
    EXPECT_FALSE(OpenPort(port, msg));
    EXPECT_EQ(msg, "Unable to open the specified communications port ( Com9 )");

    TApdComPort unset;
    unset.SetPromptForPort(false);
    EXPECT_FALSE(OpenPort(unset, msg));
    EXPECT_EQ(msg.rfind("Unable to open the specified communications port ( Com0 )\r\nError message: ", 0), 0u)
        << msg;
    EXPECT_GT(msg.size(), 80u); // 2011 has a text of its own
}

TEST(FaxClassNames, TableAndUnknown)
{
    EXPECT_EQ(FaxClassName(0), "AutoDetect");
    EXPECT_EQ(FaxClassName(1), "Class 1");
    EXPECT_EQ(FaxClassName(2), "Class 2");
    EXPECT_EQ(FaxClassName(3), "Class 2.0");
    EXPECT_EQ(FaxClassName(4), "unknown");
    EXPECT_EQ(FaxClassName(-1), "unknown");
}

namespace {

// A telephony device whose port is the scripted modem's pseudo-terminal.
class FakeTelephony : public ITelephonyDevice {
public:
    explicit FakeTelephony(std::string path) : path_(std::move(path)) {}
    void AttachPort(TApdComPort &p) override { port = &p; }
    TApdComPort *AttachedPort() override { return port; }
    void SelectDevice(const std::string &name) override
    {
        if (name != "Virtual modem")
            throw std::runtime_error("no such device");
        selected = name;
    }
    bool HasSelectedDevice() override { return !selected.empty(); }
    std::string SelectedDeviceName() override { return selected; }
    void ShowSelectionDialog() override
    {
        ++dialogs;
        selected = pickInDialog;
    }
    void OpenPort() override
    {
        if (!openWorks)
            return;
        port->SetDevicePath(path_);
        port->SetOpen(true);
    }
    void DropCallAndRelease() override { ++releases; }

    TApdComPort *port = nullptr;
    std::string selected;
    std::string pickInDialog;
    bool openWorks = true;
    int dialogs = 0;
    int releases = 0;

private:
    std::string path_;
};

} // namespace

TEST_F(Helpers, TelephonyOpeningSelectsOrAsksAndReportsFailures)
{
    modemHelperTiming().telephonyOpenMs = 100;
    modemHelperTiming().telephonySettleTicks = 1;
    FakeTelephony tel(modem.devicePath());
    std::string msg;

    // A name that no longer exists brings up the selection dialog.
    EXPECT_FALSE(OpenThroughTelephony(tel, "Old modem", port, msg));
    EXPECT_EQ(tel.dialogs, 1);
    EXPECT_EQ(msg, "Unable to select the modem device");

    tel.openWorks = false;
    EXPECT_FALSE(OpenThroughTelephony(tel, "Virtual modem", port, msg));
    EXPECT_EQ(msg, "Failed to open Virtual modem");

    tel.openWorks = true;
    modem.expectLine("AT").replyLine("OK").start();
    EXPECT_TRUE(OpenThroughTelephony(tel, "Virtual modem", port, msg));
    EXPECT_EQ(msg, "");
    EXPECT_EQ(port.TapiMode, tmAuto);
    EXPECT_EQ(port.Baud(), 19200);
    EXPECT_EQ(port.InBuffUsed(), 0); // the reply was discarded
    EXPECT_TRUE(modem.waitDone());

    int before = tel.releases;
    ReleaseTelephony(tel);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(tel.releases, before + 1);
}

TEST(TechnicalHelpTopic, OpensTheFaxProblemSolver)
{
    ScriptedMessages msgs;
    ScopedMessages scoped(msgs);
    SetHelpOpener(nullptr);
    EXPECT_FALSE(TechnicalHelp());
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Information), 1u);
    int topic = 0;
    SetHelpOpener([&](int t) { topic = t; return true; });
    EXPECT_TRUE(TechnicalHelp());
    EXPECT_EQ(topic, 10000);
    SetHelpOpener(nullptr);
}

TEST_F(Helpers, OnlyAResultLineOfOkCounts)
{
    // Replies holding the letters inside other text are no OK; the echo and
    // other lines before the result line are passed over.
    modem.expectLine("ATZ").replyLine("BOOK").expectLine("AT").reply("AT\r\r\nOK?\r\n\r\nLOOKS OK\r\n")
        .expectLine("AT").reply("AT\r\r\nRINGING\r\n \tOK\r\n").start();
    openPort();
    EXPECT_FALSE(ResetModem(port));
    EXPECT_FALSE(CheckForModem(port, ""));
    EXPECT_TRUE(CheckForModem(port, ""));
    EXPECT_TRUE(modem.waitDone());
    EXPECT_TRUE(modem.failures().empty()) << modem.failures().front();
}
