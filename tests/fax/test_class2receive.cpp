// Class 2 and Class 2.0 receiving dialogues against a scripted modem.
#include "fax/faxreceive.h"
#include "faximage/apfreader.h"
#include "test_faxsim_class2.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qln::fax;
using namespace qln::fax::sim;
namespace fs = std::filesystem;

namespace {

class Class2Receive : public ::testing::TestWithParam<bool> {
protected:
    Class2Receive() : modem(link, GetParam()), receiver(link, events)
    {
        events.session = &receiver;
        char tmpl[] = "/tmp/qln-c2recv-XXXXXX";
        dir = ::mkdtemp(tmpl);
        receiver.destinationDir = dir;
        receiver.settings.faxClass = GetParam() ? fcClass2_0 : fcClass2;
        receiver.settings.stationId = "QLN";
        receiver.receive.oneFax = true;
        modem.incoming = {Bytes{0x01, 0x10, 0x02, 0x80}, Bytes(300, 0x33), Bytes{0x10, 0x10}};
    }
    ~Class2Receive() override { fs::remove_all(dir); }

    void runCall()
    {
        ASSERT_EQ(receiver.prepare(), 0);
        receiver.start();
        modem.ring();
        ASSERT_TRUE(link.run(receiver));
        ASSERT_FALSE(receiver.inProgress());
    }
    std::vector<Bytes> pagesOf(const std::string &name)
    {
        std::vector<Bytes> out;
        ApfReader r;
        if (r.open(dir + "/" + name) != 0)
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
    bool sent(const std::string &cmd) const
    {
        return std::find(modem.commands.begin(), modem.commands.end(), cmd) != modem.commands.end();
    }

    SimLink link;
    Class2Modem modem;
    Recorder events;
    FaxReceiver receiver;
    std::string dir;
};

uint8_t rev(uint8_t b)
{
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1 << i))
            r |= static_cast<uint8_t>(0x80 >> i);
    return r;
}

} // namespace

TEST_P(Class2Receive, PagesAreStoredWithClass2BitReversal)
{
    const bool v20 = GetParam();
    runCall();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_TRUE(modem.dc2Seen);
    EXPECT_TRUE(sent("AT+FCR=1"));
    EXPECT_TRUE(sent(v20 ? "AT+FLI=\"QLN\"" : "AT+FLID=\"QLN\""));
    EXPECT_TRUE(sent("AT+FAA=0"));
    EXPECT_EQ(sent("AT+FBOR=0"), !v20);
    EXPECT_TRUE(sent(v20 ? "AT+FCC=1,3,0,2,0,0,0,0" : "AT+FDCC=1,3,0,2,0,0,0,0"));
    auto pages = pagesOf("FAX0001.APF");
    ASSERT_EQ(pages.size(), 3u);
    if (v20) {
        EXPECT_EQ(pages[0], modem.incoming[0]);
        EXPECT_EQ(pages[2], (Bytes{0x10, 0x10}));
    } else {
        // DLE DLE is one 0x10, stored bit-reversed as 0x08.
        EXPECT_EQ(pages[0], (Bytes{rev(0x01), 0x08, rev(0x02), 0x01}));
        EXPECT_EQ(pages[2], (Bytes{0x08, 0x08}));
    }
    EXPECT_EQ(receiver.remoteStation, "CALLER 7");
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveOk}));
}

TEST_P(Class2Receive, BadPageIsCutAndTheNextStartsInItsPlace)
{
    modem.incomingStatus = {1, 2, 1};
    runCall();
    EXPECT_EQ(events.finishCode, 0);
    auto pages = pagesOf("FAX0001.APF");
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].size(), 2u); // page 3 took page 2's place
    EXPECT_EQ(fs::file_size(dir + "/FAX0001.APF"), 64u + 3 * 16 + 4 + 2 - 16);
}

TEST_P(Class2Receive, EndOfDocumentCodeOneStartsASecondFile)
{
    modem.endOfDocumentAfter = 1;
    runCall();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(pagesOf("FAX0001.APF").size(), 1u);
    EXPECT_EQ(pagesOf("FAX0002.APF").size(), 2u);
    EXPECT_EQ(events.logs, (std::vector<int>{4, 5, 4, 5}));
}

TEST_P(Class2Receive, RefusedCallSendsFksAndLeavesNoFile)
{
    events.accept = false;
    receiver.receive.oneFax = false;
    receiver.settings.exitOnError = true;
    runCall();
    EXPECT_EQ(events.finishCode, -ecFileRejected);
    EXPECT_TRUE(sent("AT+FKS"));
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveSkip}));
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_P(Class2Receive, LineBreakInTheCallersIdentificationDoesNotEndTheCall)
{
    modem.callingIdReport = "\"AB\rCD\x07" "E\"";
    runCall();
    EXPECT_EQ(events.finishCode, 0);
    EXPECT_EQ(receiver.remoteStation, "AB CD E");
    EXPECT_EQ(pagesOf("FAX0001.APF").size(), 3u);
}

// The call drops (hang-up report) after a page's data but before its
// status: a page that arrived whole is kept, a cut one is not; the call
// still fails.
TEST_P(Class2Receive, AWholePageIsKeptWhenTheHangupComesBeforeItsStatus)
{
    auto onWire = [&](Bytes b) {
        if (!GetParam()) // Class 2 data arrives in the reversed bit order
            for (auto &x : b) {
                uint8_t r = 0;
                for (int i = 0; i < 8; ++i)
                    r = uint8_t(r | (((x >> i) & 1) << (7 - i)));
                x = r;
            }
        return b;
    };
    receiver.settings.exitOnError = true;
    modem.incoming = {onWire(codedTestPage(100)), onWire(codedTestPage(50))};
    modem.hangupAfterData = 2;
    runCall();
    EXPECT_EQ(events.finishCode, -ecFaxSessionError);
    EXPECT_EQ(pagesOf("FAX0001.APF"), (std::vector<Bytes>{codedTestPage(100), codedTestPage(50)}));
    EXPECT_EQ(events.logs, (std::vector<int>{lfaxReceiveStart, lfaxReceiveFail}));

    fs::remove(dir + "/FAX0001.APF");
    modem.newCall();
    modem.incoming = {onWire(codedTestPage(100)), onWire(codedTestPage(50, 0, 0, false))};
    receiver.prepare();
    receiver.start();
    modem.ring();
    ASSERT_TRUE(link.run(receiver));
    EXPECT_EQ(pagesOf("FAX0001.APF"), (std::vector<Bytes>{codedTestPage(100)}));
}

INSTANTIATE_TEST_SUITE_P(Classes, Class2Receive, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Class20" : "Class2"; });
