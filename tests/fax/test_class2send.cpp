// Class 2 and Class 2.0 sending dialogues against a scripted modem.
#include "fax/faxsend.h"
#include "test_faxsim_class2.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qln::fax;
using namespace qln::fax::sim;
namespace fs = std::filesystem;

namespace {

class Class2Send : public ::testing::TestWithParam<bool> {
protected:
    Class2Send() : modem(link, GetParam()), sender(link, events)
    {
        events.session = &sender;
        char tmpl[] = "/tmp/qln-c2send-XXXXXX";
        dir = ::mkdtemp(tmpl);
        sender.settings.faxClass = GetParam() ? fcClass2_0 : fcClass2;
        sender.settings.stationId = "QLN 1";
    }
    ~Class2Send() override { fs::remove_all(dir); }

    // Pages with the given resolutions (true = fine).
    std::string makeFax(std::vector<bool> fine)
    {
        std::string p = dir + "/f" + std::to_string(++n) + ".apf";
        ApfWriter w;
        w.create(p);
        G3LineEncoder enc;
        std::vector<uint8_t> raster(216, 0);
        for (size_t i = 0; i < fine.size(); ++i) {
            w.beginPage(static_cast<uint16_t>(pfLineLengths | (fine[i] ? pfFine : 0)));
            for (int l = 0; l < 10; ++l) {
                raster[static_cast<size_t>(l)] = 0xFF;
                std::size_t len = enc.encodeRaster(raster.data(), 1728);
                w.writeFramedLine(enc.data(), len);
            }
            w.endPage();
        }
        w.finish("X");
        return p;
    }
    void runWith(const std::string &file)
    {
        events.faxes.push_back({"100", file, ""});
        ASSERT_EQ(sender.prepare(), 0);
        sender.start();
        ASSERT_TRUE(link.run(sender));
        ASSERT_FALSE(sender.inProgress());
    }
    bool sent(const std::string &cmd) const
    {
        return std::find(modem.commands.begin(), modem.commands.end(), cmd) != modem.commands.end();
    }
    int count(const std::string &cmd) const
    {
        return static_cast<int>(std::count(modem.commands.begin(), modem.commands.end(), cmd));
    }

    SimLink link;
    Class2Modem modem;
    Recorder events;
    FaxSender sender;
    std::string dir;
    int n = 0;
};

} // namespace

TEST_P(Class2Send, TwoPagesWithTheSetUpCommands)
{
    const bool v20 = GetParam();
    runWith(makeFax({false, false}));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_TRUE(sent(v20 ? "AT+FCLASS=2.0" : "AT+FCLASS=2"));
    EXPECT_TRUE(sent(v20 ? "AT+FLI=\"QLN 1\"" : "AT+FLID=\"QLN 1\""));
    EXPECT_TRUE(sent(v20 ? "AT+FIS=0,3,0,2,0,0,0,0" : "AT+FDIS=0,3,0,2,0,0,0,0"));
    EXPECT_EQ(sent("AT+FLO=2"), v20);
    EXPECT_EQ(sent("AT+FBOR=0"), !v20); // Class 2 sets its bit order
    EXPECT_EQ(sent("AT+FNR=1,1,1,0"), v20);
    EXPECT_EQ(count("AT+FDT"), 2);
    ASSERT_EQ(modem.pages.size(), 2u);
    if (v20) {
        EXPECT_EQ(modem.pageEnds, (std::vector<char>{',', '.'}));
    } else {
        EXPECT_EQ(modem.pageEnds, (std::vector<char>{0x03, 0x03}));
        EXPECT_TRUE(sent("AT+FET=0"));
        EXPECT_TRUE(sent("AT+FET=2"));
    }
    EXPECT_EQ(sender.remoteStation, "REMOTE 100");
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxTransmitStart, lfaxTransmitOk}));
}

TEST_P(Class2Send, ResolutionChangeAnnouncesNewParameters)
{
    const bool v20 = GetParam();
    runWith(makeFax({false, true}));
    EXPECT_EQ(events.finishCode, 0);
    if (v20) {
        EXPECT_EQ(modem.pageEnds, (std::vector<char>{';', '.'}));
        EXPECT_TRUE(sent("AT+FIS=1"));
    } else {
        EXPECT_TRUE(sent("AT+FET=1"));
        EXPECT_TRUE(sent("AT+FDIS=1"));
    }
    // The new parameters precede the second AT+FDT.
    auto it = std::find(modem.commands.begin(), modem.commands.end(), v20 ? "AT+FIS=1" : "AT+FDIS=1");
    EXPECT_NE(std::find(it, modem.commands.end(), "AT+FDT"), modem.commands.end());
}

