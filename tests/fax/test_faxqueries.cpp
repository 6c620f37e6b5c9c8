// The component's queries to the application (next fax, file name) against
// a handler that runs past the query's time limit.
#include "fax/faxreceivefax.h"
#include "fax/faxsendfax.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

using namespace qln::fax;

namespace {

struct SendProbe : TApdSendFax {
    using TApdSendFax::faxNext;
};
struct ReceiveProbe : TApdReceiveFax {
    using TApdReceiveFax::faxName;
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
