// Class 1 receiving dialogues against a scripted calling terminal.
#include "fax/faxreceive.h"
#include "faximage/apfreader.h"
#include "test_faxsim_caller.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <filesystem>

#include <sys/resource.h>

using namespace qln::fax;
using namespace qln::fax::sim;
namespace fs = std::filesystem;

namespace {

class Class1Receive : public ::testing::Test {
protected:
    Class1Receive() : caller(link), receiver(link, events)
    {
        events.session = &receiver;
        char tmpl[] = "/tmp/qln-c1recv-XXXXXX";
        dir = ::mkdtemp(tmpl);
        receiver.destinationDir = dir;
        receiver.settings.faxClass = fcClass1;
        receiver.settings.stationId = "QLN";
        receiver.receive.oneFax = true;
        Bytes page;
        for (int i = 0; i < 3000; ++i)
            page.push_back(static_cast<uint8_t>(i * 7));
        caller.pages = {page, Bytes(500, 0x10), Bytes(800, 0xA5)};
    }
    ~Class1Receive() override { fs::remove_all(dir); }

    void startAndRing()
    {
        ASSERT_EQ(receiver.prepare(), 0);
        receiver.start();
        ASSERT_TRUE(receiver.inProgress());
        caller.ring();
    }
    std::vector<Bytes> pagesOf(const std::string &path)
    {
        std::vector<Bytes> out;
        ApfReader r;
        if (r.open(path) != 0)
            return out;
        for (int p = 1; p <= r.pageCount(); ++p) {
            r.seekPage(p);
            Bytes b(r.pageHeader().imageLength);
            std::size_t got = 0;
            if (!b.empty())
                r.readData(b.data(), b.size(), got);
            out.push_back(b);
        }
        return out;
    }
    // The frames the receiver wrote, X bit cleared, in order.
    std::vector<uint8_t> frameKinds() const
    {
        std::vector<uint8_t> k;
        for (const auto &f : caller.framesFromDte)
            k.push_back(f.kind());
        return k;
    }
    std::vector<std::string> filesInDir()
    {
        std::vector<std::string> v;
        for (const auto &e : fs::directory_iterator(dir))
            v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }

    SimLink link;
    Class1Caller caller;
    Recorder events;
    FaxReceiver receiver;
    std::string dir;
};

} // namespace

TEST_F(Class1Receive, ThreePagesArriveInOneFile)
{
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_FALSE(receiver.inProgress());
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_TRUE(events.errors.empty());
    ASSERT_EQ(filesInDir(), (std::vector<std::string>{"FAX0001.APF"}));
    auto pages = pagesOf(dir + "/FAX0001.APF");
    EXPECT_EQ(pages, caller.pages); // DLE doubling undone, no bit reversal
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(receiver.remoteStation, "CALLER 7");
    EXPECT_EQ(receiver.lineSpeed, 9600);
    // CSI carries our identification padded and reversed; DIS follows.
    ASSERT_GE(caller.framesFromDte.size(), 2u);
    EXPECT_EQ(caller.framesFromDte[0].fcf, 0x40);
    EXPECT_EQ(std::string(caller.framesFromDte[0].info.begin(), caller.framesFromDte[0].info.end()),
              "NLQ" + std::string(17, ' '));
    EXPECT_EQ(caller.framesFromDte[1].fcf, 0x80);
    EXPECT_EQ(caller.commands.back(), "ATH");
    ApfReader r;
    ASSERT_EQ(r.open(dir + "/FAX0001.APF"), 0);
    EXPECT_EQ(r.fileHeader().stationText(), "CALLER 7");
    // A Class 1 call ends as finished, never with the Class 2 hang-up report.
    EXPECT_EQ(std::count(events.statuses.begin(), events.statuses.end(), fpGotHangup), 0);
    EXPECT_EQ(events.statuses.back(), fpFinished);
}

