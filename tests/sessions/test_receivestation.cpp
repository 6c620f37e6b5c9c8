// Receive mode without a screen: the receiver set-up taken from the
// settings, the status-line rules, the receive log, what happens to the file
// of a finished or failed call, and switching on against modems that fail
// in each of the ways the start-up steps report.
#include "common/messages.h"
#include "common/settings.h"
#include "fax/faxreceivefile.h"
#include "faximage/apfwriter.h"
#include "records/faxtables.h"
#include "scriptedmodem.h"
#include "sessions/modemhelpers.h"
#include "sessions/receivedfaxstore.h"
#include "sessions/receivestation.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <functional>
#include <set>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qln;
using qln::test::ScriptedModem;

namespace {

// Records what the station asks of its window.
class RecordingHost : public ReceiveStationHost {
public:
    void setStatusText(const std::string &text) override { statusTexts.push_back(text); }
    void receiveModeChanged(bool on) override { modeChanges.push_back(on); }
    bool runQuickSetup() override
    {
        ++quickSetups;
        return quickSetupResult;
    }
    bool storeReceivedFax(const records::ReceivedFax &row) override
    {
        if (!storeWorks)
            return false;
        rows.push_back(row);
        return true;
    }
    void faxReceived(const records::ReceivedFax &row) override { notified.push_back(row.faxFile); }
    void printReceivedFax(const std::string &path) override { printed.push_back(path); }
    void letEventsRun() override
    {
        QCoreApplication::processEvents();
        ++eventRuns;
        if (onEvents)
            onEvents(eventRuns);
    }
    bool listedFaxFiles(std::set<std::string> &names) override
    {
        if (!tableKnown)
            return false;
        names.insert(listed.begin(), listed.end());
        for (const auto &r : rows)
            names.insert(r.faxFile);
        return true;
    }

    std::vector<std::string> statusTexts;
    std::vector<bool> modeChanges;
    std::vector<records::ReceivedFax> rows;
    std::vector<std::string> notified;
    std::vector<std::string> printed;
    int quickSetups = 0;
    bool quickSetupResult = false;
    bool storeWorks = true;
    bool tableKnown = true;
    std::set<std::string> listed;  // names of rows that were there before
    int eventRuns = 0;
    std::function<void(int run)> onEvents;
};

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// An APF file with `pages` pages of a few coded bytes each.
void writeApf(const std::string &path, int pages)
{
    fax::ApfWriter w;
    ASSERT_EQ(w.create(path), 0);
    const uint8_t line[] = {0x00, 0x10, 0x01};
    for (int p = 0; p < pages; ++p) {
        ASSERT_EQ(w.beginPage(0), 0);
        ASSERT_EQ(w.writeFramedLine(line, sizeof line), 0);
        ASSERT_EQ(w.endPage(), 0);
    }
    ASSERT_EQ(w.finish(""), 0);
}

bool exists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

class StationTest : public ::testing::Test {
protected:
    StationTest()
    {
        dataDir = dir.path().toStdString() + "/";
        QDir().mkpath(dir.path() + "/receive");
        settings.comPort = 2;  // COM3
        settings.noModem = false;
        station = std::make_unique<ReceiveStation>(settings, dataDir, host);
        station->log().clock = [] { return std::string("March 5, 2026 9:12:00 am"); };
    }
    std::vector<std::string> logLines() const { return station->log().lines(); }

    QTemporaryDir dir;
    std::string dataDir;
    Settings settings;
    RecordingHost host;
    ScriptedMessages msgs;
    ScopedMessages scoped{msgs};
    std::unique_ptr<ReceiveStation> station;
};

} // namespace

// ---- Set-up and texts ------------------------------------------------------------

