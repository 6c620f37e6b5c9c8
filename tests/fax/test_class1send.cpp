// Class 1 sending dialogues against a scripted modem and far end.
#include "fax/faxsend.h"
#include "test_faxsim.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qln::fax;
using namespace qln::fax::sim;
namespace fs = std::filesystem;

namespace {

// Another call against a far end of its own, for tests that compare far
// ends within one test.
struct OtherCall {
    SimLink link;
    Class1Remote remote{link};
    Recorder events;
    FaxSender sender{link, events};
    OtherCall()
    {
        events.session = &sender;
        sender.settings.faxClass = fcClass1;
    }
    // Sends the file to 100 until the session ends; false when it cannot
    // start or does not end.
    bool send(const std::string &file)
    {
        events.faxes.push_back({"100", file, ""});
        if (sender.prepare() != 0)
            return false;
        sender.start();
        return link.run(sender);
    }
    std::vector<uint8_t> frameKinds() const
    {
        std::vector<uint8_t> k;
        for (const auto &f : remote.framesFromDte)
            k.push_back(f.fcf);
        return k;
    }
};

class Class1Send : public ::testing::Test {
protected:
    Class1Send() : remote(link), sender(link, events)
    {
        events.session = &sender;
        char tmpl[] = "/tmp/qln-c1send-XXXXXX";
        dir = ::mkdtemp(tmpl);
        sender.settings.faxClass = fcClass1;
        sender.settings.stationId = "123";
        sender.settings.desiredBps = 14400;
    }
    ~Class1Send() override { fs::remove_all(dir); }

    std::string makeFax(int pages, int lines = 20, bool fine = false, bool wide = false)
    {
        std::string p = dir + "/fax" + std::to_string(++files) + ".apf";
        writeTestApf(p, pages, lines, fine, wide);
        return p;
    }
    void queue(const std::string &file, const std::string &phone = "100")
    {
        events.faxes.push_back({phone, file, ""});
    }
    void runSession()
    {
        ASSERT_EQ(sender.prepare(), 0);
        sender.start();
        ASSERT_TRUE(link.run(sender));
        ASSERT_FALSE(sender.inProgress()) << "session did not finish; last state "
                                          << (link.states.empty() ? "" : link.states.back());
    }
    // Starts a two-page fax, steps until `at` is reached and cancels there.
    void cancelWhenReached(SendState at)
    {
        queue(makeFax(2, 200));
        ASSERT_EQ(sender.prepare(), 0);
        sender.start();
        for (int i = 0; i < 200000 && sender.state() != at; ++i) {
            if (!link.in.empty())
                sender.step(FaxTrigger::Data);
            else if (link.freeArmed) {
                link.freeArmed = false;
                sender.step(FaxTrigger::OutputFree);
            } else if (link.usedArmed) {
                link.usedArmed = false;
                sender.step(FaxTrigger::OutputUsed);
            } else
                break;
        }
        ASSERT_EQ(sender.state(), at);
        link.trace.clear();
        sender.cancel();
        EXPECT_FALSE(sender.inProgress());
        EXPECT_EQ(events.finishCode, -ecCancelRequested);
        EXPECT_EQ(events.statuses.back(), fpCancel);
        EXPECT_EQ(events.logs.back(), lfaxTransmitFail);
    }
    std::vector<uint8_t> frameKinds() const
    {
        std::vector<uint8_t> k;
        for (const auto &f : remote.framesFromDte)
            k.push_back(f.fcf);
        return k;
    }
    // Bit rates of the DCS frames sent.
    std::vector<int> dcsBitRates() const
    {
        std::vector<int> v;
        for (const auto &f : remote.framesFromDte)
            if (f.kind() == t30::fcfDCS)
                v.push_back(t30::rateAt(t30::parseDCS(f.info).rate).bps);
        return v;
    }

    SimLink link;
    Class1Remote remote;
    Recorder events;
    FaxSender sender;
    std::string dir;
    int files = 0;
};

} // namespace