TEST_P(Class2Send, BusyAndVoiceDialResults)
{
    modem.dialResult = "VOICE";
    runWith(makeFax({false}));
    EXPECT_EQ(events.finishCode, -ecFaxVoiceCall);
}

TEST_P(Class2Send, ForgedReportInTheCalledIdentificationDoesNotEndTheFax)
{
    modem.calledIdReport = "\"1\r\n+FHNG:2\r\nX\"";
    runWith(makeFax({false}));
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(sender.remoteStation, "1  +FHNG:2  X");
    EXPECT_EQ(sender.hangupResult, 0);
}

INSTANTIATE_TEST_SUITE_P(Classes, Class2Send, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Class20" : "Class2"; });

TEST(Class2PageStatus, BadPageThreeTimesEndsWithFksAnd8069)
{
    SimLink link;
    Class2Modem modem(link, false);
    Recorder events;
    FaxSender sender(link, events);
    events.session = &sender;
    sender.settings.faxClass = fcClass2;
    char tmpl[] = "/tmp/qln-c2pts-XXXXXX";
    std::string dir = ::mkdtemp(tmpl);
    writeTestApf(dir + "/a.apf", 1, 10);
    modem.pageStatus = {2, 2, 2};
    events.faxes.push_back({"100", dir + "/a.apf", ""});
    ASSERT_EQ(sender.prepare(), 0);
    sender.start();
    link.run(sender);
    EXPECT_FALSE(sender.inProgress());
    EXPECT_EQ(events.finishCode, -ecFaxSessionError);
    ASSERT_EQ(modem.pages.size(), 3u) << ::testing::PrintToString(link.states) << ::testing::PrintToString(modem.commands);
    EXPECT_EQ(modem.pages[0], modem.pages[2]); // the same page each time
    EXPECT_EQ(std::count(modem.commands.begin(), modem.commands.end(), "AT+FKS"), 1);
    EXPECT_TRUE(events.sawStatus(fpPageError));
    fs::remove_all(dir);
}

TEST(Class2PageStatus, BadPageOnceIsSentAgainAndSucceeds)
{
    SimLink link;
    Class2Modem modem(link, false);
    Recorder events;
    FaxSender sender(link, events);
    events.session = &sender;
    sender.settings.faxClass = fcClass2;
    char tmpl[] = "/tmp/qln-c2pts-XXXXXX";
    std::string dir = ::mkdtemp(tmpl);
    writeTestApf(dir + "/a.apf", 2, 10);
    modem.pageStatus = {2, 1, 1};
    events.faxes.push_back({"100", dir + "/a.apf", ""});
    ASSERT_EQ(sender.prepare(), 0);
    sender.start();
    link.run(sender);
    EXPECT_EQ(events.finishCode, 0);
    ASSERT_EQ(modem.pages.size(), 3u);
    EXPECT_EQ(modem.pages[0], modem.pages[1]);
    EXPECT_NE(modem.pages[1], modem.pages[2]);
    fs::remove_all(dir);
}

TEST(Class20Errors, ErrorAfterPageDataIs8061)
{
    SimLink link;
    Class2Modem modem(link, true);
    Recorder events;
    FaxSender sender(link, events);
    events.session = &sender;
    sender.settings.faxClass = fcClass2_0;
    char tmpl[] = "/tmp/qln-c20err-XXXXXX";
    std::string dir = ::mkdtemp(tmpl);
    writeTestApf(dir + "/a.apf", 1, 10);
    modem.errorAfterData = true;
    events.faxes.push_back({"100", dir + "/a.apf", ""});
    ASSERT_EQ(sender.prepare(), 0);
    sender.start();
    link.run(sender);
    EXPECT_EQ(events.finishCode, -ecFaxBadModemResult);
    EXPECT_EQ(events.logs.back(), lfaxTransmitFail);
    fs::remove_all(dir);
}

TEST(Class2Detection, ClassListChoosesTheBestClass)
{
    for (bool v20 : {false, true}) {
        SimLink link;
        Class2Modem modem(link, v20);
        Recorder events;
        FaxSender sender(link, events);
        events.session = &sender;
        sender.settings.faxClass = fcDetect;
        ASSERT_EQ(sender.prepare(), 0);
        EXPECT_EQ(sender.classesSupported, v20 ? (kClass1Bit | kClass2Bit | kClass20Bit)
                                               : (kClass1Bit | kClass2Bit));
        sender.start(); // no fax queued: finishes at once
        EXPECT_FALSE(sender.inProgress());
        EXPECT_EQ(events.finishCode, 0);
    }
}

// A Class 2 send against its modem, one page unless said otherwise.
class Class2Only : public ::testing::Test {
protected:
    Class2Only() : modem(link, false), sender(link, events)
    {
        events.session = &sender;
        char tmpl[] = "/tmp/qln-c2only-XXXXXX";
        dir = ::mkdtemp(tmpl);
        sender.settings.faxClass = fcClass2;
    }
    ~Class2Only() override { fs::remove_all(dir); }
    void run(int pages = 1)
    {
        writeTestApf(dir + "/a.apf", pages, 10);
        events.faxes.push_back({"100", dir + "/a.apf", ""});
        ASSERT_EQ(sender.prepare(), 0);
        sender.start();
        link.run(sender);
    }
    SimLink link;
    Class2Modem modem;
    Recorder events;
    FaxSender sender;
    std::string dir;
};

TEST_F(Class2Only, NoXonAfterConnectSendsThePageWhenTheTimerRunsOut)
{
    modem.sendXon = false;
    run();
    EXPECT_FALSE(sender.inProgress());
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(modem.pages.size(), 1u);
}

TEST_F(Class2Only, HangupReportInsteadOfXonEndsTheFaxAtOnce)
{
    modem.insteadOfXon = "+FHNG:50";
    run();
    EXPECT_FALSE(sender.inProgress());
    EXPECT_EQ(events.finishCode, -ecFaxBadModemResult);
    EXPECT_EQ(sender.hangupResult, 50);
    EXPECT_TRUE(modem.pages.empty());
    EXPECT_LT(link.nowMs, 30000); // not after the 60 s page timer
}

TEST_F(Class2Only, ModemWithoutTheBitOrderCommandStillSends)
{
    modem.bitOrderError = true;
    run(2);
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(modem.pages.size(), 2u);
}

TEST(Class20PageStatus, PageReportedBadIsSentAgain)
{
    SimLink link;
    Class2Modem modem(link, true);
    Recorder events;
    FaxSender sender(link, events);
    events.session = &sender;
    sender.settings.faxClass = fcClass2_0;
    char tmpl[] = "/tmp/qln-c20pts-XXXXXX";
    std::string dir = ::mkdtemp(tmpl);
    writeTestApf(dir + "/a.apf", 2, 10);
    modem.pageStatus = {2, 1, 1};
    events.faxes.push_back({"100", dir + "/a.apf", ""});
    ASSERT_EQ(sender.prepare(), 0);
    sender.start();
    link.run(sender);
    EXPECT_EQ(events.finishCode, 0);
    ASSERT_EQ(modem.pages.size(), 3u);
    EXPECT_EQ(modem.pages[0], modem.pages[1]); // page 1 again
    EXPECT_NE(modem.pages[1], modem.pages[2]);
    EXPECT_TRUE(events.sawStatus(fpPageError));

    // Bad three times: the modem's session is ended and the fax fails.
    SimLink l2;
    Class2Modem m2(l2, true);
    Recorder e2;
    FaxSender s2(l2, e2);
    e2.session = &s2;
    s2.settings.faxClass = fcClass2_0;
    m2.pageStatus = {2, 2, 2};
    e2.faxes.push_back({"100", dir + "/a.apf", ""});
    ASSERT_EQ(s2.prepare(), 0);
    s2.start();
    l2.run(s2);
    EXPECT_EQ(e2.finishCode, -ecFaxSessionError);
    EXPECT_EQ(std::count(m2.commands.begin(), m2.commands.end(), "AT+FKS"), 1);
    EXPECT_EQ(m2.pages.size(), 3u);
    fs::remove_all(dir);
}
