// The send window's attempt without the window, against a scripted modem:
// each early failure with its window texts, last result and log lines, the
// sender configured from the settings, failures the fax sender reports, a
// cancelled call, the finish handling, and "Lastsend.log".
#include "common/localeformats.h"
#include "common/messages.h"
#include "common/settings.h"
#include "fax/faxcodes.h"
#include "faximage/apf.h"
#include "scriptedmodem.h"
#include "sessions/modemhelpers.h"
#include "sessions/sendfaxjob.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace qln;
using qln::test::ScriptedModem;
using Kind = ScriptedMessages::Kind;

namespace {

const std::string kStamp = "March 5, 2024 2:07:09 pm";

// Records what the attempt showed in its window.
struct RecordingView : SendFaxView {
    void setStatusLine(const std::string &t) override { statusLines.push_back(t); }
    void setBusyCursor(bool b) override { busyCursor = b; }
    void focusPhoneNumber() override { ++focused; }
    void attemptEnded() override { ++ended; }
    std::vector<std::string> statusLines;
    bool busyCursor = false;
    int focused = 0;
    int ended = 0;
};

class SendJob : public ::testing::Test {
protected:
    SendJob()
    {
        savedTiming = modemHelperTiming();
        modemHelperTiming().replyTicks = 8;
        modemHelperTiming().checkPauseTicks = 1;
        setLocaleFormats(LocaleFormats{});
        data = dir.path().toStdString() + "/";
        faxFile = data + "QLN_1.APF";
        writeFax(faxFile);
        settings.comPort = 2; // COM3
        const std::string path = modem.devicePath();
        TApdComPort::SetPortMapper([path](int n) { return n == 3 ? path : std::string(); });
        setMessages(&msgs);
        job = std::make_unique<SendFaxJob>(settings, faxFile, data);
        job->setView(&view);
        job->Now = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
    }
    ~SendJob() override
    {
        job.reset();
        setMessages(nullptr);
        TApdComPort::SetPortMapper(nullptr);
        modemHelperTiming() = savedTiming;
    }

    static void writeFax(const std::string &path)
    {
        fax::ApfWriter w;
        const uint8_t eol[] = {0x00, 0x80};
        ASSERT_EQ(w.create(path), 0);
        ASSERT_EQ(w.beginPage(0), 0);
        ASSERT_EQ(w.writeRaw(eol, sizeof eol), 0);
        ASSERT_EQ(w.endPage(), 0);
        ASSERT_EQ(w.finish("TEST"), 0);
    }

    SendFaxInputs number(const std::string &n) const
    {
        SendFaxInputs in;
        in.phoneNumber = n;
        return in;
    }