TEST_F(Class1Receive, BadTrainingIsAnsweredWithFttThenAccepted)
{
    caller.tcfNonZero = {500, 0};
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    std::vector<uint8_t> kinds;
    for (const auto &f : caller.framesFromDte)
        kinds.push_back(f.fcf);
    ASSERT_GE(kinds.size(), 4u);
    EXPECT_EQ(kinds[2], 0x44); // FTT
    EXPECT_EQ(kinds[3], 0x84); // CFR after the second training
    EXPECT_EQ(caller.tcfSent.size(), 2u);
}

// No training check at the DCS's modulation: no carrier within T2, another
// carrier (+FCERROR), NO CARRIER. Each is answered with FTT at once (the
// silent one after T2), and the next DCS and training are taken.
TEST_F(Class1Receive, AMissingTrainingCheckIsAnsweredWithFtt)
{
    caller.tcfFault = {1, 2, 3};
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    const std::vector<uint8_t> kinds = frameKinds();
    ASSERT_GE(kinds.size(), 6u);
    EXPECT_EQ(std::vector<uint8_t>(kinds.begin(), kinds.begin() + 6),
              (std::vector<uint8_t>{t30::fcfCSI, t30::fcfDIS, t30::fcfFTT, t30::fcfFTT, t30::fcfFTT,
                                    t30::fcfCFR}));
    EXPECT_EQ(caller.rawFrames[2], (Bytes{0xFF, 0x13, 0x44, 0x10, 0x03}));
    // The silent training: FTT goes out T2 (6 s ±1) after AT+FRM=.
    long frmAt = -1;
    for (std::size_t i = 0; i < caller.commands.size(); ++i)
        if (caller.commands[i] == "AT+FRM=96") {
            frmAt = caller.commandTimesMs[i];
            break;
        }
    ASSERT_GE(frmAt, 0);
    const long fttAfter = caller.frameTimesMs[2] - frmAt;
    EXPECT_GE(fttAfter, 5000);
    EXPECT_LE(fttAfter, 7500);
    EXPECT_EQ(caller.tcfSent.size(), 1u);
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
}

TEST_F(Class1Receive, EndOfMessageStartsASecondFile)
{
    caller.eomAfterPage = 1;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    ASSERT_EQ(filesInDir(), (std::vector<std::string>{"FAX0001.APF", "FAX0002.APF"}));
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF").size(), 1u);
    EXPECT_EQ(pagesOf(dir + "/FAX0002.APF").size(), 2u);
    EXPECT_EQ(events.logs, (std::vector<int>{4, 5, 4, 5}));
    // Every MCF is a final frame, the one answering EOM too: CSI and DIS
    // for the next document follow in a transmission of their own.
    std::vector<uint8_t> kinds;
    for (const auto &f : caller.framesFromDte) {
        kinds.push_back(f.kind());
        if (f.kind() == 0x8C) {
            EXPECT_TRUE(f.final());
        }
    }
    EXPECT_EQ(kinds, (std::vector<uint8_t>{0x40, 0x80, 0x84, 0x8C, 0x40, 0x80, 0x84, 0x8C, 0x8C}));
    // Phase B begins again only when T2 (6 s ±1) has passed with no
    // repeated EOM.
    EXPECT_GE(caller.frameTimesMs[4] - caller.frameTimesMs[3], 5000);
    EXPECT_LE(caller.frameTimesMs[4] - caller.frameTimesMs[3], 8000);
}

// The caller missed the MCF to its EOM and repeats EOM: it gets MCF again,
// and CSI and DIS follow only after T2.
TEST_F(Class1Receive, ARepeatedEomIsAnsweredWithMcfAgain)
{
    caller.eomAfterPage = 1;
    caller.mcfLost = {1};
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    const std::vector<uint8_t> kinds = frameKinds();
    EXPECT_EQ(kinds, (std::vector<uint8_t>{0x40, 0x80, 0x84, 0x8C, 0x8C, 0x40, 0x80, 0x84, 0x8C, 0x8C}));
    EXPECT_EQ(caller.rawFrames[4], (Bytes{0xFF, 0x13, 0x8C, 0x10, 0x03}));
    EXPECT_GE(caller.frameTimesMs[5] - caller.frameTimesMs[4], 5000);
    ASSERT_EQ(filesInDir(), (std::vector<std::string>{"FAX0001.APF", "FAX0002.APF"}));
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF").size(), 1u);
    EXPECT_EQ(pagesOf(dir + "/FAX0002.APF").size(), 2u);
    EXPECT_EQ(events.logs, (std::vector<int>{4, 5, 4, 5}));
}