TEST(ReceiverSetup, TakesEachPropertyFromItsSetting)
{
    Settings s;
    s.comPort = 0;
    s.faxClassReceive = 0;
    s.fax = "+1 555 0100";
    s.answerOnRing = 3;
    s.maximumBPSReceive = 14400;
    s.ecmReceive = true;
    ReceiverSetup r = receiverSetupFromSettings(s, "/d/receive/");
    EXPECT_EQ(r.destinationDir, "/d/receive/");
    EXPECT_EQ(r.faxNameMode, 1);
    EXPECT_EQ(r.comNumber, 1);
    EXPECT_EQ(r.faxClass, 1);  // AutoDetect becomes detection
    EXPECT_EQ(r.stationId, "+1 555 0100");
    EXPECT_EQ(r.answerOnRing, 3);
    EXPECT_EQ(r.desiredBps, 14400);
    EXPECT_TRUE(r.desiredEcm);
    EXPECT_EQ(r.inSize, 8192);
    EXPECT_EQ(r.bufferFull, 7372);
    EXPECT_EQ(r.bufferResume, 819);
    EXPECT_FALSE(r.telephony);

    s.globalUseAlternateNamingRec = true;
    s.globalLargerReceiveBuffer = true;
    s.faxClassReceive = 3;
    s.useTAPI = true;
    r = receiverSetupFromSettings(s, "/d/receive/");
    EXPECT_EQ(r.faxNameMode, 2);
    EXPECT_EQ(r.faxClass, 4);  // Class 2.0
    EXPECT_EQ(r.inSize, 16384);
    EXPECT_EQ(r.bufferFull, 14745);
    EXPECT_EQ(r.bufferResume, 1638);
    EXPECT_TRUE(r.telephony);
}

TEST(ReceiverSetup, InitStringGetsAtOnlyWhenItHasNone)
{
    EXPECT_EQ(receiveModemInit(""), "");
    EXPECT_EQ(receiveModemInit("&F1"), "AT&F1");
    EXPECT_EQ(receiveModemInit("S7=60 at&c1"), "S7=60 at&c1");  // "at" anywhere, any case
    EXPECT_EQ(receiveModemInit("ATX3"), "ATX3");
}

TEST(ReceiveStatusLine, FollowsTheTextRules)
{
    EXPECT_EQ(receiveStatusLine("  Waiting for incoming call ", 0, 0, ""), "Waiting for incoming call");
    EXPECT_EQ(receiveStatusLine("Got Class 2 FHNG code", 0, 0, ""), "Hangup successful");
    // Page and byte counts only appear with a remote identifier, page first.
    EXPECT_EQ(receiveStatusLine("Getting page data", 2, 4500, ""), "Receiving fax");
    EXPECT_EQ(receiveStatusLine("Getting page data", 2, 4500, " 100 "), "Receiving fax from: 100, page 2 (4500 bytes)");
    EXPECT_EQ(receiveStatusLine("Getting page data", 0, 0, "100"), "Receiving fax from: 100");
    EXPECT_EQ(receiveStatusLine("Answering incoming call", 1, 10, "100"), "Answering incoming call from: 100");
    EXPECT_EQ(receiveStatusLine("User abort", 0, 0, "100"), "");
}

TEST(ReceiveStatusLine, RemoteIdentifierIsOnlyEverText)
{
    EXPECT_EQ(storableStationId("../../etc/passwd"), "../../etc/passwd");
    EXPECT_EQ(storableStationId("%s%n%x"), "%s%n%x");
    EXPECT_EQ(storableStationId("AB\x1b[2J\x07"), "AB?[2J?");
    EXPECT_EQ(storableStationId("  123456789012345678901234 "), "12345678901234567890");
    EXPECT_EQ(receiveStatusLine("Got called-station ID", 0, 0, "a\tb%d"), "Got called-station ID from: a?b%d");
}

