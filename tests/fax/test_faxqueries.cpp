// The component's queries to the application (next fax, file name) against
// a handler that runs past the query's time limit.
#include "fax/faxreceivefax.h"
#include "fax/faxsendfax.h"
#include "comms/uibridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

using namespace qln::fax;

namespace {

struct SendProbe : TApdSendFax {
    using TApdSendFax::faxNext;
};
struct ReceiveProbe : TApdReceiveFax {
    using TApdReceiveFax::faxAccept;
    using TApdReceiveFax::faxLog;
    using TApdReceiveFax::faxName;
    FaxSession &record() { return rec(); }
};

// Fills the stack below the caller with a pattern, as the calls that follow
// a finished query do with its frame.
__attribute__((noinline)) void scribbleStack(std::atomic<bool> &until)
{
    volatile unsigned char block[16384];
    std::memset(const_cast<unsigned char *>(block), 0xA5, sizeof block);
    while (!until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    (void)block[0];
}

void sleepUntil(const std::atomic<bool> &flag)
{
    while (!flag)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

// A handler that answers after the session gave up writes into values the
// query owns, not into the session thread's stack: the session goes on with
// "no answer", and nothing it holds is touched.
TEST(FaxQueries, HandlerPastItsTimeLimitWritesNothingOfTheSession)
{
    SendProbe send;
    ReceiveProbe receive;
    std::atomic<bool> gaveUp{false}, written{false};
    send.OnFaxNext = [&](TApdSendFax &, std::string &p, std::string &f, std::string &c) {
        sleepUntil(gaveUp);
        p.assign(300, 'p');
        f.assign(300, 'f');
        c.assign(300, 'c');
        written = true;
    };
    bool answered = true;
    std::string phone, file, cover;
    std::thread session([&] {
        answered = send.faxNext(phone, file, cover);
        gaveUp = true;
        scribbleStack(written);
    });
    session.join();
    EXPECT_FALSE(answered);
    EXPECT_TRUE(phone.empty() && file.empty() && cover.empty());

    gaveUp = written = false;
    receive.OnFaxName = [&](TApdReceiveFax &, std::string &name) {
        sleepUntil(gaveUp);
        name.assign(300, 'n');
        written = true;
    };
    std::string name = "kept";
    std::thread session2([&] {
        receive.faxName(name);
        gaveUp = true;
        scribbleStack(written);
    });
    session2.join();
    EXPECT_EQ(name, "kept");
}

// Log events reach a busy user interface late, when the session has moved on
// to the next call: the handler reads the facts taken when each event was
// raised, so two back-to-back calls give two rows with their own file and
// sender, never the next call's.
TEST(FaxQueries, ALateLogEventCarriesItsOwnCallsFileAndSender)
{
    ReceiveProbe receive;
    std::vector<std::pair<std::string, std::string>> rows;
    std::atomic<int> handled{0};
    receive.OnFaxLog = [&](TApdAbstractFax &f, int code) {
        if (code == lfaxReceiveOk && f.LogFacts())
            rows.emplace_back(f.LogFacts()->receivedFile, f.LogFacts()->remoteStation);
        ++handled;
    };
    std::atomic<bool> release{false};
    qln::UiBridge::Post([&] { sleepUntil(release); }); // the window is busy
    std::thread session([&] {
        FaxSession &r = receive.record();
        r.faxFile = "/rx/FAX0001.APF";
        r.remoteStation = "ALPHA";
        receive.faxLog(lfaxReceiveOk); // gives up after its limit
        r.faxFile = "/rx/FAX0002.APF";  // the next call
        r.remoteStation = "BETA";
        receive.faxLog(lfaxReceiveOk);
        r.faxFile.clear();
        r.remoteStation.clear();
    });
    session.join();
    release = true;
    for (int i = 0; i < 2000 && handled < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(handled, 2);
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{{"/rx/FAX0001.APF", "ALPHA"},
                                                                       {"/rx/FAX0002.APF", "BETA"}}));
}

// A window too busy to answer the accept query in time does not refuse the
// call: receive mode answers every call; only a handler that says no does.
TEST(FaxQueries, ACallIsAcceptedWhenTheWindowCannotAnswerInTime)
{
    ReceiveProbe receive;
    std::atomic<int> asked{0};
    bool answer = true;
    receive.OnFaxAccept = [&](TApdReceiveFax &, bool &accept) {
        accept = answer;
        ++asked;
    };
    std::atomic<bool> release{false};
    qln::UiBridge::Post([&] { sleepUntil(release); });
    bool accepted = false;
    std::thread session([&] { accepted = receive.faxAccept(); });
    session.join();
    release = true;
    EXPECT_TRUE(accepted);
    answer = false;
    bool refused = true;
    std::thread session2([&] { refused = !receive.faxAccept(); });
    session2.join();
    EXPECT_TRUE(refused);
    EXPECT_EQ(asked, 1);
}