TEST_F(Class1Send, OnePageCallRunsTheWholeProcedure)
{
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_TRUE(events.errors.empty());
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
    // TSI, DCS, EOP, DCN in that order.
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x2F, 0xFB}));
    // Own station identification: "321" then 17 blanks (T.30's order).
    const auto &tsi = remote.framesFromDte[0];
    EXPECT_FALSE(tsi.final());
    EXPECT_EQ(std::string(tsi.info.begin(), tsi.info.end()), "321" + std::string(17, ' '));
    EXPECT_EQ(sender.remoteStation, "REMOTE 100");
    // DIS 9600/7200 with 14400 wanted and an own modem up to 14400: 9600.
    EXPECT_EQ(remote.dcsSpeeds, (std::vector<std::string>{"96"}));
    EXPECT_EQ(remote.tcfLengths, (std::vector<std::size_t>{1728}));
    EXPECT_EQ(sender.lineSpeed, 9600);
    ASSERT_EQ(remote.pages.size(), 1u);
    EXPECT_EQ(remote.commands.front(), "ATE0Q0V1X4S0=0S2=43");
    EXPECT_NE(std::find(remote.commands.begin(), remote.commands.end(), "ATDT100"),
              remote.commands.end());
    EXPECT_EQ(remote.commands.back(), "ATH");
    EXPECT_TRUE(events.sawStatus(fpGotRemoteID));
    EXPECT_TRUE(events.sawStatus(fpPageOK));
    EXPECT_EQ(events.statuses.back(), fpFinished);
}

TEST_F(Class1Send, PageDataArrivesWithPreambleAndUndoubledDle)
{
    std::string file = makeFax(1, 40);
    queue(file);
    runSession();
    ASSERT_EQ(remote.pages.size(), 1u);
    // The page data received equals the preamble of eight white lines, then
    // the zero fill, then the file's coded lines (DLE doubling undone).
    ApfReader r;
    ASSERT_EQ(r.open(file), 0);
    ASSERT_EQ(r.seekPage(1), 0);
    Bytes expected;
    uint8_t buf[4096];
    std::size_t len;
    while (r.readFramedLine(buf, len) == 0)
        expected.insert(expected.end(), buf, buf + len);
    const Bytes &got = remote.pages[0];
    ASSERT_GE(got.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.end() - expected.size()));
    const Bytes white{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
    EXPECT_TRUE(std::equal(white.begin(), white.end(), got.begin()));
}

TEST_F(Class1Send, SpeedModulationsAfterCfrAndAfterMcf)
{
    remote.disSpeedBits = 0x2C; // remote offers 14400
    queue(makeFax(3));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    // Pages use the short-training code, after CFR and after MCF alike; only
    // the training check uses the long-training code.
    EXPECT_EQ(remote.pageModulations, (std::vector<std::string>{"146", "146", "146"}));
    EXPECT_EQ(remote.dcsSpeeds, (std::vector<std::string>{"145"}));
    EXPECT_EQ(remote.tcfLengths, (std::vector<std::size_t>{2592}));
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x4F, 0x4F, 0x2F, 0xFB}));
}

TEST_F(Class1Send, WithoutSameParametersEveryPageIsRenegotiatedAfterEom)
{
    sender.send.sameParameters = false;
    queue(makeFax(3));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    ASSERT_EQ(remote.pages.size(), 3u);
    // After each EOM the receiver's CSI/DIS is collected and a new DCS with
    // its training check precedes the next page.
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x8F, 0x43, 0x83, 0x8F, 0x43, 0x83, 0x2F, 0xFB}));
    EXPECT_EQ(remote.tcfLengths.size(), 3u);
}

// Several documents in one call: EOM between documents (phase B again, a
// new DCS and training), MPS between the pages of a document.
TEST_F(Class1Send, DocumentsAreSeparatedByEomAndTheirPagesByMps)
{
    sender.send.documentStarts = {3};
    queue(makeFax(4));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    ASSERT_EQ(remote.pages.size(), 4u);
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x4F, 0x8F, 0x43, 0x83, 0x4F, 0x2F, 0xFB}));
    EXPECT_EQ(remote.tcfLengths.size(), 2u);
}

// The DCS frames the far end received.
static std::vector<t30::Frame> dcsFrames(const Class1Remote &r)
{
    std::vector<t30::Frame> v;
    for (const auto &f : r.framesFromDte)
        if (f.kind() == t30::fcfDCS)
            v.push_back(f);
    return v;
}