// Once the document is confirmed (MCF to EOP sent, the file kept), a line
// that drops without DCN ends a received fax; so does a drop after the
// caller repeated EOP (our MCF lost), whatever the modem answers.
TEST_F(Class1Receive, AConfirmedDocumentIsReceivedWhenTheLineDropsWithoutDcn)
{
    caller.dropAfterMcfs = 3;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_TRUE(events.errors.empty());
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
    EXPECT_NE(std::find(link.states.begin(), link.states.end(), "No DCN after the confirmed document"),
              link.states.end());
}

TEST_F(Class1Receive, AConfirmedDocumentIsReceivedWhenTheLineDropsBeforeTheMcfsOk)
{
    caller.dropAfterMcfs = 3;
    caller.dropBeforeOk = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
}

TEST_F(Class1Receive, AConfirmedDocumentIsReceivedWhenARepeatedEopIsFollowedByADrop)
{
    caller.dropAfterMcfs = 3;
    caller.mcfLost = {3};
    caller.dropReply = "ERROR";
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_TRUE(events.errors.empty());
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
}

// A DIS that gets no answer goes out three times in all (with its CSI),
// then DCN ends the call.
TEST_F(Class1Receive, AnUnansweredDisIsSentThreeTimesThenDcn)
{
    caller.silentToDis = 100;
    receiver.settings.exitOnError = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, -ecFaxNoFaxRemote);
    const std::vector<uint8_t> kinds = frameKinds();
    EXPECT_EQ(kinds, (std::vector<uint8_t>{t30::fcfCSI, t30::fcfDIS, t30::fcfCSI, t30::fcfDIS, t30::fcfCSI,
                                           t30::fcfDIS, t30::fcfDCN}));
    EXPECT_EQ(caller.rawFrames.back(), (Bytes{0xFF, 0x13, 0xFA, 0x10, 0x03}));
    EXPECT_TRUE(filesInDir().empty());
}

TEST_F(Class1Receive, RefusedCallLeavesNoFile)
{
    events.accept = false;
    receiver.settings.exitOnError = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, -ecFileRejected);
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveSkip}));
    EXPECT_TRUE(filesInDir().empty());
}

TEST_F(Class1Receive, CancelInMidPageLeavesNoPartialFile)
{
    caller.stopAfterFirstPageData = true;
    startAndRing();
    link.run(receiver, 2000, false); // until the page data stops coming
    ASSERT_EQ(receiver.state(), rfGtPgDta);
    ASSERT_EQ(filesInDir().size(), 1u);
    receiver.cancel();
    EXPECT_FALSE(receiver.inProgress());
    EXPECT_EQ(events.finishCode, -ecCancelRequested);
    EXPECT_EQ(events.statuses.back(), fpCancel);
    EXPECT_EQ(receiver.statusCode, fpCancel);
    EXPECT_EQ(events.logs.back(), lfaxReceiveFail);
    EXPECT_TRUE(filesInDir().empty());
}

TEST_F(Class1Receive, WaitsForTheConfiguredRings)
{
    receiver.receive.answerOnRing = 3;
    ASSERT_EQ(receiver.prepare(), 0);
    receiver.start();
    caller.ring(2);
    link.run(receiver, 50);
    EXPECT_EQ(receiver.state(), rfWaiting);
    caller.ring(1);
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(filesInDir().size(), 1u);
}

TEST_F(Class1Receive, AFullDiskEndsTheCallWithAWriteErrorAndNoFile)
{
    // Files may grow to the header, the page header and 100 bytes: the
    // first page's data is written short.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64 + 16 + 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    receiver.settings.exitOnError = true;
    startAndRing();
    bool ran = link.run(receiver);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    ASSERT_TRUE(ran);
    EXPECT_FALSE(receiver.inProgress());
    EXPECT_EQ(events.errors, (std::vector<int>{-ecDeviceWrite}));
    EXPECT_EQ(events.finishCode, -ecDeviceWrite);
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
    EXPECT_TRUE(filesInDir().empty());
}

