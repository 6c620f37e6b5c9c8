// Port speed switching between the initialisation speed and the normal speed,
// checked on the order of speed changes, settle waits and commands the port
// sees through whole sending and receiving sessions.
#include "fax/faxreceive.h"
#include "fax/faxsend.h"
#include "test_faxsim_caller.h"
#include "test_faxsim_class2.h"

#include <gtest/gtest.h>


using namespace qln::fax;
using namespace qln::fax::sim;

namespace {

using Trace = std::vector<std::string>;

// The 9-tick settle wait before a speed change.
const char *const kSettle = "pause 495";

// Command each entry of `cmds` was written at: "AT+FCLASS=1@2400".
Trace commandSpeeds(const Trace &trace)
{
    Trace out;
    std::string baud = "?";
    for (const auto &t : trace) {
        if (t.rfind("baud ", 0) == 0)
            baud = t.substr(5);
        else if (t.rfind("cmd ", 0) == 0)
            out.push_back(t.substr(4) + "@" + baud);
    }
    return out;
}

class SendSpeed : public ::testing::Test {
protected:
    SendSpeed() : remote(link), sender(link, events)
    {
        events.session = &sender;
        sender.settings.faxClass = fcClass1;
        link.baud = 38400; // the speed the port was opened at
    }
    void queueTwoFaxes()
    {
        std::string a = dir.path + "/a.apf", b = dir.path + "/b.apf";
        writeTestApf(a, 1, 10);
        writeTestApf(b, 1, 10);
        events.faxes.push_back({"100", a, ""});
        events.faxes.push_back({"101", b, ""});
    }
    void runSession()
    {
        ASSERT_EQ(sender.prepare(), 0);
        sender.start();
        ASSERT_TRUE(link.run(sender));
        ASSERT_FALSE(sender.inProgress());
        ASSERT_EQ(events.finishCode, 0);
        ASSERT_EQ(remote.pages.size(), 2u);
    }
    Trace speedsAndCalls() const
    {
        return link.traced({"baud", kSettle, "cmd ATE", "cmd AT+FTM=?", "cmd AT+FCLASS", "cmd ATD",
                            "cmd ATH"});
    }

    TempDir dir;
    SimLink link;
    Class1Remote remote;
    Recorder events;
    FaxSender sender;
};

} // namespace

TEST_F(SendSpeed, WithoutInitBaudThePortStaysAt19200)
{
    queueTwoFaxes();
    runSession();
    Trace speeds = link.traced({"baud", kSettle});
    ASSERT_FALSE(speeds.empty());
    for (const auto &s : speeds)
        EXPECT_EQ(s, "baud 19200");
    EXPECT_EQ(link.baud, 19200);
}

TEST_F(SendSpeed, InitialisesAtInitBaudAndSendsEachFaxAtThePortsOwnSpeed)
{
    sender.settings.initBaud = 2400; // NormalBaud 0: the port's 38400
    queueTwoFaxes();
    runSession();
    EXPECT_EQ(speedsAndCalls(), (Trace{
        "baud 2400", "cmd ATE0Q0V1X4S0=0S2=43",
        "baud 19200", kSettle, "baud 38400", "cmd AT+FTM=?",
        "cmd AT+FCLASS=1", "cmd ATDT100", "cmd ATH",
        "baud 19200", kSettle, "baud 2400",
        // The second fax runs at the normal speed like the first.
        "baud 19200", kSettle, "baud 38400",
        "cmd AT+FCLASS=1", "cmd ATDT101", "cmd ATH",
        "baud 19200", kSettle, "baud 2400"}));
    EXPECT_EQ(link.baud, 2400);
}

TEST_F(SendSpeed, NormalBaudWhenSetIsTheSpeedAfterInitialisation)
{
    sender.settings.initBaud = 4800;
    sender.settings.normalBaud = 57600;
    queueTwoFaxes();
    runSession();
    for (const auto &c : commandSpeeds(link.trace)) {
        bool init = c.rfind("ATE0", 0) == 0;
        EXPECT_EQ(c.substr(c.find('@') + 1), init ? "4800" : "57600") << c;
    }
    EXPECT_EQ(link.traced({"baud 57600"}).size(), 2u);
    EXPECT_EQ(link.baud, 4800);
}

TEST_F(SendSpeed, ASecondSessionKeepsTheNormalSpeedFoundByTheFirst)
{
    // The first session leaves the port at the initialisation speed; the
    // next must not take that for the port's own speed.
    sender.settings.initBaud = 2400;
    queueTwoFaxes();
    runSession();
    link.trace.clear();
    remote.pages.clear();
    queueTwoFaxes();
    runSession();
    EXPECT_EQ(link.traced({"baud"}).front(), "baud 2400");
    EXPECT_EQ(link.traced({"baud 38400"}).size(), 2u);
    EXPECT_TRUE(link.traced({"baud 2400"}).size() == 3u);
}