TEST_F(Class1Send, V17DisAndDesired12000TrainAt12000OnV17)
{
    remote.disSpeedBits = 0x2C; // V.27 ter, V.29 and V.17
    sender.settings.desiredBps = 12000;
    queue(makeFax(2));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    auto dcs = dcsFrames(remote);
    ASSERT_EQ(dcs.size(), 1u);
    EXPECT_EQ(dcs[0].info[1] & 0x3C, 0x28); // 0101: 12000 V.17
    EXPECT_EQ(remote.dcsSpeeds, (std::vector<std::string>{"121"}));
    EXPECT_EQ(remote.pageModulations, (std::vector<std::string>{"122", "122"}));
    EXPECT_EQ(sender.lineSpeed, 12000);
}

TEST_F(Class1Send, V17FallBackKeepsV17RatesBeforeV29)
{
    remote.disSpeedBits = 0x2C;
    remote.tcfGood = {false, false, false, true};
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(remote.dcsSpeeds, (std::vector<std::string>{"145", "121", "97", "96"}));
    std::vector<int> fields;
    for (const auto &f : dcsFrames(remote))
        fields.push_back(f.info[1] & 0x3C);
    EXPECT_EQ(fields, (std::vector<int>{0x20, 0x28, 0x24, 0x04}));
    EXPECT_EQ(remote.pageModulations, (std::vector<std::string>{"96"}));
}

TEST_F(Class1Send, DcsHasThreeOctetsAndTheDisLength)
{
    remote.disOctet3 = 0x74; // A4 and B4 length, 1728 only, no extension
    queue(makeFax(1));
    runSession();
    auto dcs = dcsFrames(remote);
    ASSERT_EQ(dcs.size(), 1u);
    ASSERT_EQ(dcs[0].info.size(), 3u);
    EXPECT_EQ(dcs[0].info[2] & 0x0C, 0x04); // B4, never "unlimited"
    EXPECT_EQ(dcs[0].info[2] & 0x80, 0);
}

TEST_F(Class1Send, WidePageGoesToADisOfferingA3Width)
{
    remote.disOctet3 = 0x7A; // 1728, 2048 and 2432 pels
    queue(makeFax(1, 20, false, true));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    auto dcs = dcsFrames(remote);
    ASSERT_EQ(dcs.size(), 1u);
    EXPECT_EQ(dcs[0].info[2] & 0x03, 0x01); // 2048 pels
}

TEST_F(Class1Send, DisWithoutReceiveCapabilityGetsNoDcs)
{
    remote.disOctet2 = 0x40; // bit 10 clear: the far end cannot receive
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, -ecFaxBadMachine);
    EXPECT_TRUE(dcsFrames(remote).empty());
}

TEST_F(Class1Send, TwoFailedTrainingsLowerTheSpeedTwice)
{
    remote.tcfGood = {false, false, true};
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(dcsBitRates(), (std::vector<int>{9600, 7200, 4800}));
    EXPECT_EQ(remote.dcsSpeeds, (std::vector<std::string>{"96", "72", "48"}));
    EXPECT_EQ(remote.tcfLengths, (std::vector<std::size_t>{1728, 1296, 864}));
}

TEST_F(Class1Send, UnansweredTrainingIsSentAgainThenTimesOut)
{
    remote.tcfUnheard = {true};
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(remote.dcsSpeeds, (std::vector<std::string>{"96", "96"})); // same speed again

    OtherCall c;
    c.remote.tcfUnheard = {true, true, true};
    c.send(makeFax(1));
    EXPECT_EQ(c.events.finishCode, -ecTimeout);
    EXPECT_EQ(c.remote.dcsSpeeds.size(), 3u);
    // Three tries in all, then DCN.
    ASSERT_FALSE(c.remote.rawFrames.empty());
    EXPECT_EQ(c.remote.rawFrames.back(), (Bytes{0xFF, 0x13, 0xFB, 0x10, 0x03}));
}