TEST_F(Class1Receive, V17DcsSetsTheV17ReceiveModulations)
{
    receiver.settings.desiredBps = 14400;
    caller.dcsRate = 2;                           // t30::rateAt(2): V.17 9600
    caller.dcsInfoOverride = {0x00, 0x26, 0x78};  // 0x24: 1001, 9600 V.17
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    // The DIS offered V.17 (1101).
    ASSERT_GE(caller.framesFromDte.size(), 2u);
    ASSERT_EQ(caller.framesFromDte[1].kind(), t30::fcfDIS);
    EXPECT_EQ(caller.framesFromDte[1].info[1] & 0x3C, 0x2C);
    auto has = [&](const std::string &c) {
        return std::find(caller.commands.begin(), caller.commands.end(), c) != caller.commands.end();
    };
    EXPECT_TRUE(has("AT+FRM=97"));
    EXPECT_TRUE(has("AT+FRM=98"));
    EXPECT_FALSE(has("AT+FRM=145"));
    EXPECT_EQ(receiver.lineSpeed, 9600);
}

TEST_F(Class1Receive, DisAt12000OffersV17NotV33)
{
    receiver.settings.desiredBps = 12000;
    caller.dcsRate = 1;                           // V.17 12000
    caller.dcsInfoOverride = {0x00, 0x2A, 0x78};  // 0x28: 0101
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(caller.framesFromDte[1].info[1] & 0x3C, 0x2C);
    EXPECT_NE(std::find(caller.commands.begin(), caller.commands.end(), "AT+FRM=121"), caller.commands.end());
    EXPECT_EQ(receiver.lineSpeed, 12000);
}

TEST_F(Class1Receive, DcsForARateNotOfferedFailsTheCall)
{
    receiver.settings.desiredBps = 9600;          // V.29 offered, no V.17
    receiver.settings.exitOnError = true;
    caller.dcsInfoOverride = {0x00, 0x22, 0x78};  // 14400 V.17
    startAndRing();
    link.run(receiver);
    EXPECT_EQ(events.finishCode, -ecFaxBadMachine);
    SimLink l2;
    Class1Caller c2(l2);
    Recorder ev2;
    FaxReceiver r2(l2, ev2);
    ev2.session = &r2;
    r2.destinationDir = dir;
    r2.settings.faxClass = fcClass1;
    r2.settings.exitOnError = true;
    r2.settings.desiredBps = 14400;
    c2.pages = caller.pages;
    c2.dcsInfoOverride = {0x00, 0x12, 0x78};      // 0010: V.33 14400
    ASSERT_EQ(r2.prepare(), 0);
    r2.start();
    c2.ring();
    l2.run(r2);
    EXPECT_EQ(ev2.finishCode, -ecFaxBadMachine);
}

// Received files are created new: an existing fax is never truncated and a
// link placed in the receive directory is not followed out of it.
TEST_F(Class1Receive, TakenNamesAndLinksAreNeverWrittenThrough)
{
    TempDir outside;
    const std::string target = outside.path + "/planted";
    fs::create_symlink(target, dir + "/FAX0001.APF"); // dangling
    {
        std::ofstream keep(dir + "/MINE.APF");
        keep << "an earlier fax";
    }
    events.nameToGive = dir + "/MINE.APF"; // the application names a taken file
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::is_symlink(dir + "/FAX0001.APF"));
    std::ifstream mine(dir + "/MINE.APF");
    std::string text((std::istreambuf_iterator<char>(mine)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "an earlier fax");
    EXPECT_EQ(receiver.faxFile, dir + "/FAX0002.APF");
    EXPECT_EQ(pagesOf(dir + "/FAX0002.APF"), caller.pages);
}


