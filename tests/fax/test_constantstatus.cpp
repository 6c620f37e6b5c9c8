// The status display of a receiving session: opened at each ring and closed
// after each call, or, with ConstantStatus, opened once when the session
// starts waiting and kept open between calls; closed after a cancel and
// whenever the session ends.
#include "fax/faxreceive.h"
#include "test_faxsim_caller.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace qln::fax;
using namespace qln::fax::sim;
namespace fs = std::filesystem;

namespace {

using Reports = std::vector<std::string>;

class ReceiveStatus : public ::testing::Test {
protected:
    ReceiveStatus() : caller(link), receiver(link, events)
    {
        events.session = &receiver;
        char tmpl[] = "/tmp/qln-status-XXXXXX";
        dir = ::mkdtemp(tmpl);
        receiver.destinationDir = dir;
        receiver.settings.faxClass = fcClass1;
        receiver.receive.oneFax = false;
        caller.pages = {Bytes(300, 0x66)};
    }
    ~ReceiveStatus() override { fs::remove_all(dir); }

    void start()
    {
        ASSERT_EQ(receiver.prepare(), 0);
        receiver.start();
        ASSERT_TRUE(waitingAfter(0));
    }
    // Runs until `calls` calls have ended (well or not) and the session is
    // waiting for the next one.
    bool waitingAfter(int calls)
    {
        return link.runUntil(receiver, [&] {
            long ended = std::count_if(events.logs.begin(), events.logs.end(), [](int l) {
                return l == lfaxReceiveOk || l == lfaxReceiveFail || l == lfaxReceiveSkip;
            });
            return ended == calls && receiver.state() == rfWaiting;
        });
    }
    // One call; the session ends or waits again.
    void call(int n)
    {
        caller.newCall();
        caller.ring();
        if (n > 0)
            ASSERT_TRUE(waitingAfter(n)) << "call " << n;
        else
            ASSERT_TRUE(link.run(receiver));
    }
    std::string last(int code) const { return "last " + std::to_string(code); }
    std::string first(int code) const { return "first " + std::to_string(code); }

    SimLink link;
    Class1Caller caller;
    Recorder events;
    FaxReceiver receiver;
    std::string dir;
};

} // namespace

TEST_F(ReceiveStatus, WithoutConstantStatusEachCallOpensAndClosesTheDisplay)
{
    start();
    EXPECT_EQ(events.displayReports, Reports{}); // nothing shown while waiting
    call(1);
    call(2);
    EXPECT_EQ(events.displayReports,
              (Reports{first(fpWaiting), last(fpFinished), first(fpWaiting), last(fpFinished)}));
    receiver.cancel();
    EXPECT_FALSE(receiver.inProgress());
    // A cancel always ends with a last status.
    EXPECT_EQ(events.displayReports.back(), last(fpCancel));
    EXPECT_EQ(events.displayReports.size(), 5u);
}

TEST_F(ReceiveStatus, ConstantStatusOpensOnceAndStaysOpenBetweenCalls)
{
    receiver.receive.constantStatus = true;
    start();
    ASSERT_EQ(events.displayReports.size(), 1u);
    EXPECT_EQ(events.displayReports[0].rfind("first", 0), 0u);
    call(1);
    call(2);
    EXPECT_EQ(events.displayReports.size(), 1u);
    EXPECT_EQ(std::count(events.logs.begin(), events.logs.end(), lfaxReceiveOk), 2);
    receiver.cancel();
    ASSERT_FALSE(receiver.inProgress());
    EXPECT_EQ(events.displayReports.size(), 2u);
    EXPECT_EQ(events.displayReports.back(), last(fpCancel));
}

TEST_F(ReceiveStatus, ConstantStatusDisplayClosesWhenOneFaxEndsTheSession)
{
    receiver.receive.constantStatus = true;
    receiver.receive.oneFax = true;
    start();
    call(0);
    EXPECT_FALSE(receiver.inProgress());
    EXPECT_EQ(events.finishCode, 0);
    ASSERT_EQ(events.displayReports.size(), 2u);
    EXPECT_EQ(events.displayReports[1], last(fpFinished));
}

TEST_F(ReceiveStatus, OneFaxWithoutConstantStatusClosesTheCallsDisplay)
{
    receiver.receive.oneFax = true;
    start();
    call(0);
    EXPECT_FALSE(receiver.inProgress());
    EXPECT_EQ(events.displayReports, (Reports{first(fpWaiting), last(fpFinished)}));
}

TEST_F(ReceiveStatus, AFailedCallKeepsAConstantDisplayOpen)
{
    receiver.receive.constantStatus = true;
    start();
    events.accept = false; // the first call is refused: error 6011
    call(1);
    events.accept = true;
    call(2);
    EXPECT_EQ(events.errors, (std::vector<int>{-ecFileRejected}));
    EXPECT_EQ(events.displayReports.size(), 1u);
    EXPECT_TRUE(receiver.inProgress());
}

TEST_F(ReceiveStatus, AFailedCallClosesTheDisplayAndTheNextRingReopensIt)
{
    start();
    events.accept = false;
    call(1);
    events.accept = true;
    call(2);
    EXPECT_EQ(events.displayReports, (Reports{first(fpWaiting), last(fpSessionParams), first(fpWaiting),
                                              last(fpFinished)}));
}

TEST_F(ReceiveStatus, ExitOnErrorClosesAConstantDisplayAsTheSessionEnds)
{
    receiver.receive.constantStatus = true;
    receiver.settings.exitOnError = true;
    start();
    events.accept = false;
    call(0);
    EXPECT_FALSE(receiver.inProgress());
    EXPECT_EQ(events.finishCode, -ecFileRejected);
    ASSERT_EQ(events.displayReports.size(), 2u);
    EXPECT_EQ(events.displayReports[1].rfind("last", 0), 0u);
}

TEST_F(ReceiveStatus, CancelWhileWaitingClosesEvenADisplayThatWasNotShown)
{
    start();
    receiver.cancel();
    EXPECT_FALSE(receiver.inProgress());
    EXPECT_EQ(events.finishCode, -ecCancelRequested);
    EXPECT_EQ(events.displayReports, Reports{last(fpCancel)});
}
