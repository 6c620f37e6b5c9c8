// The fax status window: the elapsed-time clock and when it runs, the busy
// countdown, page progress, the receiver's look, and the window shown on
// the first report and hidden on the last.
#include "fax/faxcodes.h"
#include "fax/faxsendfax.h"
#include "sessions/faxstatusdisplay.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

using namespace qln;
using namespace std::chrono_literals;

namespace {

FaxStatusView::Clock::time_point at(int seconds)
{
    return FaxStatusView::Clock::time_point{} + std::chrono::seconds(seconds) + 1000h;
}

FaxStatusFacts withStatus(int code)
{
    FaxStatusFacts f;
    f.statusCode = code;
    return f;
}

FaxStatusFacts withStatusAndPage(FaxStatusFacts f, int code)
{
    f.statusCode = code;
    return f;
}

}  // namespace

TEST(FaxStatusView, ElapsedRunsFromTheConnectionUntilTheEndOfTheCall)
{
    FaxStatusView v;
    v.report(withStatus(fax::fpDialing), at(0));
    EXPECT_EQ(v.texts(at(5)).elapsed, "00:00");
    v.report(withStatus(fax::fpSessionParams), at(10));
    // A later connection report does not restart the clock.
    v.report(withStatus(fax::fpGotRemoteID), at(20));
    EXPECT_EQ(v.texts(at(75)).elapsed, "  1:05");
    EXPECT_EQ(v.texts(at(10 + 12 * 60 + 7)).elapsed, " 12:07");
    v.report(withStatus(fax::fpSendPage), at(80));
    EXPECT_EQ(v.texts(at(80)).elapsed, "  1:10");
    v.report(withStatus(fax::fpFinished), at(90));

    for (int end : {fax::fpFinished, fax::fpCancel, fax::fpGotHangup}) {
        v.report(withStatus(fax::fpGotRemoteID), at(100));
        EXPECT_EQ(v.texts(at(103)).elapsed, "  0:03");
        v.report(withStatus(end), at(104));
        EXPECT_EQ(v.texts(at(110)).elapsed, "00:00") << end;
    }
}

TEST(FaxStatusView, BusyWaitCountsDownTheRetryWait)
{
    FaxStatusView v;
    FaxStatusFacts f = withStatus(fax::fpBusyWait);
    f.dialRetryWait = 90;
    v.report(f, at(0));
    EXPECT_EQ(v.texts(at(0)).status, "Busy, waiting until redial...  1:30");
    v.report(f, at(5)); // a timer report during the wait keeps counting
    EXPECT_EQ(v.texts(at(31)).status, "Busy, waiting until redial...  0:59");
    EXPECT_EQ(v.texts(at(500)).status, "Busy, waiting until redial...  0:00");
    v.report(withStatus(fax::fpDialing), at(91));
    EXPECT_FALSE(v.countdownRunning());
    EXPECT_EQ(v.texts(at(92)).status, "Dialing");
    // The next busy signal starts a fresh countdown.
    v.report(f, at(200));
    EXPECT_EQ(v.texts(at(201)).status, "Busy, waiting until redial...  1:29");
}

TEST(FaxStatusView, SenderAndReceiverTexts)
{
    FaxStatusFacts f;
    f.phoneNumber = "9,555-1212";
    f.pageCount = 3;
    f.dialAttempt = 2;
    f.remoteId = "REMOTE";
    f.lineSpeed = 9600;
    f.fine = true;
    f.wide = false;
    f.errorCorrection = true;
    f.pageNumber = 0;
    f.pageBytes = 3;
    f.bytesDone = 1;
    f.statusCode = fax::fpSendPage;
    f.faxFile = "/data/QLN_1.APF";
    f.coverFile = "/data/a-cover-file-with-a-long-name.txt";
    FaxStatusView v;
    v.report(f, at(0));
    FaxStatusTexts t = v.texts(at(1));  // a second on the line: all 3 bytes could have gone
    EXPECT_EQ(t.phoneNumber, "9,555-1212");
    EXPECT_EQ(t.totalPages, "3");
    EXPECT_EQ(t.dialAttempt, "2");
    EXPECT_EQ(t.connectBps, "9600");
    EXPECT_EQ(t.resolution, "high");
    EXPECT_EQ(t.width, "1728");
    EXPECT_EQ(t.errorControl, "on");
    EXPECT_EQ(t.currentPage, "<cover page>");
    EXPECT_EQ(t.status, "Sending page data");
    EXPECT_EQ(t.faxFileName, "QLN_1.APF");
    EXPECT_EQ(t.coverFileName, "a-cover-file-with-a-...");
    EXPECT_EQ(t.progress, 33);
    EXPECT_TRUE(t.progressVisible);
    EXPECT_EQ(t.progressCaption, "Page progress:");

    f.sending = false;
    f.pageNumber = 2;
    f.fine = false;
    f.wide = true;
    f.errorCorrection = false;
    v.report(f, at(1));
    t = v.texts(at(1));
    EXPECT_EQ(t.phoneNumber, "");
    EXPECT_EQ(t.coverFileName, "");
    EXPECT_EQ(t.dialAttempt, "1");
    EXPECT_EQ(t.currentPage, "2");
    EXPECT_EQ(t.resolution, "standard");
    EXPECT_EQ(t.width, "2048");
    EXPECT_EQ(t.errorControl, "off");
    EXPECT_FALSE(t.progressVisible);
    EXPECT_EQ(t.progressCaption, "Page progress: N/A");
}