    // Lets the finish event arrive.
    bool waitUntilIdle(int ms = 20000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (job->busy() && std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return !job->busy();
    }

    std::string logFile() const
    {
        QFile f(QString::fromStdString(data + "Lastsend.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
    }

    static std::string joined(const std::vector<std::string> &lines)
    {
        std::string s;
        for (const auto &l : lines)
            s += l + "\r\n";
        return s;
    }

    ModemHelperTiming savedTiming;
    QTemporaryDir dir;
    std::string data;
    std::string faxFile;
    Settings settings;
    ScriptedModem modem;
    ScriptedMessages msgs;
    RecordingView view;
    std::unique_ptr<SendFaxJob> job;
};

}  // namespace

TEST(SendFaxRules, DialWaitComesFromS7InTheInitString)
{
    EXPECT_EQ(SendFaxJob::DialWait("ATS7=90"), 90);
    EXPECT_EQ(SendFaxJob::DialWait("ATS7=30"), 75);
    EXPECT_EQ(SendFaxJob::DialWait("ATS7="), 75);
    EXPECT_EQ(SendFaxJob::DialWait("at&f s7=120x4"), 120);
    EXPECT_EQ(SendFaxJob::DialWait("ATS7=1234"), 123);  // at most three digits
    EXPECT_EQ(SendFaxJob::DialWait("ATS7=9A9"), 75);     // not a number
    EXPECT_EQ(SendFaxJob::DialWait("AT&F"), 75);
    EXPECT_EQ(SendFaxJob::DialWait(""), 75);
}

TEST(SendFaxRules, HeaderLineWithAndWithoutNameAndNumber)
{
    EXPECT_EQ(SendFaxJob::HeaderLine("Sales", "555 0100", "3/5/24", "2:07 pm"),
              "Sent by: Sales             $I                     3/5/24    2:07 pm              Page $P of $N");
    EXPECT_EQ(SendFaxJob::HeaderLine("", "", "3/5/24", "2:07 pm"),
              "Sent           3/5/24    2:07 pm              Page $P of $N");
    EXPECT_EQ(SendFaxJob::HeaderLine("", "555", "d", "t"),
              "Sent by         $I                     d    t              Page $P of $N");
    // A name of blanks only still counts as a name, but not for " by".
    EXPECT_EQ(SendFaxJob::HeaderLine(" ", "", "d", "t"),
              "Sent: " + std::string(1 + 4 + 11, ' ') + "d    t              Page $P of $N");
}

TEST_F(SendJob, RepeatedLogLinesAreWrittenOnce)
{
    job->addLog("a");
    job->addLog("a");
    job->addLog("b");
    job->addLog("a");
    job->saveLog();
    EXPECT_EQ(logFile(), "a\r\nb\r\na\r\nFinish: " + kStamp + "\r\n");
}

TEST_F(SendJob, BlankNumberStartsNothing)
{
    job->SendFaxButtonClick(number("   "));
    EXPECT_EQ(msgs.last().kind, Kind::Information);
    EXPECT_EQ(msgs.last().text, "Phone number is blank");
    EXPECT_EQ(view.focused, 1);
    EXPECT_FALSE(job->attempted());
    EXPECT_FALSE(job->busy());
    EXPECT_EQ(logFile(), "<missing>");
}

TEST_F(SendJob, MissingPortFailsWithItsTextsAndLog)
{
    TApdComPort::SetPortMapper([](int) { return std::string("/dev/qln-no-such-port"); });
    job->SendFaxButtonClick(number("555-1212"));
    ASSERT_EQ(msgs.count(Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Error Opening Communications Port");
    EXPECT_EQ(msgs.last().text, "Unable to open the specified communications port ( Com3 )\r\n\r\n"
                                "Is the serial port COM3 (/dev/qln-no-such-port) correct? Please\r\n"
                                "click on the Find Modem button on the Preferences screen to be sure.");
    EXPECT_FALSE(msgs.last().autoClose);
    EXPECT_EQ(job->lastResult(), "Error opening communications port");
    EXPECT_TRUE(job->attempted());
    EXPECT_FALSE(job->busy());
    EXPECT_FALSE(job->ApdComPort1.Open());
    EXPECT_EQ(logFile(), joined({"Start:" + kStamp, "Opening com port: COM3", "Error opening com port: COM3",
                                 "Message:Unable to open the specified communications port ( Com3 )",
                                 "Finish: " + kStamp}));
    EXPECT_EQ(view.ended, 1);
    EXPECT_FALSE(view.busyCursor);
}

TEST_F(SendJob, PortHeldByAnotherProgramIsInUse)
{
    int other = ::open(modem.devicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    job->SendFaxButtonClick(number("555-1212"));
    ::close(other);
    EXPECT_EQ(msgs.last().text, "The communications port is in use ( Com 3 )\r\n\r\nPlease make sure that no "
                                "other program uses it (a terminal program, another fax program, ModemManager), "
                                "and then try again.\r\n\r\nIs the serial port COM3 (" + modem.devicePath() +
                                    ") correct? Please\r\n"
                                "click on the Find Modem button on the Preferences screen to be sure.");
    EXPECT_EQ(job->lastResult(), "Error opening communications port");
}

TEST_F(SendJob, SilentModemAsksAndOkStopsTheAttempt)
{
    modem.start();
    msgs.answer(false);
    job->SendFaxButtonClick(number("555-1212"));
    ASSERT_EQ(msgs.count(Kind::AskError), 1u);
    EXPECT_EQ(msgs.last().caption, "No Response From Modem");
    EXPECT_EQ(msgs.last().text,
              "We did not receive a modem response from COM3 (" + modem.devicePath() +
                  ").\r\n\r\nTo verify the communications port, please "
              "click on the Find Modem button on the Preferences screen.\r\n\r\nIf you are sure there is a "
              "modem on COM3, press CONTINUE\r\nto continue, otherwise press OK to stop the fax session.");
    EXPECT_FALSE(msgs.last().autoClose);
    EXPECT_EQ(job->lastResult(), "No response from modem");
    EXPECT_FALSE(job->ApdComPort1.Open());
    EXPECT_EQ(logFile(), joined({"Start:" + kStamp, "Opening com port: COM3", "Opened com port OK",
                                 "Checking for modem", "Error checking for modem", "Exit", "Finish: " + kStamp}));
}

TEST_F(SendJob, ContinueGoesOnToTheResetStringWhichKeepsItsAt)
{
    settings.resetString = "&F";
    modem.start(); // silent: neither "AT" nor the reset string is answered
    msgs.answer(true);
    job->SendFaxButtonClick(number("555-1212"));
    ASSERT_EQ(msgs.count(Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Unable to Continue");
    EXPECT_EQ(msgs.last().text,
              "We are unable to continue the fax session. \r\n\r\nThe modem did not respond to the reset "
              "string:   (AT&F)\r\n\r\nIs the serial port COM3 (" + modem.devicePath() + ") correct? Please\r\n"
              "click on the Find Modem button on the Preferences screen to be sure.");
    EXPECT_EQ(settings.resetString, "AT&F");
    EXPECT_EQ(job->lastResult(), "No response from modem reset");
    EXPECT_EQ(logFile(), joined({"Start:" + kStamp, "Opening com port: COM3", "Opened com port OK",
                                 "Checking for modem", "Error checking for modem", "Sending reset string: &F",
                                 "Failure sending reset string: AT&F", "Exiting...", "Finish: " + kStamp}));
    EXPECT_EQ(modem.lines(), (std::vector<std::string>{"AT", "&F", "AT&F"}));
}

TEST_F(SendJob, SettingsAreLoggedAndGivenToTheSenderAndAFailedStartIsReported)
{
    settings.maximumBPS = 14400;
    settings.ecm = true;
    settings.blindDial = true;
    settings.ignoreBusy = true;
    settings.renegotiateBetween = true;
    settings.toneOrPulse = 1;
    settings.faxClass = 2;
    settings.fax = "+1 555 0100";
    settings.userName = "Sales";
    settings.initString = "x1 s7=90";
    settings.resetString = "ATZ";
    settings.afterString = "Z";
    settings.retryWait = 33;
    settings.dialAttempts = 4;
    settings.useAlternateHeaderFont = true;
    modem.respond("AT", "\r\nOK\r\n").respond("ATZ", "\r\nOK\r\n").respond("ATX1 S7=90", "\r\nERROR\r\n");
    modem.start();
    SendFaxInputs in = number("555-1212");
    in.dialPrefix = "9,";
    in.dialSuffix = "#22";
    in.disableSuffix = true;
    job->SendFaxButtonClick(in);
    ASSERT_TRUE(waitUntilIdle());

    const fax::TApdSendFax &f = job->ApdSendFax1;
    EXPECT_EQ(f.DesiredBPS, 14400);
    EXPECT_TRUE(f.DesiredECM);
    EXPECT_TRUE(f.BlindDial);
    EXPECT_FALSE(f.DetectBusy);
    EXPECT_EQ(f.PhoneNumber, "555-1212");
    EXPECT_EQ(f.DialPrefix, "9,");
    EXPECT_FALSE(f.ToneDial);
    EXPECT_FALSE(f.SameParameters);
    EXPECT_EQ(f.FaxClass, fax::fcClass2);
    EXPECT_EQ(f.DialAttempts, 4);
    EXPECT_EQ(f.DialRetryWait, 33);
    EXPECT_EQ(f.DialWait, 90);
    EXPECT_EQ(f.StationID, "+1 555 0100");
    EXPECT_EQ(f.ModemInit(), "ATX1 S7=90");
    EXPECT_FALSE(f.EnhTextEnabled);
    EXPECT_EQ(f.FaxFileList, std::vector<std::string>{faxFile});
    EXPECT_TRUE(f.CoverFile.empty());
    EXPECT_EQ(job->headerLine(), "Sent by: Sales             $I                     3/5/24    2:07 pm"
                                 "              Page $P of $N");

    // The modem refused the init string: the finish event reports it.
    EXPECT_EQ(job->lastResult(), "Error while initializing modem");
    ASSERT_EQ(msgs.count(Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Fax Failure");
    EXPECT_EQ(msgs.last().text, "We have received an error message while trying to send the fax\r\n\r\n"
                                "Error message: Error while initializing modem\r\n\r\n");
    EXPECT_EQ(settings.afterString, "ATZ");
    EXPECT_FALSE(job->ApdComPort1.Open());
    EXPECT_EQ(logFile(), joined({"Start:" + kStamp, "Opening com port: COM3", "Opened com port OK",
                                 "Checking for modem", "Sending reset string: ATZ", "Desired BPS: 14400",
                                 "Desired ECM: ON", "Blind Dial: ON", "Ignore Busy: ON",
                                 "Negotiate between pages: ON", "Fax#: 555-1212", "Dial Prefix: 9,",
                                 "Using Pulse Dialing ***", "Fax Class: Class 2", "StationID: +1 555 0100",
                                 "User INIT String: x1 s7=90", "Faxfinish Code: -8063",
                                 "Result: Error while initializing modem", "Finish: " + kStamp}));
    // The after-reset string went out once the call had ended.
    const auto lines = modem.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "ATZ");
}

TEST_F(SendJob, BusyUntilTheLastAttemptThroughTheFaxSender)
{
    settings.dialAttempts = 2;
    settings.retryWait = 1;
    modem.respond("AT", "\r\nOK\r\n")
        .respond("ATE0Q0V1X4S0=0S2=43", "\r\nOK\r\n")
        .respond("AT+FTM=?", "\r\n24,48,72,96\r\nOK\r\n")
        .respond("AT+FCLASS=1", "\r\nOK\r\n")
        .respond("ATDT555-1212#22", "\r\nBUSY\r\n")
        .respond("ATH0", "\r\nOK\r\n");
    modem.start();
    SendFaxInputs in = number("555-1212");
    in.dialSuffix = "#22";
    in.disablePrefix = true;
    in.dialPrefix = "9,";
    job->SendFaxButtonClick(in);
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(job->lastResult(), "Called fax number was busy");
    EXPECT_EQ(msgs.last().caption, "Fax Failure");
    EXPECT_EQ(msgs.last().text, "We have received an error message while trying to send the fax\r\n\r\n"
                                "Error message: Called fax number was busy\r\n\r\n");
    const auto lines = modem.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "ATDT555-1212#22"), 2);
    const std::string log = logFile();
    EXPECT_NE(log.find("Fax#: 555-1212\r\nDial Suffix: #22\r\nFax Class: Class 1\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Dial Prefix"), std::string::npos);
    EXPECT_NE(log.find("Faxfinish Code: -8064\r\nResult: Called fax number was busy\r\nFinish: "),
              std::string::npos)
        << log;
}

TEST_F(SendJob, WhileACallRunsSendAndCloseOnlyBeepAndCancelEndsIt)
{
    // The modem takes the call but the remote never answers.
    modem.respond("AT", "\r\nOK\r\n")
        .respond("ATE0Q0V1X4S0=0S2=43", "\r\nOK\r\n")
        .respond("AT+FTM=?", "\r\n24,48,72,96\r\nOK\r\n")
        .respond("AT+FCLASS=1", "\r\nOK\r\n")
        .respond("ATH0", "\r\nOK\r\n");
    modem.start();
    job->SendFaxButtonClick(number("100"));
    ASSERT_TRUE(job->busy());
    EXPECT_FALSE(job->CloseRequested());
    job->SendFaxButtonClick(number("100"));
    EXPECT_EQ(msgs.count(Kind::Beep), 2u);
    EXPECT_TRUE(job->ApdComPort1.Open());

    job->ApdSendFax1.CancelSession();
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(job->lastResult(), "Cancel requested");
    EXPECT_TRUE(job->CloseRequested());
    EXPECT_FALSE(job->ApdComPort1.Open());
}

TEST_F(SendJob, FinishCode8076CountsAsSentAndEachAttemptRewritesTheLog)
{
    TApdComPort::SetPortMapper([](int) { return std::string("/dev/qln-no-such-port"); });
    job->SendFaxButtonClick(number("555-1212"));
    ASSERT_NE(logFile().find("Error opening com port"), std::string::npos);

    job->ApdSendFax1FaxFinish(-8076);
    EXPECT_EQ(job->lastResult(), "Sent");
    EXPECT_EQ(msgs.last().kind, Kind::Information);
    EXPECT_EQ(msgs.last().text, "Fax sent successfully");
    // The file holds the last attempt only.
    EXPECT_EQ(logFile(), joined({"Start:" + kStamp, "Opening com port: COM3", "Error opening com port: COM3",
                                 "Message:Unable to open the specified communications port ( Com3 )",
                                 "Finish: " + kStamp, "Faxfinish Code: -8076", "Result: Sent",
                                 "Finish: " + kStamp}));
    job->SendFaxButtonClick(number("555-1212"));
    EXPECT_EQ(logFile().find("Faxfinish"), std::string::npos);
    EXPECT_EQ(job->lastResult(), "Error opening communications port");
}

namespace {

// A telephony device with nothing to select: the user picks nothing.
struct NoDevices : ITelephonyDevice {
    void AttachPort(TApdComPort &p) override { port = &p; }
    TApdComPort *AttachedPort() override { return port; }
    void SelectDevice(const std::string &) override { throw std::runtime_error("no such device"); }
    bool HasSelectedDevice() override { return false; }
    std::string SelectedDeviceName() override { return {}; }
    void ShowSelectionDialog() override { ++dialogs; }
    void OpenPort() override {}
    void DropCallAndRelease() override { ++releases; }
    TApdComPort *port = nullptr;
    int dialogs = 0;
    int releases = 0;
};

}  // namespace

TEST_F(SendJob, TelephonyDeviceThatCannotBeOpenedNamesTheDevice)
{
    settings.useTAPI = true;
    settings.tapiDevice = "Virtual modem";
    NoDevices device;
    job->ApdTapiDevice1 = &device;
    job->SendFaxButtonClick(number("100"));
    EXPECT_EQ(device.dialogs, 1);
    EXPECT_EQ(msgs.last().caption, "Error Opening Virtual modem");
    EXPECT_EQ(msgs.last().text, "Unable to select the modem device\r\n\r\nIs the Communications Port used by "
                                "Virtual modem in use? Please\r\nclick use the Preferences screen item #1 to check.");
    EXPECT_EQ(job->lastResult(), "Error opening communications port");
    EXPECT_EQ(job->ApdComPort1.TapiMode, tmAuto);
    EXPECT_EQ(logFile(), joined({"Opening modem device: Virtual modem", "Error opening : Virtual modem",
                                 "Message:Unable to select the modem device", "Finish: " + kStamp}));
    EXPECT_EQ(view.statusLines.front(), "Opening communications port using:Virtual modem");
}