TEST(ReceiveLogFile, DropsRepeatsAndEndsEverySaveWithFinish)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/Lastrec.log";
    {
        std::ofstream old(path);
        old << "a line of an earlier run\r\n";
    }
    ReceiveLog log;
    log.clock = [] { return std::string("March 5, 2026 9:12:00 am"); };
    EXPECT_TRUE(log.add("Start:March 5, 2026 9:00:00 am"));
    EXPECT_TRUE(log.add("Checking for modem"));
    EXPECT_FALSE(log.add("Checking for modem"));
    EXPECT_TRUE(log.add("StartReceive"));
    ASSERT_TRUE(log.save(path));
    EXPECT_EQ(readFile(path), "Start:March 5, 2026 9:00:00 am\r\nChecking for modem\r\nStartReceive\r\n"
                              "Finish: March 5, 2026 9:12:00 am\r\n");
    log.add("Stopped receive mode:March 5, 2026 9:12:00 am");
    ASSERT_TRUE(log.save(path));
    const std::string second = readFile(path);
    EXPECT_EQ(second, "Start:March 5, 2026 9:00:00 am\r\nChecking for modem\r\nStartReceive\r\n"
                      "Finish: March 5, 2026 9:12:00 am\r\nStopped receive mode:March 5, 2026 9:12:00 am\r\n"
                      "Finish: March 5, 2026 9:12:00 am\r\n");
}

// ---- Received files ----------------------------------------------------------------

TEST_F(StationTest, FinishedFaxBecomesOneRowWithThePagesOfItsFile)
{
    const std::string file = dataDir + "receive/FAX0001.APF";
    writeApf(file, 3);
    station->faxStored(file, "  +1 555\x01 0100/..%s  ");
    ASSERT_EQ(host.rows.size(), 1u);
    const records::ReceivedFax &row = host.rows[0];
    EXPECT_EQ(row.faxFile, "FAX0001.APF");
    EXPECT_EQ(row.pages, 3);
    EXPECT_EQ(row.from, "+1 555? 0100/..%s");
    EXPECT_EQ(row.dateRec.size(), 8u);
    ASSERT_EQ(row.timeRec.size(), 5u);
    EXPECT_EQ(row.timeRec[2], ':');
    EXPECT_TRUE(row.notes.empty());
    EXPECT_TRUE(host.printed.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(host.notified, std::vector<std::string>{"FAX0001.APF"});
    EXPECT_EQ(msgs.calls().size(), 0u);
}

TEST_F(StationTest, PrintOnReceiptPrintsEveryFaxInTurnAfterItsEvent)
{
    settings.printOnReceipt = true;
    writeApf(dataDir + "receive/FAX0001.APF", 1);
    writeApf(dataDir + "receive/FAX0002.APF", 2);
    station->faxStored(dataDir + "receive/FAX0001.APF", "100");
    station->faxStored(dataDir + "receive/FAX0002.APF", "100");
    EXPECT_TRUE(host.printed.empty());  // not inside the receiver's event
    QCoreApplication::processEvents();
    EXPECT_EQ(host.printed, (std::vector<std::string>{dataDir + "receive/FAX0001.APF",
                                                      dataDir + "receive/FAX0002.APF"}));
}

// A one-page fax of a line of text, made by the converter (test_receivedpdf.cpp:
// the converter's header and the receiver's do not go into one file).
void writeTextPageApf(const std::string &apfFile);

TEST_F(StationTest, FaxIsAlsoKeptAsPdfWhenAskedAndAFailedCopyIsLogged)
{
    settings.receivedPdfDirectory = dataDir + "pdf";
    writeTextPageApf(dataDir + "receive/FAX0001.APF");
    station->faxStored(dataDir + "receive/FAX0001.APF", "ACME");
    ASSERT_EQ(host.rows.size(), 1u);
    const QStringList pdfs = QDir(QString::fromStdString(dataDir + "pdf")).entryList({"*.pdf"}, QDir::Files);
    ASSERT_EQ(pdfs.size(), 1) << (station->log().lines().empty() ? "" : station->log().lines().back());
    EXPECT_TRUE(pdfs[0].endsWith(" from ACME.pdf")) << pdfs[0].toStdString();
    // A directory that cannot be made (a file stands in its place): the fax
    // is listed all the same and the failure is in the log.
    settings.receivedPdfDirectory = dataDir + "receive/FAX0001.APF";
    writeApf(dataDir + "receive/FAX0002.APF", 1);
    station->faxStored(dataDir + "receive/FAX0002.APF", "ACME");
    EXPECT_EQ(host.rows.size(), 2u);
    const auto &lines = station->log().lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string &l) { return l.rfind("PDF copy failed: ", 0) == 0; }));
}

