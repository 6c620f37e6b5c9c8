// The dispatcher on a pseudo-terminal: input and output rings, shared-read
// consumption, timer and status triggers, slots, open errors, the device
// disappearing, and open/close cycles that must not leak.
#include "comms/posixdispatcher.h"
#include "common/messages.h"
#include "scriptedmodem.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace qln;
using qln::test::ScriptedModem;
using namespace std::chrono_literals;

namespace {

int countEntries(const char *dir)
{
    int n = 0;
    if (DIR *d = ::opendir(dir)) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

template <class Pred>
bool eventually(Pred p, std::chrono::milliseconds limit = 3000ms)
{
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (p())
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return p();
}

class DispatcherOnPty : public ::testing::Test {
protected:
    void open(uint32_t outSize = 4096)
    {
        ASSERT_EQ(d.OpenCom(modem.devicePath(), 0, 4096, outSize, true, true, 19200, pNone, 8, 1), 0);
    }
    ScriptedModem modem;
    TApdPosixDispatcher d;
};

} // namespace

TEST_F(DispatcherOnPty, EmptyInputGivesBufferIsEmptyAndPeekNeedsEnoughBytes)
{
    open();
    EXPECT_EQ(d.ReadByte(), -ecBufferIsEmpty);
    EXPECT_EQ(d.PeekByte(1), -ecBufferIsEmpty);
    modem.write("ABC");
    ASSERT_TRUE(eventually([&] { return d.InputCount() == 3; }));
    EXPECT_EQ(d.PeekByte(3), 'C');
    EXPECT_EQ(d.PeekByte(4), -ecBufferIsEmpty);
    EXPECT_EQ(d.ReadByte(), 'A');
    EXPECT_EQ(d.PeekByte(1), 'B');
    char two[2];
    EXPECT_EQ(d.ReadBlock(two, 3), -ecBufferIsEmpty); // only two waiting: nothing taken
    EXPECT_EQ(d.ReadBlock(two, 2), 2);
    EXPECT_EQ(std::string(two, 2), "BC");
}

TEST_F(DispatcherOnPty, WritesReachTheFarEndAndOversizedBlocksAreRefusedWhole)
{
    open(64);
    EXPECT_EQ(d.WriteBlock(std::string(65, 'x').data(), 65), -ecOutputBufferTooSmall);
    EXPECT_EQ(d.OutputCount(), 0);
    EXPECT_EQ(d.OutputFree(), 64);
    modem.expectBytes("ATZ\r").start();
    ASSERT_EQ(d.WriteBlock("ATZ\r", 4), 0);
    ASSERT_TRUE(modem.waitDone(3000));
    EXPECT_TRUE(modem.failures().empty());
    ASSERT_TRUE(eventually([&] { return d.OutputCount() == 0; }));
}

TEST_F(DispatcherOnPty, OutputHeldByXoffFillsTheRingExactly)
{
    open(64);
    // Software flow on transmit: an XOFF from the far end holds our output.
    ASSERT_EQ(d.SetFlowControl(0, swfTransmit, 17, 19, 0, 0), 0);
    modem.write("\x13");
    std::this_thread::sleep_for(50ms);
    // The pseudo-terminal absorbs a few kilobytes before it holds, so keep
    // topping the ring up with exactly its free space until it stays full.
    std::string chunk(64, 'y');
    ASSERT_TRUE(eventually([&] {
        int free = d.OutputFree();
        if (free > 0)
            EXPECT_EQ(d.WriteBlock(chunk.data(), size_t(free)), 0);
        std::this_thread::sleep_for(5ms);
        return d.OutputFree() == 0;
    }, 5000ms)) << "output never held";
    EXPECT_EQ(d.OutputCount(), 64);
    EXPECT_EQ(d.WriteBlock("z", 1), -ecOutputBufferTooSmall);
    EXPECT_EQ(d.OutputCount(), 64);
    // DiscardOutput empties the ring although a write is held.
    EXPECT_EQ(d.FlushOutput(), 0);
    EXPECT_EQ(d.OutputCount(), 0);
}

TEST_F(DispatcherOnPty, TwoHandlersShareOneAvailMessageAndTheLargestCountIsConsumed)
{
    open();
    std::string seenA, seenB;
    std::atomic<int> calls{0};
    std::atomic<int> offered{0};
    d.AttachHandler([&](uint32_t msg, uint32_t wParam, int32_t lParam) {
        if (msg != msgTriggerAvail)
            return;
        EXPECT_EQ(uint32_t(lParam) >> 16, uint32_t(d.Index()));
        offered = int(wParam);
        char buf[3];
        if (d.ReadBlock(buf, 3) == 3)
            seenA.assign(buf, 3);
        EXPECT_EQ(d.InputCount(), int(wParam) - 3);
        ++calls;
    });
    d.AttachHandler([&](uint32_t msg, uint32_t, int32_t) {
        if (msg != msgTriggerAvail)
            return;
        char buf[5];
        if (d.ReadBlock(buf, 5) == 5)
            seenB.assign(buf, 5);
    });
    d.SuspendDispatch(true);
    d.SetAvailLevel(8);
    modem.write("12345678");
    ASSERT_TRUE(eventually([&] { return d.InputCount() == 8; }));
    d.SuspendDispatch(false);
    ASSERT_TRUE(eventually([&] { return calls.load() == 1; }));
    ASSERT_TRUE(eventually([&] { return !d.HandlersRunning(); }));
    EXPECT_EQ(offered.load(), 8);
    EXPECT_EQ(seenA, "123");
    EXPECT_EQ(seenB, "12345");
    EXPECT_EQ(d.InputCount(), 3);
    EXPECT_EQ(d.ReadByte(), '6');
}

TEST_F(DispatcherOnPty, SuspendedDispatchStillFillsTheRingButCallsNoHandler)
{
    open();
    std::atomic<int> calls{0};
    d.AttachHandler([&](uint32_t, uint32_t, int32_t) { ++calls; });
    d.SetAvailLevel(1);
    EXPECT_FALSE(d.SuspendDispatch(true));
    modem.write("hello");
    ASSERT_TRUE(eventually([&] { return d.InputCount() == 5; }));
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(calls.load(), 0);
    EXPECT_TRUE(d.SuspendDispatch(false));
    ASSERT_TRUE(eventually([&] { return calls.load() > 0; }));
}

TEST_F(DispatcherOnPty, TimerFiresOnDispatchThreadAndRearmsWithPreviousLength)
{
    open();
    std::atomic<int> fired{0};
    int handle = d.NewTimerTrigger();
    std::thread::id handlerThread;
    d.AttachHandler([&](uint32_t msg, uint32_t wParam, int32_t) {
        if (msg == msgTriggerTimer && int(wParam) == handle) {
            handlerThread = std::this_thread::get_id();
            if (++fired == 1)
                d.ArmTimerTrigger(handle, 0, true); // again, same length
        }
    });
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(d.ArmTimerTrigger(handle, 2, true), 0);
    ASSERT_TRUE(eventually([&] { return fired.load() == 2; }));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 4 * 55ms - 60ms); // two lengths of 2 ticks (allowing tick rounding)
    EXPECT_NE(handlerThread, std::this_thread::get_id());
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(fired.load(), 2);
    EXPECT_EQ(d.ArmTimerTrigger(handle + 8, 1, true), -ecBadTriggerHandle);
    EXPECT_EQ(d.DropTrigger(handle), 0);
    EXPECT_EQ(d.DropTrigger(handle), -ecBadTriggerHandle);
}