TEST(FaxStatusView, PageProgressFollowsThePageOnTheLineNotTheQueue)
{
    FaxStatusFacts f = withStatus(fax::fpSendPage);
    f.lineSpeed = 9600;  // 1200 bytes a second
    f.pageCount = 2;
    f.pageNumber = 1;
    f.pageBytes = 24000;  // twenty seconds on the line
    FaxStatusView v;
    v.report(f, at(0));
    // A second later the whole page has left the port's ring (the system
    // and the modem buffer it), and the sender has moved on to page 2.
    f.bytesDone = 24000;
    f.outputQueued = 0;
    v.report(f, at(1));
    f.pageNumber = 2;
    v.report(f, at(2));
    FaxStatusTexts t = v.texts(at(2));
    EXPECT_EQ(t.currentPage, "1");
    EXPECT_EQ(t.pageLength, "24000");
    EXPECT_EQ(t.bytesTransferred, "2400");
    EXPECT_EQ(t.progress, 10);
    EXPECT_EQ(v.texts(at(10)).progress, 50);
    EXPECT_EQ(v.texts(at(10)).currentPage, "1");
    // Longer than expected: not full until the modem says the page went.
    EXPECT_EQ(v.texts(at(25)).progress, 99);
    v.report(withStatusAndPage(f, fax::fpSendPageStatus), at(26));
    EXPECT_EQ(v.texts(at(26)).progress, 100);
    EXPECT_EQ(v.texts(at(26)).currentPage, "1");
    v.report(withStatusAndPage(f, fax::fpPageOK), at(28));
    EXPECT_EQ(v.texts(at(28)).currentPage, "1");

    // Page 2 starts on the line; the sender is slow to hand it over, so the
    // bytes handed bound what the line can have carried.
    f.bytesDone = 0;
    f.outputQueued = -1;
    f.pageBytes = 12000;
    v.report(f, at(29));
    t = v.texts(at(29));
    EXPECT_EQ(t.currentPage, "2");
    EXPECT_EQ(t.pageLength, "12000");
    EXPECT_EQ(t.progress, 0);
    f.bytesDone = 3000;
    f.outputQueued = 4000;
    v.report(f, at(30));
    EXPECT_EQ(v.texts(at(34)).bytesTransferred, "3000");
    f.bytesDone = 12000;
    v.report(f, at(31));
    EXPECT_EQ(v.texts(at(34)).progress, 50);
    // A call cut off in mid-page leaves the bar where the line stopped.
    v.report(withStatusAndPage(f, fax::fpCancel), at(35));
    EXPECT_EQ(v.texts(at(60)).progress, 60);
}

TEST(FaxStatusView, ProgressIsRoundedAndBounded)
{
    EXPECT_EQ(FaxStatusView::progressPercent(0, 0), 0);
    EXPECT_EQ(FaxStatusView::progressPercent(500, 0), 0);
    EXPECT_EQ(FaxStatusView::progressPercent(2, 3), 67);
    EXPECT_EQ(FaxStatusView::progressPercent(1, 200), 1);  // 0.5 rounds up
    EXPECT_EQ(FaxStatusView::progressPercent(5000, 4000), 100);
    EXPECT_EQ(FaxStatusView::progressPercent(3'000'000'000L, 3'000'000'000L), 100);
}

namespace {

// A sending component whose facts the test sets through its public
// properties; no session runs.
struct StatusFixture : ::testing::Test {
    StatusFixture()
    {
        status.Fax = &fax;
        status.Now = [this] { return now; };
        fax.PhoneNumber = "555-1212";
    }
    fax::TApdSendFax fax;
    TApdFaxStatus status;
    FaxStatusView::Clock::time_point now = at(0);
};

}  // namespace

TEST_F(StatusFixture, FirstReportShowsTheWindowAndTheLastHidesIt)
{
    TStandardFaxDisplay *w = status.Display();
    ASSERT_NE(w, nullptr); // made with the component
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Fax Status");
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w->parentWidget(), nullptr);

    status.UpdateDisplay(true, false);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->value(TStandardFaxDisplay::PhoneNumber), "555-1212");
    EXPECT_EQ(w->value(TStandardFaxDisplay::Elapsed), "00:00");
    EXPECT_EQ(w->caption(TStandardFaxDisplay::BytesTransferred), "Bytes transferred:");
    EXPECT_FALSE(w->valueLabel(TStandardFaxDisplay::FaxFile)->isVisible());
    EXPECT_TRUE(w->progressBar()->isVisible());
    EXPECT_EQ(w->progressBar()->size(), QSize(406, 20));

    status.UpdateDisplay(false, false);
    EXPECT_TRUE(w->isVisible());
    status.UpdateDisplay(false, true);
    EXPECT_FALSE(w->isVisible());
}