TEST_F(StationTest, RowThatCannotBeStoredIsReportedAndTheFileKept)
{
    host.storeWorks = false;
    settings.printOnReceipt = true;
    writeApf(dataDir + "receive/FAX0001.APF", 1);
    station->faxStored(dataDir + "receive/FAX0001.APF", "100");
    ASSERT_EQ(msgs.count(ScriptedMessages::Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Unable to Store Received Fax");
    EXPECT_TRUE(exists(dataDir + "receive/FAX0001.APF"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(host.printed.empty());
}

TEST_F(StationTest, FailedCallWithoutCompletePageLeavesNoFileAndNoRow)
{
    const std::string file = dataDir + "receive/FAX0001.APF";
    writeApf(file, 0);
    station->faxFailed(file, "100");
    EXPECT_FALSE(exists(file));
    EXPECT_TRUE(host.rows.empty());
    const auto call = msgs.last();
    EXPECT_EQ(call.kind, ScriptedMessages::Kind::ShowError);
    EXPECT_EQ(call.caption, "Failed To Receive Incoming Fax");
    EXPECT_EQ(call.text, "Quillon failed to receive an incoming fax.\r\n\r\nThe error message was:   Unknown error");
    EXPECT_TRUE(call.autoClose);
}

TEST_F(StationTest, CallCutOffAfterCompletePagesKeepsThemAsAnIncompleteFax)
{
    writeApf(dataDir + "receive/FAX0001.APF", 2);  // an earlier document of the call
    station->faxStored(dataDir + "receive/FAX0001.APF", "100");
    const std::string cut = dataDir + "receive/FAX0002.APF";
    writeApf(cut, 1);
    station->receiver().OnFaxError(station->receiver(), -8069);
    station->faxFailed(cut, "100");
    EXPECT_TRUE(exists(dataDir + "receive/FAX0001.APF"));
    EXPECT_TRUE(exists(cut));
    ASSERT_EQ(host.rows.size(), 2u);
    EXPECT_TRUE(host.rows[0].notes.empty());
    EXPECT_EQ(host.rows[1].faxFile, "FAX0002.APF");
    EXPECT_EQ(host.rows[1].pages, 1);
    EXPECT_EQ(host.rows[1].notes, "Incomplete fax: Fax failed in mid-session");
    EXPECT_NE(msgs.last().text.find("Fax failed in mid-session"), std::string::npos);
    EXPECT_EQ(station->errorCode(), 0);  // cleared for the next call
}

// ---- Switching on and off ------------------------------------------------------------

TEST_F(StationTest, CancelledQuickSetupLeavesReceiveModeOffWithoutAMessage)
{
    settings.noModem = true;
    EXPECT_FALSE(station->switchOn());
    EXPECT_EQ(host.quickSetups, 1);
    EXPECT_FALSE(station->receiveMode());
    EXPECT_TRUE(msgs.calls().empty());
    EXPECT_TRUE(logLines().empty());
    EXPECT_FALSE(exists(station->logPath()));
}

TEST_F(StationTest, PortThatCannotBeOpenedIsReportedLoggedAndRecovered)
{
    settings.portDevices[3] = dataDir + "no-such-device";
    EXPECT_FALSE(station->switchOn());
    EXPECT_FALSE(station->receiveMode());
    ASSERT_EQ(msgs.count(ScriptedMessages::Kind::ShowError), 1u);
    const auto call = msgs.last();
    EXPECT_EQ(call.caption, "Error Opening Communications Port");
    EXPECT_NE(call.text.find("\r\n\r\nIs the serial port COM3 (" + dataDir +
                             "no-such-device) correct? Please\r\nclick on the Find Modem"),
              std::string::npos);
    EXPECT_TRUE(call.autoClose);
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0].rfind("Start:", 0), 0u);
    EXPECT_EQ(lines[1], "Opening com port: COM3");
    EXPECT_EQ(lines[2], "Error opening com port: COM3");
    EXPECT_EQ(lines[3].rfind("Message:", 0), 0u);
    EXPECT_EQ(lines[lines.size() - 2], "Error...");
    EXPECT_EQ(lines.back().rfind("Finish: ", 0), 0u);
    EXPECT_NE(readFile(station->logPath()).find("Error...\r\n"), std::string::npos);
    ASSERT_FALSE(host.modeChanges.empty());
    EXPECT_FALSE(host.modeChanges.back());
}

class StationModemTest : public StationTest {
protected:
    StationModemTest()
    {
        saved = modemHelperTiming();
        modemHelperTiming().replyTicks = 6;
        modemHelperTiming().checkPauseTicks = 1;
        settings.portDevices[3] = modem.devicePath();
    }
    ~StationModemTest() override
    {
        station.reset();
        TApdComPort::SetPortMapper(nullptr);
        modemHelperTiming() = saved;
    }
    ModemHelperTiming saved;
    ScriptedModem modem;
};

TEST_F(StationModemTest, SilentModemStopsUnlessTheUserContinues)
{
    modem.start();  // never answers
    msgs.answer(false);  // OK, not Continue
    EXPECT_FALSE(station->switchOn());
    ASSERT_EQ(msgs.count(ScriptedMessages::Kind::AskError), 1u);
    const auto ask = msgs.calls()[0];
    EXPECT_EQ(ask.caption, "No Response From Modem");
    EXPECT_EQ(ask.text.rfind("We did not receive a modem response from COM3 (" + modem.devicePath() + ").\r\n\r\nTo", 0),
              0u);
    EXPECT_NE(ask.text.find("If you are sure there is a modem on COM3, press CONTINUE\r\nto continue, otherwise"),
              std::string::npos);
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Error checking for modem"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Exit"), lines.end());
    EXPECT_EQ(lines[lines.size() - 2], "Error...");
    EXPECT_FALSE(station->receiveMode());
}