// Copy quality: a page with a run of more than ten bad lines, or more than
// 5 % of its lines bad, is answered with RTN and cut; the caller trains
// again and the page sent once more is the one kept. A few bad lines apart
// are answered with MCF.
TEST_F(Class1Receive, UnusablePagesAreAnsweredWithRtnAndReceivedAgain)
{
    caller.pages = {codedTestPage(200), codedTestPage(200), codedTestPage(200)};
    caller.firstTry[0] = codedTestPage(200, 50, 11);  // a run of 11
    caller.firstTry[1] = codedTestPage(200, 0, 0);    // good the first time
    {
        // 11 bad lines of 200 (5.5 %), none next to another
        Bytes page;
        for (int part = 0; part < 11; ++part) {
            Bytes p = codedTestPage(17, 5, 1, false);
            page.insert(page.end(), p.begin(), p.end());
        }
        Bytes tail = codedTestPage(13);
        page.insert(page.end(), tail.begin(), tail.end());
        caller.firstTry[2] = page;
    }
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(caller.rtns, 2);
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
    std::vector<uint8_t> answers;
    for (const auto &f : caller.framesFromDte)
        if (f.kind() == t30::fcfMCF || f.kind() == t30::fcfRTN)
            answers.push_back(f.kind());
    EXPECT_EQ(answers, (std::vector<uint8_t>{t30::fcfRTN, t30::fcfMCF, t30::fcfMCF, t30::fcfRTN, t30::fcfMCF}));
}

TEST_F(Class1Receive, AFewScatteredBadLinesStillGetMcf)
{
    caller.pages = {codedTestPage(200)};
    caller.firstTry[0] = codedTestPage(200, 100, 10); // 10 in a row, 5 %
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(caller.rtns, 0);
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), (std::vector<Bytes>{caller.firstTry[0]}));
}

// 19 of 400 lines damaged (the first bit after the EOL of every 21st line
// flipped, 4.75 %): only those lines count, and the page gets MCF.
TEST_F(Class1Receive, APageWithEveryTwentyFirstLineDamagedGetsMcf)
{
    caller.pages = {codedPageWithFlippedLines(400, 21)};
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(caller.rtns, 0);
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
}

// The call fails after a page's data but before its post-page frame: a
// page that arrived whole is kept (the call still failed); a cut one is not.
TEST_F(Class1Receive, AWholePageIsKeptWhenThePostPageFrameNeverComes)
{
    caller.pages = {codedTestPage(100), codedTestPage(100)};
    caller.silentAfterPage = 2;
    receiver.settings.exitOnError = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, -ecTimeout);
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
}

TEST_F(Class1Receive, APageWithoutItsEndIsCutWhenThePostPageFrameNeverComes)
{
    caller.pages = {codedTestPage(100), codedTestPage(100, 0, 0, false)};
    caller.silentAfterPage = 2;
    receiver.settings.exitOnError = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, -ecTimeout);
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), (std::vector<Bytes>{caller.pages[0]}));
}

// A page longer than a fax page can be (65,536 lines) ends the call.
TEST_F(Class1Receive, AnEndlessPageFailsTheCall)
{
    Bytes white;
    const uint8_t line[6] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
    for (int i = 0; i < 66000; ++i)
        white.insert(white.end(), line, line + sizeof line);
    caller.pages = {white};
    receiver.settings.exitOnError = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, -ecFaxPageError);
    EXPECT_TRUE(filesInDir().empty());
}

// Damaged and repeated commands of the caller: a damaged DCS is answered
// with CRP and the repeat taken; a DCS repeated because our CFR was lost,
// and MPS and EOP repeated because our MCF was lost, are answered again
// instead of failing the call; a DCS arriving more than 3 s after its
// carrier was announced is still taken.
TEST_F(Class1Receive, DamagedAndRepeatedCommandsAreAnsweredAgain)
{
    caller.damagedDcs = 1;
    caller.cfrLost = true;
    caller.mcfLost = {1, 3};
    caller.lateDcsMs = 4000;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(caller.crps, 1);
    int cfrSent = 0;
    for (const auto &f : caller.framesFromDte)
        cfrSent += f.kind() == t30::fcfCFR;
    EXPECT_EQ(cfrSent, 2);
    EXPECT_EQ(caller.mcfs, 5); // three pages, two answered twice
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
}