// DCS and training answered with CRP each time: three tries, then DCN.
TEST_F(Class1Send, CrpToEveryDcsEndsWithDcnAfterThreeTries)
{
    remote.crpToDcs = 5;
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, -ecTimeout);
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x83, 0x83, 0xFB}));
    EXPECT_EQ(remote.tcfLengths.size(), 3u);
}

TEST_F(Class1Send, NoSpeedLeftIsATrainingError)
{
    remote.tcfGood = {false, false, false, false};
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, -ecFaxTrainError);
    EXPECT_EQ(remote.dcsSpeeds, (std::vector<std::string>{"96", "72", "48", "24"}));
    EXPECT_EQ(events.logs.back(), lfaxTransmitFail);
}

// A post-page command answered by nothing, or by CRP, goes out three times
// in all; then DCN ends the call.
TEST_F(Class1Send, UnansweredPostPageCommandIsSentThreeTimesThenDcn)
{
    remote.postPageReply = {0, 0, 0, 0, 0, 0};
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, -ecTimeout);
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x2F, 0x2F, 0x2F, 0xFB}));
    EXPECT_EQ(remote.rawFrames[2], (Bytes{0xFF, 0x13, 0x2F, 0x10, 0x03}));
    EXPECT_EQ(remote.rawFrames.back(), (Bytes{0xFF, 0x13, 0xFB, 0x10, 0x03}));

    OtherCall c;
    c.remote.postPageReply = {t30::fcfCRP, t30::fcfCRP, t30::fcfCRP, t30::fcfCRP};
    ASSERT_TRUE(c.send(makeFax(2)));
    EXPECT_EQ(c.events.finishCode, -ecTimeout);
    EXPECT_EQ(c.frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x4F, 0x4F, 0x4F, 0xFB}));
}

// An answer to a post-page command that T.30 does not give is met with DCN,
// not by listening again and repeating the command.
TEST_F(Class1Send, UnknownAnswerToAPostPageCommandGetsDcn)
{
    remote.postPageReply = {0x56};
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, -ecFaxPageError);
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x2F, 0xFB}));
    // AT+FRH=3 for the DIS, the CFR and the answer to EOP: none again.
    EXPECT_EQ(std::count(remote.commands.begin(), remote.commands.end(), "AT+FRH=3"), 3);
}

// Phase B: frames the sender cannot use before the DIS (a carrier without
// a frame, a damaged frame, a final frame of no use), or a DIS that follows
// six seconds of silence, are waited out until T1; only T1 ends the call.
TEST_F(Class1Send, PhaseBWaitsForTheDisUntilT1)
{
    Bytes damaged = t30::buildFrame(t30::fcfDIS, {0x00, 0x4C}, true);
    damaged.insert(damaged.begin(), 0x00);
    remote.beforeDis = {Bytes{}, damaged, t30::buildFrame(0x66, {1, 2}, true)};
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x2F, 0xFB}));

    OtherCall late;
    late.remote.silentAnswerMs = 6500;
    ASSERT_TRUE(late.send(makeFax(1)));
    EXPECT_EQ(late.events.finishCode, 0);
    EXPECT_EQ(late.remote.pages.size(), 1u);

    // Nothing but garbage: T1 (35 s ±5) ends the call with 8068.
    OtherCall garbage;
    garbage.remote.beforeDis = std::vector<Bytes>(100000, Bytes{});
    ASSERT_TRUE(garbage.send(makeFax(1)));
    EXPECT_EQ(garbage.events.finishCode, -ecFaxNoFaxRemote);
    EXPECT_TRUE(garbage.remote.framesFromDte.empty());
    EXPECT_GE(garbage.link.nowMs, 30000);
    EXPECT_LE(garbage.link.nowMs, 45000);
}

TEST_F(Class1Send, OneMissingMcfIsRecovered)
{
    remote.postPageReply = {0};
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(frameKinds(), (std::vector<uint8_t>{0x43, 0x83, 0x2F, 0x2F, 0xFB}));
}

TEST_F(Class1Send, RtnRetrainsLowerAndSendsTheRejectedPageAgain)
{
    remote.postPageReply = {0x4C}; // RTN after page 1 of 2
    queue(makeFax(2));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(remote.dcsSpeeds, (std::vector<std::string>{"96", "72"}));
    ASSERT_EQ(remote.pages.size(), 3u);
    EXPECT_EQ(remote.pages[0], remote.pages[1]); // page 1 again, at 7200
    EXPECT_NE(remote.pages[1], remote.pages[2]);
}