TEST_F(SendSpeed, AFailedFaxAlsoReturnsToTheInitialisationSpeed)
{
    sender.settings.initBaud = 2400;
    remote.dialResults = {"NO DIALTONE", ""};
    queueTwoFaxes();
    ASSERT_EQ(sender.prepare(), 0);
    sender.start();
    ASSERT_TRUE(link.run(sender));
    EXPECT_EQ(events.errors, (std::vector<int>{-ecFaxNoDialTone}));
    EXPECT_EQ(remote.pages.size(), 1u);
    Trace cmds = commandSpeeds(link.trace);
    std::vector<std::string> dials;
    for (const auto &c : cmds)
        if (c.rfind("ATD", 0) == 0)
            dials.push_back(c);
    EXPECT_EQ(dials, (Trace{"ATDT100@38400", "ATDT101@38400"}));
    EXPECT_EQ(link.baud, 2400);
}

namespace {

class ReceiveSpeed : public ::testing::Test {
protected:
    ReceiveSpeed() : receiver(link, events)
    {
        events.session = &receiver;
        receiver.destinationDir = dir.path;
        receiver.receive.oneFax = false;
        receiver.settings.initBaud = 2400;
        link.baud = 38400;
    }
    // Runs until `calls` faxes have been received and the session waits
    // for the next call again.
    bool waitForCalls(int calls)
    {
        return link.runUntil(receiver, [&] {
            return std::count(events.logs.begin(), events.logs.end(), lfaxReceiveOk) == calls
                   && receiver.state() == rfWaiting;
        });
    }

    TempDir dir;
    SimLink link;
    Recorder events;
    FaxReceiver receiver;
};

} // namespace

TEST_F(ReceiveSpeed, Class1CallsRunAtTheNormalSpeedAndEndAtTheInitialisationSpeed)
{
    Class1Caller caller(link);
    caller.pages = {Bytes(400, 0x21)};
    receiver.settings.faxClass = fcClass1;
    ASSERT_EQ(receiver.prepare(), 0);
    receiver.start();
    ASSERT_TRUE(waitForCalls(0));
    for (int call = 1; call <= 2; ++call) {
        caller.newCall();
        caller.ring();
        ASSERT_TRUE(waitForCalls(call)) << "call " << call;
    }
    receiver.cancel();
    ASSERT_FALSE(receiver.inProgress());

    Trace t = link.traced({"baud", kSettle, "cmd ATE", "cmd AT+FCLASS", "cmd AT+FRM=?", "cmd ATA",
                           "cmd ATH", "cmd +++"});
    EXPECT_EQ(t, (Trace{
        // preparation at the initialisation speed, then the normal one
        "baud 2400", "cmd ATE0Q0V1X4S0=0S2=43", "cmd AT+FCLASS=1",
        "baud 19200", kSettle, "baud 38400", "cmd AT+FRM=?",
        "cmd AT+FCLASS=1", "cmd ATA", "cmd ATH",
        // end of call 1: initialisation speed for the modem's set-up
        "baud 19200", kSettle, "baud 2400", "cmd AT+FCLASS=1",
        "baud 19200", kSettle, "baud 38400", "cmd ATA", "cmd ATH",
        "baud 19200", kSettle, "baud 2400", "cmd AT+FCLASS=1",
        "baud 19200", kSettle, "baud 38400",
        // cancel while waiting: hang up, then back to the initialisation speed
        "cmd +++ATH", "baud 19200", kSettle, "baud 2400"}));
}

TEST_F(ReceiveSpeed, Class2SwitchesAfterTheClassCommandOfEachCall)
{
    Class2Modem modem(link, false);
    modem.incoming = {Bytes(200, 0x44)};
    receiver.settings.faxClass = fcClass2;
    receiver.settings.normalBaud = 57600;
    ASSERT_EQ(receiver.prepare(), 0);
    receiver.start();
    ASSERT_TRUE(waitForCalls(0));
    for (int call = 1; call <= 2; ++call) {
        modem.newCall();
        modem.ring();
        ASSERT_TRUE(waitForCalls(call)) << "call " << call;
    }
    Trace cmds = commandSpeeds(link.trace);
    Trace classCmds, capCmds;
    for (const auto &c : cmds) {
        if (c.rfind("AT+FCLASS=2@", 0) == 0)
            classCmds.push_back(c);
        if (c.rfind("AT+FDCC=", 0) == 0)
            capCmds.push_back(c.substr(c.find('@')));
    }
    // Preparation, call 1's set-up (still at the normal speed), then the
    // set-up after each call at the initialisation speed.
    EXPECT_EQ(classCmds, (Trace{"AT+FCLASS=2@2400", "AT+FCLASS=2@57600", "AT+FCLASS=2@2400",
                                "AT+FCLASS=2@2400"}));
    EXPECT_EQ(capCmds, (Trace{"@57600", "@57600", "@57600"}));
    EXPECT_EQ(link.baud, 57600);
    receiver.cancel();
}