TEST_F(StationModemTest, ModemAnsweringOnlyTheResetStringPassesTheCheckAndGetsItAgain)
{
    settings.resetString = "&F";
    // "AT" unanswered; the reset string as stored answers; then step 10 sends
    // it with "AT" put in front, which the modem leaves unanswered.
    modem.expectLine("AT").expectLine("&F").replyLine("OK").expectLine("AT&F", 8000).start();
    EXPECT_FALSE(station->switchOn());
    EXPECT_TRUE(modem.waitDone(8000));
    EXPECT_TRUE(modem.failures().empty()) << modem.failures().front();
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::AskError), 0u);
    EXPECT_EQ(settings.resetString, "AT&F");  // the setting keeps the added "AT"
    ASSERT_EQ(msgs.count(ScriptedMessages::Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Unable to Continue");
    EXPECT_NE(msgs.last().text.find("The modem did not respond to the reset string:   (AT&F)"), std::string::npos);
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Sending reset string: &F"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Failure sending reset string: AT&F"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Exiting..."), lines.end());
    EXPECT_FALSE(station->receiveMode());
}

TEST_F(StationModemTest, ReceiverThatCannotStartIsReportedAndReceiveModeStaysOff)
{
    settings.maximumBPSReceive = 14400;
    settings.ecmReceive = true;
    settings.toneOrPulse = 1;
    settings.faxClassReceive = 1;
    settings.initStringReceive = "X3";
    // The check passes; the receiver's own initialisation is refused.
    modem.respond("AT", "\r\nOK\r\n").respond("ATX3", "\r\nERROR\r\n");
    modem.start();
    EXPECT_FALSE(station->switchOn());
    ASSERT_EQ(msgs.count(ScriptedMessages::Kind::ShowError), 1u);
    EXPECT_EQ(msgs.last().caption, "Unable to Start Receive Mode");
    const auto lines = logLines();
    const std::vector<std::string> expected = {"Checking for modem", "Desired BPS: 14400", "Desired ECM: ON",
                                               "Using Pulse Dialing ***", "Fax Class: Class 1",
                                               "User INIT String: X3", "StartReceive"};
    auto at = std::find(lines.begin(), lines.end(), expected[0]);
    ASSERT_NE(at, lines.end());
    for (const auto &e : expected)
        EXPECT_EQ(*at++, e);
    EXPECT_EQ(lines[lines.size() - 2], "Error...");
    EXPECT_FALSE(station->receiveMode());
    EXPECT_FALSE(station->port().Open());
}

TEST_F(StationModemTest, StopDuringStartUpEndsReceiveModeAndTheWindowIsToldSo)
{
    settings.afterString = "ATZ";
    modem.respond("AT", "\r\nOK\r\n").respond("ATZ", "\r\nOK\r\n");
    modem.start();
    // STOP is pressed while the modem check lets events run.
    host.onEvents = [this](int run) {
        if (run == 2)
            QTimer::singleShot(0, [this] { station->switchOff(); });
    };
    EXPECT_FALSE(station->switchOn());
    EXPECT_FALSE(station->receiveMode());
    EXPECT_FALSE(station->starting());
    EXPECT_FALSE(station->port().Open());
    EXPECT_FALSE(station->receiver().InProgress());
    ASSERT_FALSE(host.modeChanges.empty());
    EXPECT_FALSE(host.modeChanges.back());
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Opened com port OK"), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "StartReceive"), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "Error..."), lines.end());
    EXPECT_EQ(lines[lines.size() - 2].rfind("Stopped receive mode:", 0), 0u);
    EXPECT_TRUE(msgs.calls().empty());
    // The modem got the after-reset string of a switch-off.
    const auto sent = modem.lines();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "ATZ"), sent.end());
}