TEST_F(Class1Send, BusyRedialsAfterTheRetryWaitThenGivesUp)
{
    remote.dialResults = {"BUSY", "NO ANSWER", "BUSY"};
    sender.send.dialRetryWait = 5;
    queue(makeFax(1));
    long start = link.nowMs;
    runSession();
    EXPECT_EQ(remote.dials, 3);
    EXPECT_EQ(events.finishCode, -ecFaxBusy);
    EXPECT_TRUE(events.sawStatus(fpBusyWait));
    EXPECT_GE(link.nowMs - start, 2 * 5000);
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitFail}));
}

TEST_F(Class1Send, DialFailuresMapToTheirCodes)
{
    struct Case {
        std::string result;
        int code;
    } cases[] = {{"VOICE", ecFaxVoiceCall}, {"NO DIALTONE", ecFaxNoDialTone},
                 {"NO CARRIER", ecFaxNoFaxRemote}, {"-", ecFaxNoAnswer}};
    for (const auto &c : cases) {
        SimLink l;
        Class1Remote r(l);
        Recorder ev;
        FaxSender s(l, ev);
        ev.session = &s;
        s.settings.faxClass = fcClass1;
        r.dialResults = {c.result};
        ev.faxes.push_back({"100", makeFax(1), ""});
        ASSERT_EQ(s.prepare(), 0);
        s.start();
        l.run(s);
        EXPECT_FALSE(s.inProgress()) << c.result;
        EXPECT_EQ(ev.finishCode, -c.code) << c.result;
    }
}

TEST_F(Class1Send, NextFaxFollowsAFailedOne)
{
    remote.dialResults = {"VOICE", ""};
    queue(makeFax(1), "200");
    queue(makeFax(1), "300");
    runSession();
    EXPECT_EQ(events.finishCode, 0); // the last fax succeeded
    EXPECT_EQ(events.logs, (std::vector<int>{1, 3, 1, 2}));
    EXPECT_EQ(events.errors, (std::vector<int>{-ecFaxVoiceCall}));
}

TEST_F(Class1Send, ExitOnErrorEndsTheSessionAtTheFirstError)
{
    sender.settings.exitOnError = true;
    remote.dialResults = {"VOICE", ""};
    queue(makeFax(1), "200");
    queue(makeFax(1), "300");
    runSession();
    EXPECT_EQ(events.finishCode, -ecFaxVoiceCall);
    EXPECT_EQ(remote.dials, 1);
    EXPECT_EQ(events.statuses.back(), fpCancel);
}

TEST_F(Class1Send, NothingToSendIsError6010)
{
    queue("");
    runSession();
    EXPECT_EQ(events.finishCode, -ecNoFilename);
}

// Cancel while page data flows, and after the page's DLE ETX while the
// modem may still be playing out buffered data (its OK not yet in): the
// modem is in page-data mode, so DTR drops (it would take "ATH0", or the
// DCN's AT+FTH=3, as page data) before the hang-up command.
TEST_F(Class1Send, CancelInMidPageEndsWithUserAbort)
{
    cancelWhenReached(tfSendPage);
    EXPECT_EQ(link.traced({"dtr", "cmd AT"}), (std::vector<std::string>{"dtr off", "dtr on", "cmd ATH0"}));
}

TEST_F(Class1Send, CancelBeforeTheModemEndsThePageDropsDtr)
{
    remote.pageOkDelayMs = 5000;
    cancelWhenReached(tf1PageEnd);
    EXPECT_EQ(link.traced({"dtr", "cmd AT"}), (std::vector<std::string>{"dtr off", "dtr on", "cmd ATH0"}));
}

TEST_F(Class1Send, AFailureBeforePageDataHangsUpWithoutDroppingDtr)
{
    remote.dialResults = {"NO CARRIER"};
    queue(makeFax(1));
    link.trace.clear();
    runSession();
    EXPECT_NE(events.finishCode, 0);
    EXPECT_EQ(link.traced({"dtr off"}).size(), 0u);
    EXPECT_EQ(link.traced({"cmd ATH0"}).size(), 1u);
}

