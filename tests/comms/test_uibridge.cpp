// The bridge to the user-interface thread when that thread is busy: a timed
// call that has not started is dropped, a delivered event is not.
#include "comms/uibridge.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace qln;

namespace {

// Keeps the bridge's thread busy until released.
struct BusyUi {
    std::atomic<bool> release{false};
    std::atomic<bool> running{false};
    BusyUi()
    {
        UiBridge::Post([this] {
            running = true;
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        while (!running)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void drain()
    {
        release = true;
        // A timed call with a generous limit queues behind everything posted.
        ASSERT_TRUE(UiBridge::Send([] { return intptr_t(1); }, 5000).has_value());
    }
};

} // namespace

TEST(UiBridgeBusy, TimedCallIsDroppedButDeliveredEventsRunLaterInOrder)
{
    BusyUi ui;
    std::mutex m;
    std::vector<int> seen;
    auto record = [&](int v) {
        std::lock_guard lock(m);
        seen.push_back(v);
    };

    EXPECT_FALSE(UiBridge::Send([&]() -> intptr_t { record(0); return 0; }, 30).has_value());
    EXPECT_FALSE(UiBridge::Deliver([&] { record(1); }, 30));
    EXPECT_FALSE(UiBridge::Deliver([&] { record(2); }, 30));
    ui.drain();

    std::lock_guard lock(m);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

TEST(UiBridgeBusy, DeliverOnAnIdleThreadWaitsForTheCall)
{
    std::atomic<int> value{0};
    EXPECT_TRUE(UiBridge::Deliver([&] { value = 7; }, 5000));
    EXPECT_EQ(value, 7);
}