// ---- Files left without a row ----------------------------------------------------

namespace {

// Writes a received fax the way a receiving session does and kills the
// writing process with SIGKILL in the middle of page `pages + 1`.
void writeAndKill(const std::string &path, int pages, const std::string &station)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto *file = new fax::FaxReceiveFile;
        if (file->create(path, station) != 0)
            ::_exit(3);
        std::vector<uint8_t> data(5000, 0x55);
        for (int p = 0; p < pages; ++p) {
            file->beginPage(false, false);
            file->write(data.data(), data.size());
            file->keepPage();
        }
        file->beginPage(false, false);
        file->write(data.data(), data.size());  // one buffer reaches the disk
        ::kill(::getpid(), SIGKILL);
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
}

}  // namespace

TEST(ReceivedFileFacts, FileOfAKilledWriterHoldsItsConfirmedPagesAndAPartOfTheNext)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/FAX0003.APF";
    writeAndKill(path, 2, "+1 555 0100");
    ReceivedFileFacts f = inspectReceivedFile(path);
    EXPECT_EQ(f.pages, 2);
    EXPECT_TRUE(f.partialPage);
    EXPECT_EQ(f.stationId.substr(0, 11), "+1 555 0100");
    EXPECT_NE(f.modified, 0);

    writeApf(path, 3);  // a file closed properly
    f = inspectReceivedFile(path);
    EXPECT_EQ(f.pages, 3);
    EXPECT_FALSE(f.partialPage);

    std::ofstream(path, std::ios::binary | std::ios::trunc) << "not a fax file at all, no APF header";
    EXPECT_EQ(inspectReceivedFile(path).pages, -1);
}

