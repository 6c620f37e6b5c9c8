// Find modem over COM1..COM6 against scripted modems: the first modem wins,
// each port's label, a port held elsewhere, a device that does not answer,
// the three message lines, and the window around the search.
#include "sessions/findmodem.h"
#include "sessions/findmodemwindow.h"
#include "setupfixture.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace qln;
using qln::test::answerAsFaxModem;
using qln::test::ScriptedModem;

namespace {

class FindModemTest : public qln::test::SetupFixture {};

} // namespace

TEST_F(FindModemTest, ModemsOnCom2AndCom4GiveTwoAndBothLabelsShowAModem)
{
    ScriptedModem second, fourth;
    answerAsFaxModem(second, "0,1");
    answerAsFaxModem(fourth, "0,2");
    second.start();
    fourth.start();
    ports[2] = second.devicePath();
    ports[4] = fourth.devicePath();

    FindModem finder(port);
    std::vector<std::string> shown;
    finder.onLabel = [&](int n, const std::string &text) { shown.push_back(std::to_string(n) + "|" + text); };
    EXPECT_EQ(finder.run(), 2);
    EXPECT_EQ(finder.label(1), "Com 1: Port does not exist");
    EXPECT_EQ(finder.label(2), "Com 2: MODEM");
    EXPECT_EQ(finder.label(3), "Com 3: Port does not exist");
    EXPECT_EQ(finder.label(4), "Com 4: MODEM");
    EXPECT_EQ(finder.label(6), "Com 6: Port does not exist");
    EXPECT_EQ(finder.message(), "A modem was found on Com Port 2. We suggest setting the Port as Com 2.");
    // Each port shows its testing text before its result, in port order.
    ASSERT_EQ(shown.size(), 12u);
    EXPECT_EQ(shown[2], "2|Com 2: TESTING");
    EXPECT_EQ(shown[3], "2|Com 2: MODEM");
    EXPECT_EQ(shown[11], "6|Com 6: Port does not exist");
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Beep), 1u);
}

TEST_F(FindModemTest, HeldPortAndSilentDeviceLeadToTheInUseMessage)
{
    ScriptedModem held, silent;
    held.start();
    silent.start();
    ports[3] = held.devicePath();
    ports[5] = silent.devicePath();
    int other = ::open(held.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);

    FindModem finder(port);
    EXPECT_EQ(finder.run(), -1);
    EXPECT_EQ(finder.label(3), "Com 3: Port is already open (could be modem)");
    EXPECT_EQ(finder.label(5), "Com 5: Unknown");
    EXPECT_TRUE(finder.portInUse());
    EXPECT_EQ(finder.message(),
              "No modem found. Please make sure that no other program uses the ports (a terminal program, "
              "another fax program, ModemManager), and then try again. If you know which Com port your modem "
              "uses, you can also just set the Port to that setting");
    EXPECT_EQ(silent.lines(), std::vector<std::string>{"AT"});

    // Once the other program lets go, the port is probed like any other.
    ::close(other);
    FindModem again(port);
    EXPECT_EQ(again.run(), -1);
    EXPECT_EQ(again.label(3), "Com 3: Unknown");
    EXPECT_FALSE(again.portInUse());
    EXPECT_EQ(again.message(),
              "No modem found. If you know which Com port your modem uses, you can also just set the Port to that "
              "setting. Please note that Quillon does not work with CABLE, DSL or ISDN connections.");
}

TEST_F(FindModemTest, ModemAnsweringOnlyTheResetStringCountsAndALaterModemDoesNotWin)
{
    settings().resetString = "AT&F";
    ScriptedModem first, later;
    first.respond("AT&F", "\r\nOK\r\n").start();
    answerAsFaxModem(later, "0,1");
    later.start();
    ports[1] = first.devicePath();
    ports[6] = later.devicePath();
    FindModem finder(port);
    EXPECT_EQ(finder.run(), 1);
    EXPECT_EQ(finder.label(1), "Com 1: MODEM");
    EXPECT_EQ(finder.label(6), "Com 6: MODEM");
    EXPECT_EQ(first.lines(), (std::vector<std::string>{"AT", "AT&F"}));
}

TEST_F(FindModemTest, WindowSearchesWhenShownAndOffersOkOnlyAtTheEnd)
{
    ScriptedModem modem;
    answerAsFaxModem(modem, "0,1");
    modem.start();
    ports[4] = modem.devicePath();
    TFindModemForm form(port);
    EXPECT_EQ(form.windowTitle(), "Finding Modem...Please wait");
    EXPECT_EQ(form.messageText(), "Testing Communications ports...please wait.");
    form.show();
    EXPECT_FALSE(form.okButton()->isVisible());
    QMetaObject::invokeMethod(&form, "reject");  // Escape before the end does not close it
    EXPECT_TRUE(form.isVisible());
    QElapsedTimer t;
    t.start();
    while (!form.done() && t.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(form.done());
    EXPECT_EQ(form.result(), 4);
    EXPECT_EQ(form.windowTitle(), "Find Modem");
    EXPECT_TRUE(form.okButton()->isVisible());
    EXPECT_EQ(form.portLabel(4), "Com 4: MODEM");
    EXPECT_EQ(form.portLabel(1), "Com 1: Port does not exist");
    EXPECT_EQ(form.messageText(), "A modem was found on Com Port 4. We suggest setting the Port as Com 4.");
    form.okButton()->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), 4);
}