TEST_F(DispatcherOnPty, OutputFreeTriggerFiresOnceUntilRearmed)
{
    open();
    std::atomic<int> fired{0};
    std::atomic<uint32_t> value{0};
    int h = d.NewStatusTrigger(stOutBuffFree);
    EXPECT_EQ(h & 7, stOutBuffFree);
    EXPECT_EQ(d.NewStatusTrigger(6), -ecBadArgument);
    d.AttachHandler([&](uint32_t msg, uint32_t wParam, int32_t lParam) {
        if (msg == msgTriggerStatus && int(wParam) == h) {
            value = uint32_t(lParam) & 0xFFFF;
            ++fired;
        }
    });
    ASSERT_EQ(d.ArmStatusTrigger(h, 1000, true), 0);
    ASSERT_TRUE(eventually([&] { return fired.load() == 1; }));
    EXPECT_EQ(value.load(), 4096u);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(fired.load(), 1);
    ASSERT_EQ(d.ArmStatusTrigger(h, 1000, true), 0);
    ASSERT_TRUE(eventually([&] { return fired.load() == 2; }));
}

TEST_F(DispatcherOnPty, OutputUsedAndOutputSentTriggersFollowTheWrites)
{
    open();
    std::atomic<int> used{0}, sent{0};
    int hUsed = d.NewStatusTrigger(stOutBuffUsed);
    int hSent = d.NewStatusTrigger(stOutSent);
    d.AttachHandler([&](uint32_t msg, uint32_t wParam, int32_t) {
        if (msg != msgTriggerStatus)
            return;
        if (int(wParam) == hUsed)
            ++used;
        if (int(wParam) == hSent)
            ++sent;
    });
    modem.expectBytes("data").start();
    ASSERT_EQ(d.ArmStatusTrigger(hSent, 0, true), 0);
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(sent.load(), 0); // nothing written since arming
    ASSERT_EQ(d.WriteBlock("data", 4), 0);
    ASSERT_EQ(d.ArmStatusTrigger(hUsed, 0, true), 0);
    ASSERT_TRUE(eventually([&] { return sent.load() == 1 && used.load() == 1; }));
    EXPECT_TRUE(modem.waitDone(3000));
    EXPECT_TRUE(modem.failures().empty());
}