TEST_F(Class1Send, DetectionPicksTheClass1CommandVariant)
{
    sender.settings.faxClass = fcUnknown;
    remote.classList10 = true;
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(sender.classesSupported, kClass1Bit);
    EXPECT_NE(std::find(remote.commands.begin(), remote.commands.end(), "AT+FCLASS=1.0"),
              remote.commands.end());
}

// The output ring refuses a block larger than its free space (-3006): the
// page goes out in pieces as room comes, not a byte of it lost.
TEST_F(Class1Send, RefusedOutputBlocksAreWrittenInPiecesNotDropped)
{
    const std::string path = dir + "/dle.apf";
    ApfWriter w;
    ASSERT_EQ(w.create(path), 0);
    ASSERT_EQ(w.beginPage(0), 0);
    Bytes raw(20000);
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = i % 3 ? t30::DLE : static_cast<uint8_t>(i); // doubled on the line
    ASSERT_EQ(w.writeRaw(raw.data(), raw.size()), 0);
    ASSERT_EQ(w.endPage(), 0);
    ASSERT_EQ(w.finish("T"), 0);
    link.outputRoom = 5000; // less than a staged block of doubled data
    queue(path);
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    ASSERT_EQ(remote.pages.size(), 1u);
    // The preamble: eight white lines and zero fill up to the queue minimum.
    EXPECT_EQ(remote.pages[0].size(), raw.size() + 8 * 6 + std::size_t(sender.send.bufferMinimum));
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), remote.pages[0].end() - std::ptrdiff_t(raw.size())));
}

// Damaged or unclear answers on the V.21 channel: a damaged CFR makes the
// sender repeat DCS and training; a CRP after MPS makes it repeat MPS at
// once; a carrier that drops without a frame makes it repeat the
// post-page command after T4 (about 3 s), not after 10 s.
TEST_F(Class1Send, DamagedAndUnclearAnswersRepeatTheCommand)
{
    remote.damagedCfr = 1;
    remote.postPageReply = {t30::fcfCRP, 0x8C, -1};
    queue(makeFax(3));
    std::vector<long> postPageAt;
    auto prev = link.onWrite;
    t30::FrameCollector watch;
    link.onWrite = [&](uint8_t b) {
        if (watch.feed(b) && (watch.frame().kind() == t30::fcfMPS || watch.frame().kind() == t30::fcfEOP))
            postPageAt.push_back(link.nowMs);
        prev(b);
    };
    runSession();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(remote.tcfLengths.size(), 2u);        // DCS and training twice
    ASSERT_EQ(remote.pages.size(), 3u);
    ASSERT_EQ(postPageAt.size(), 5u);               // MPS twice, MPS twice, EOP
    EXPECT_LT(postPageAt[1] - postPageAt[0], 2000); // CRP: at once
    const long garbled = postPageAt[3] - postPageAt[2];
    EXPECT_GE(garbled, 2500);
    EXPECT_LT(garbled, 5000);
}

// Failures after the far end's DIS end the procedure with DCN before the
// hang-up: training failing at every speed down to 2400, and a DIS that
// declares no receive capability (which gets no DCS at all).
TEST_F(Class1Send, FailuresAfterTheDisSendDcnBeforeHangingUp)
{
    remote.tcfGood = std::deque<bool>(12, false);
    queue(makeFax(1));
    runSession();
    EXPECT_EQ(events.finishCode, -ecFaxTrainError);
    ASSERT_FALSE(remote.framesFromDte.empty());
    EXPECT_EQ(remote.framesFromDte.back().fcf, t30::withX(t30::fcfDCN));
    EXPECT_EQ(remote.commands.back(), "ATH0");

    OtherCall c;
    c.remote.disOctet2 = 0x40; // no receive bit
    ASSERT_TRUE(c.send(makeFax(1)));
    EXPECT_EQ(c.events.finishCode, -ecFaxBadMachine);
    EXPECT_EQ(c.frameKinds(), (std::vector<uint8_t>{t30::withX(t30::fcfDCN)}));
}