// A call that fails after CSI and DIS went out ends with DCN before the
// hang-up (here: the call is refused after the training).
TEST_F(Class1Receive, AFailureAfterTheDisSendsDcn)
{
    events.accept = false;
    receiver.settings.exitOnError = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, -ecFileRejected);
    ASSERT_FALSE(caller.framesFromDte.empty());
    EXPECT_EQ(caller.framesFromDte.back().fcf, t30::fcfDCN);
}

// A CRP answering our DIS brings CSI and DIS again (never a training
// reception without a DCS to set its modulation).
TEST_F(Class1Receive, CrpToTheDisRepeatsCsiAndDis)
{
    caller.crpToDis = 1;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(events.finishCode, 0);
    const std::vector<uint8_t> kinds = frameKinds();
    ASSERT_GE(kinds.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(kinds.begin(), kinds.begin() + 4),
              (std::vector<uint8_t>{t30::fcfCSI, t30::fcfDIS, t30::fcfCSI, t30::fcfDIS}));
    for (const auto &c : caller.commands)
        EXPECT_NE(c, "AT+FRM=");
    EXPECT_EQ(pagesOf(dir + "/FAX0001.APF"), caller.pages);
}

// The class command's answer must be the result code itself: a line that
// only holds "OK" ("BOOK") is no answer, and the station never waits for
// calls on a modem that did not take the command.
TEST_F(Class1Receive, ALineHoldingOkIsNoOkToTheClassCommand)
{
    caller.commandReply["AT+FCLASS=1"] = "BOOK";
    receiver.settings.exitOnError = true;
    ASSERT_EQ(receiver.prepare(), 0);
    receiver.start();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_FALSE(events.sawStatus(fpWaiting));
    EXPECT_EQ(events.finishCode, -ecTimeout);
}

// A missing receive directory is found before the call is answered: the
// caller's fax is not taken into nowhere, and the failure is reported as
// a failed reception.
TEST_F(Class1Receive, AMissingReceiveDirectoryIsFoundBeforeAnswering)
{
    receiver.destinationDir = dir + "/gone";
    receiver.settings.exitOnError = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(std::count(caller.commands.begin(), caller.commands.end(), "ATA"), 0);
    EXPECT_EQ(events.errors, (std::vector<int>{-ENOENT}));
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveFail}));
}

// A caller whose answer brings no fax carrier (silent, voice): the call
// ends with 8068 and the station waits for the next call, instead of
// asking the modem for frames for ever.
TEST_F(Class1Receive, ASilentCallerEndsTheCallAndTheStationWaitsAgain)
{
    caller.commandReply["ATA"] = "NO CARRIER";
    receiver.receive.oneFax = false;
    startAndRing();
    int waits = 0;
    ASSERT_TRUE(link.runUntil(receiver, [&] {
        waits = static_cast<int>(std::count(events.statuses.begin(), events.statuses.end(), fpWaiting));
        return waits >= 2 && receiver.state() == rfWaiting;
    }));
    EXPECT_EQ(events.errors, (std::vector<int>{-ecFaxNoFaxRemote}));
    EXPECT_LT(link.nowMs, 40000);
}

// A caller whose modem ends every reception at once (NO CARRIER to each
// AT+FRH=3 after the DIS): the receptions are repeated within T4 only, CSI
// and DIS three times in all, then the call ends with 8068 instead of
// asking the modem for ever.
TEST_F(Class1Receive, ReceptionsEndingAtOnceAreRepeatedOnlyWithinTheirTime)
{
    caller.commandReply["AT+FRH=3"] = "NO CARRIER";
    receiver.settings.exitOnError = true;
    startAndRing();
    ASSERT_TRUE(link.run(receiver, 20000));
    EXPECT_EQ(events.finishCode, -ecFaxNoFaxRemote);
    int dis = 0;
    for (const auto &f : caller.framesFromDte)
        dis += f.kind() == t30::fcfDIS;
    EXPECT_EQ(dis, 3);
    EXPECT_LT(link.nowMs, 30000);
}