TEST_F(DispatcherOnPty, SlotsOneToThreeOnly)
{
    open();
    int x = 5;
    EXPECT_EQ(d.SetSlot(2, &x), 0);
    EXPECT_EQ(d.GetSlot(2), &x);
    EXPECT_EQ(d.GetSlot(1), nullptr);
    EXPECT_EQ(d.SetSlot(0, &x), -ecBadArgument);
    EXPECT_EQ(d.SetSlot(4, &x), -ecBadArgument);
    EXPECT_EQ(d.GetSlot(4), nullptr);
}

TEST_F(DispatcherOnPty, StartingTwiceIsRefused)
{
    open();
    EXPECT_THROW(d.StartDispatcher(), std::logic_error);
}

TEST_F(DispatcherOnPty, FarEndClosingEndsReadsAndWritesAndCloseDoesNotHang)
{
    open();
    std::atomic<bool> modemDropped{false};
    int h = d.NewStatusTrigger(stModem);
    d.AttachHandler([&](uint32_t msg, uint32_t wParam, int32_t) {
        if (msg == msgTriggerStatus && int(wParam) == h)
            modemDropped = true;
    });
    ASSERT_EQ(d.ArmStatusTrigger(h, msCTS | msDSR | msDCD, true), 0);
    modem.write("bye");
    ASSERT_TRUE(eventually([&] { return d.InputCount() == 3; }));
    modem.closeMaster();
    ASSERT_TRUE(eventually([&] { return d.DeviceLost(); }));
    EXPECT_TRUE(eventually([&] { return modemDropped.load(); }));
    EXPECT_EQ(d.WriteBlock("x", 1), -ecPutBlockFail);
    char buf[3];
    EXPECT_EQ(d.ReadBlock(buf, 3), 3); // what arrived before stays readable
    EXPECT_EQ(d.ReadByte(), -ecGetBlockFail);
    auto start = std::chrono::steady_clock::now();
    d.DonePort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_FALSE(d.ThreadsAlive());
}

TEST(DispatcherOpen, MissingDeviceIsBadIdAndHeldDeviceIsInUse)
{
    TApdPosixDispatcher d;
    EXPECT_EQ(d.OpenCom("/dev/qln-no-such-port", 0, 4096, 4096, true, true, 19200, pNone, 8, 1), -ecBadId);

    ScriptedModem modem;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another process holding the port.
        int fd = ::open(modem.devicePath().c_str(), O_RDWR | O_NOCTTY);
        ::flock(fd, LOCK_EX);
        char c = 1;
        [[maybe_unused]] auto w = ::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    TApdPosixDispatcher held;
    EXPECT_EQ(held.OpenCom(modem.devicePath(), 3, 4096, 4096, true, true, 19200, pNone, 8, 1), -ecAlreadyOpen);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    // Free again once the other process is gone.
    TApdPosixDispatcher freed;
    EXPECT_EQ(freed.OpenCom(modem.devicePath(), 3, 4096, 4096, true, true, 19200, pNone, 8, 1), 0);
}

