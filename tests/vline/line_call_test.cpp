// Whole fax calls run in-process between two remote fax machines over the
// simulated line: the page must arrive unchanged, the outcome must name the
// pages, stations and bit rate, and a line with heavy noise must not give a
// clean 14400 bit/s call; a line limited to a bit rate makes the machines
// fall back to exactly that rate.
#include "tiff_pages.h"
#include "vline/line_call.h"
#include "vline/remote_fax.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace qln::vline {
namespace {

namespace fs = std::filesystem;
using test::Bitmap;

Bitmap testPage()
{
    // A short page with shapes whose edges fall on odd pixels and rows.
    Bitmap b;
    b.width = 1728;
    b.rows.assign(160, std::vector<uint8_t>(216, 0));
    for (size_t y = 20; y < 140; ++y)
        for (int x = 0; x < 1728; ++x) {
            bool black = (x > 101 && x < 307 && y % 9 < 4) || ((x - 900) * (x - 900) / 9 + (int(y) - 80) * (int(y) - 80) < 1500)
                         || (x % 97 == 13 && y > 60);
            if (black)
                b.rows[y][static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
    return b;
}

class LineCallTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "vline-call-XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        page_ = testPage();
        ASSERT_TRUE(test::writeFaxTiff((dir_ / "page.tif").string(), page_));
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs a call from a sending machine to a receiving one; returns false
    // when it does not end within five minutes of line time.
    bool runCall(double noise, FaxOutcome &sent, FaxOutcome &received, int maxBps = 0)
    {
        LineCall call(1, LineCall::Target::Remote, noise);
        call.setMaxBps(maxBps);
        RemoteFaxOptions tx;
        tx.ident = "+1 555 0199";
        RemoteFaxOptions rx;
        rx.ident = "100";
        call.remote = std::make_unique<RemoteFax>(true, (dir_ / "page.tif").string(), tx);
        auto receiver = std::make_unique<RemoteFax>(false, (dir_ / "rx.tif").string(), rx);
        RemoteFax *r = receiver.get();
        call.far = std::move(receiver);
        call.state = LineCall::State::Connected;
        for (int block = 0; block < 5 * 60 * 50; ++block) {
            call.exchangeAudio(kBlockSamples);
            if (call.remote->finished() && r->finished())
                break;
        }
        garbled_ = call.garbledCarriers();
        sent = call.remote->outcome();
        received = r->outcome();
        return call.remote->finished() && r->finished();
    }

    fs::path dir_;
    Bitmap page_;
    int garbled_ = 0;
};

TEST_F(LineCallTest, PageArrivesPixelForPixelWithStationsAndRate)
{
    FaxOutcome sent, received;
    ASSERT_TRUE(runCall(NAN, sent, received));
    EXPECT_EQ(sent.code, 0) << sent.text;
    EXPECT_EQ(received.code, 0) << received.text;
    EXPECT_EQ(sent.pages, 1);
    EXPECT_EQ(received.pages, 1);
    EXPECT_EQ(received.remoteId, "+1 555 0199");
    EXPECT_EQ(sent.remoteId, "100");
    EXPECT_EQ(received.bitRate, 14400);
    EXPECT_EQ(received.text, "OK");

    Bitmap got;
    std::string why;
    ASSERT_TRUE(test::readTiffPage((dir_ / "rx.tif").string(), 0, got, why)) << why;
    EXPECT_EQ(test::compareContent(page_, got), "");
}

TEST_F(LineCallTest, NoiseForcesSpeedFallBackAndThenFailure)
{
    // Moderate noise: the training at 14400 and 12000 fails, the machines
    // fall back and the page still arrives intact at 9600.
    FaxOutcome sent, received;
    ASSERT_TRUE(runCall(-30.0, sent, received));
    EXPECT_EQ(sent.code, 0) << sent.text;
    EXPECT_EQ(received.pages, 1);
    EXPECT_EQ(received.bitRate, 9600);
    Bitmap got;
    std::string why;
    ASSERT_TRUE(test::readTiffPage((dir_ / "rx.tif").string(), 0, got, why)) << why;
    EXPECT_EQ(test::compareContent(page_, got), "");

    // Loud noise: no speed gets through and both machines give up.
    fs::remove(dir_ / "rx.tif");
    ASSERT_TRUE(runCall(-20.0, sent, received));
    EXPECT_NE(sent.code, 0);
    EXPECT_NE(received.code, 0);
    EXPECT_EQ(received.pages, 0);
}

TEST_F(LineCallTest, NoiseFarBelowTheSignalChangesNothing)
{
    FaxOutcome sent, received;
    ASSERT_TRUE(runCall(-60.0, sent, received));
    EXPECT_EQ(sent.code, 0) << sent.text;
    EXPECT_EQ(received.bitRate, 14400);
}

TEST_F(LineCallTest, SpeedLimitFailsEachFasterTrainingAndPassesAtTheLimit)
{
    // 14400 and 12000 (V.17) are garbled and fail the training check; 9600
    // passes and the page arrives intact.
    FaxOutcome sent, received;
    ASSERT_TRUE(runCall(NAN, sent, received, 9600));
    EXPECT_EQ(sent.code, 0) << sent.text;
    EXPECT_EQ(received.bitRate, 9600);
    EXPECT_EQ(garbled_, 2);
    Bitmap got;
    std::string why;
    ASSERT_TRUE(test::readTiffPage((dir_ / "rx.tif").string(), 0, got, why)) << why;
    EXPECT_EQ(test::compareContent(page_, got), "");
}

TEST_F(LineCallTest, SpeedLimitOfTheLowestRateLeavesOnly2400)
{
    FaxOutcome sent, received;
    // Seven trainings fail (V.17 14400 to 7200, V.29 9600 and 7200, V.27ter
    // 4800) before 2400 gets through.
    ASSERT_TRUE(runCall(NAN, sent, received, 2400));
    EXPECT_EQ(sent.code, 0) << sent.text;
    EXPECT_EQ(received.bitRate, 2400);
    EXPECT_EQ(received.pages, 1);
    EXPECT_EQ(garbled_, 7);
}

TEST_F(LineCallTest, CompareContentCatchesASinglePixel)
{
    Bitmap changed = page_;
    changed.rows[70][100] ^= 0x01;
    EXPECT_NE(test::compareContent(page_, changed), "");
    Bitmap shifted = page_;
    shifted.rows.insert(shifted.rows.begin(), std::vector<uint8_t>(216, 0));
    EXPECT_EQ(test::compareContent(page_, shifted), "");  // only a blank margin added
}

} // namespace
} // namespace qln::vline