TEST_F(StationTest, StartUpListsFilesThatHaveNoRow)
{
    const std::string rx = dataDir + "receive/";
    writeApf(rx + "FAX0001.APF", 1);            // has its row
    host.listed.insert("FAX0001.APF");
    writeAndKill(rx + "fax0002.apf", 2, "REMOTE");  // killed in page 3
    writeApf(rx + "FAX0003.APF", 4);            // killed between calls' end and the row
    writeAndKill(rx + "FAX0004.APF", 0, "X");    // killed in its first page
    std::ofstream(rx + "NOTES.APF") << "something else";
    std::ofstream(rx + "FAX0005.PDF") << "%PDF-1.4";
    settings.portDevices[3] = dataDir + "no-such-device";

    EXPECT_FALSE(station->switchOn());  // the port fails; the files are listed first
    ASSERT_EQ(host.rows.size(), 2u);
    EXPECT_EQ(host.rows[0].faxFile, "FAX0003.APF");
    EXPECT_EQ(host.rows[0].pages, 4);
    EXPECT_EQ(host.rows[0].notes, "");
    EXPECT_EQ(host.rows[1].faxFile, "fax0002.apf");
    EXPECT_EQ(host.rows[1].pages, 2);
    EXPECT_EQ(host.rows[1].notes, "Incomplete fax");
    EXPECT_EQ(host.rows[1].from, "REMOTE");
    EXPECT_EQ(host.rows[1].timeRec.size(), 5u);
    EXPECT_FALSE(exists(rx + "FAX0004.APF"));
    EXPECT_TRUE(exists(rx + "NOTES.APF"));
    EXPECT_TRUE(exists(rx + "FAX0005.PDF"));
    const auto lines = logLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Listed a received file that had no row: fax0002.apf"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Not a fax file, left alone: NOTES.APF"), lines.end());

    // Listed once: the next start finds a row for each.
    host.rows.clear();
    host.listed = {"FAX0001.APF", "FAX0003.APF", "FAX0002.APF"};
    station->switchOn();
    EXPECT_TRUE(host.rows.empty());
}

TEST_F(StationTest, NoFileIsTakenWhenTheTableCannotTellWhichAreListed)
{
    host.tableKnown = false;
    writeApf(dataDir + "receive/FAX0001.APF", 1);
    settings.portDevices[3] = dataDir + "no-such-device";
    station->switchOn();
    EXPECT_TRUE(host.rows.empty());
}

// ---- The received-fax table ----------------------------------------------------------

TEST(ReceivedFaxTable, FaxOfMorePagesThanPagesHoldsGetsItsRowWithTheCountInNotes)
{
    QTemporaryDir dir;
    records::FaxTables tables(dir.path().toStdString() + "/");
    records::ReceivedFax row;
    row.dateRec = "20260305";
    row.timeRec = "09:12";
    row.pages = 120;
    row.faxFile = "FAX0001.APF";
    std::string error;
    ASSERT_TRUE(appendReceivedFax(tables, row, &error)) << error;
    row.pages = 100;
    row.faxFile = "FAX0002.APF";
    row.notes = "Incomplete fax: Fax failed in mid-session";
    ASSERT_TRUE(appendReceivedFax(tables, row, &error)) << error;

    records::TTable &t = tables.RecTable;
    ASSERT_TRUE(t.GoTo(1));
    EXPECT_EQ(records::readReceived(t).pages, 99);
    EXPECT_EQ(records::readReceived(t).notes, "120 pages");
    ASSERT_TRUE(t.GoTo(2));
    EXPECT_EQ(records::readReceived(t).notes, "100 pages. Incomplete fax: Fax failed in mid-session");

    std::set<std::string> names;
    t.GoTo(1);
    ASSERT_TRUE(listedReceivedFiles(tables, names));
    EXPECT_EQ(names, (std::set<std::string>{"FAX0001.APF", "FAX0002.APF"}));
    EXPECT_EQ(t.RecNo(), 1);
}