TEST(DispatcherOpen, ThousandOpenCloseCyclesLeakNoThreadsOrDescriptors)
{
    ScriptedModem modem;
    // Warm up once so lazily created process-wide state is not counted.
    {
        TApdPosixDispatcher d;
        ASSERT_EQ(d.OpenCom(modem.devicePath(), 0, 4096, 4096, true, true, 19200, pNone, 8, 1), 0);
    }
    int fds = countEntries("/proc/self/fd");
    int threads = countEntries("/proc/self/task");
    for (int i = 0; i < 1000; ++i) {
        TApdPosixDispatcher d;
        ASSERT_EQ(d.OpenCom(modem.devicePath(), 0, 4096, 4096, true, true, 19200, pNone, 8, 1), 0) << i;
        ASSERT_EQ(d.WriteBlock("AT\r", 3), 0);
        d.DonePort();
    }
    EXPECT_EQ(countEntries("/proc/self/fd"), fds);
    EXPECT_EQ(countEntries("/proc/self/task"), threads);
    EXPECT_EQ(TApdBaseDispatcher::FindDispatcher(1), nullptr); // list slots are reused
}

TEST_F(DispatcherOnPty, ExceptionInAHandlerIsReportedAndEndsOnlyTheDispatchThread)
{
    qln::ScriptedMessages msgs;
    qln::ScopedMessages scoped(msgs);
    open();
    d.AttachHandler([](uint32_t msg, uint32_t, int32_t) {
        if (msg == msgTriggerAvail)
            throw std::runtime_error("handler failed");
    });
    d.SetAvailLevel(1);
    modem.write("x");
    ASSERT_TRUE(eventually([&] { return msgs.count(qln::ScriptedMessages::Kind::ErrorBox) == 1; }));
    EXPECT_EQ(msgs.last().text, "handler failed");
    EXPECT_TRUE(d.ThreadsAlive()); // the event and output threads still run
    auto start = std::chrono::steady_clock::now();
    d.DonePort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_FALSE(d.ThreadsAlive());
}

TEST_F(DispatcherOnPty, HandlerLeavingBytesStopsAvailUntilNewInputArrives)
{
    open();
    std::vector<uint32_t> offered;
    std::mutex m;
    d.AttachHandler([&](uint32_t msg, uint32_t count, int32_t) {
        if (msg != msgTriggerAvail)
            return;
        {
            std::lock_guard l(m);
            offered.push_back(count);
        }
        d.ReadByte(); // takes one byte only
    });
    d.SetAvailLevel(1);
    modem.write("abc");
    ASSERT_TRUE(eventually([&] { std::lock_guard l(m); return offered.size() == 1; }));
    std::this_thread::sleep_for(150ms);
    {
        std::lock_guard l(m);
        EXPECT_EQ(offered, std::vector<uint32_t>{3});
    }
    EXPECT_EQ(d.InputCount(), 2);
    modem.write("d");
    ASSERT_TRUE(eventually([&] { std::lock_guard l(m); return offered.size() == 2; }));
    std::lock_guard l(m);
    EXPECT_EQ(offered[1], 3u); // "b", "c" and the new "d"
}

TEST_F(DispatcherOnPty, DiscardingInputInsideAHandlerSkipsEverythingWaiting)
{
    open();
    std::atomic<int> calls{0};
    d.AttachHandler([&](uint32_t msg, uint32_t, int32_t) {
        if (msg != msgTriggerAvail)
            return;
        d.ReadByte();
        d.FlushInput();
        ++calls;
    });
    d.SuspendDispatch(true);
    d.SetAvailLevel(4);
    modem.write("wxyz");
    ASSERT_TRUE(eventually([&] { return d.InputCount() == 4; }));
    d.SuspendDispatch(false);
    ASSERT_TRUE(eventually([&] { return calls.load() == 1 && !d.HandlersRunning(); }));
    EXPECT_EQ(d.InputCount(), 0);
    EXPECT_EQ(d.ReadByte(), -ecBufferIsEmpty);
}
