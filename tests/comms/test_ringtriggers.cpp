// Byte rings and trigger tables: full/empty/wrap rules, handle allocation
// and the firing rules of timer and status triggers.
#include "comms/dispatchercodes.h"
#include "comms/ringbuffer.h"
#include "comms/triggers.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace qln;

namespace {

std::string take(ByteRing &r, size_t n)
{
    std::string s(n, '\0');
    size_t got = r.copyOut(0, reinterpret_cast<uint8_t *>(s.data()), n);
    r.advance(got);
    s.resize(got);
    return s;
}

bool put(ByteRing &r, const std::string &s)
{
    return r.put(reinterpret_cast<const uint8_t *>(s.data()), s.size());
}

} // namespace

TEST(ByteRing, WriteOfExactFreeSpaceSetsFullAndOneMoreIsRefusedWhole)
{
    ByteRing r(8);
    ASSERT_TRUE(put(r, "abc"));
    EXPECT_FALSE(put(r, "123456")); // 6 > 5 free: refused, nothing stored
    EXPECT_EQ(r.count(), 3u);
    EXPECT_FALSE(r.full());
    ASSERT_TRUE(put(r, "12345"));
    EXPECT_TRUE(r.full());
    EXPECT_EQ(r.head(), r.tail());
    EXPECT_EQ(r.count(), 8u);
    EXPECT_EQ(r.freeSpace(), 0u);
    EXPECT_FALSE(put(r, "x"));
    EXPECT_EQ(take(r, 8), "abc12345");
    EXPECT_TRUE(r.empty());
    EXPECT_FALSE(r.full());
}

TEST(ByteRing, DataWrapsAroundTheEndAndPeeksAcrossIt)
{
    ByteRing r(8);
    ASSERT_TRUE(put(r, "012345"));
    EXPECT_EQ(take(r, 5), "01234");
    ASSERT_TRUE(put(r, "abcdef")); // wraps: tail 5, head 3
    EXPECT_EQ(r.count(), 7u);
    EXPECT_EQ(r.at(0), '5');
    EXPECT_EQ(r.at(3), 'c');
    EXPECT_EQ(r.at(6), 'f');
    size_t len = 0;
    r.readSpan(len);
    EXPECT_EQ(len, 3u); // contiguous part up to the end
    EXPECT_EQ(take(r, 7), "5abcdef");
}

TEST(ByteRing, WriteSpanAndCommitFillUpToTheTail)
{
    ByteRing r(4);
    ASSERT_TRUE(put(r, "ab"));
    take(r, 1);
    size_t len = 0;
    uint8_t *p = r.writeSpan(len);
    ASSERT_EQ(len, 2u); // head 2 .. end
    p[0] = 'c';
    p[1] = 'd';
    r.commitWrite(2);
    p = r.writeSpan(len);
    ASSERT_EQ(len, 1u); // start .. tail (1)
    p[0] = 'e';
    r.commitWrite(1);
    EXPECT_TRUE(r.full());
    EXPECT_EQ(r.writeSpan(len), nullptr);
    EXPECT_EQ(take(r, 4), "bcde");
}

TEST(TriggerHandles, AreCounterTimesEightWithStatusKindInLowBits)
{
    TriggerTables t;
    EXPECT_EQ(t.newTimer(), 8);
    EXPECT_EQ(t.newStatus(stOutBuffFree), 16 | 3);
    EXPECT_EQ(t.newStatus(stModem), 24 | 1);
    EXPECT_EQ(t.newStatus(6), -ecBadArgument);
    EXPECT_EQ(t.newStatus(0), -ecBadArgument);
    EXPECT_EQ(t.statusKind(19), stOutBuffFree);
    t.clear();
    EXPECT_EQ(t.newTimer(), 8); // counter restarts
}

TEST(TriggerHandles, AfterCounterPasses4096LowestFreeMultipleOfEightIsReused)
{
    TriggerTables t;
    std::vector<int> handles;
    for (int i = 0; i < 4096; ++i)
        handles.push_back(t.newTimer());
    EXPECT_EQ(handles.back(), 4096 * 8);
    ASSERT_EQ(t.drop(24), 0);
    ASSERT_EQ(t.drop(800), 0);
    EXPECT_EQ(t.newTimer(), 24);
    EXPECT_EQ(t.newStatus(stOutSent), 800 | stOutSent);
    // With everything below in use, the search continues upward.
    int h = t.newTimer();
    EXPECT_EQ(h, 4097 * 8);
    std::set<int> bases;
    for (auto &tm : t.timers)
        EXPECT_TRUE(bases.insert(tm.handle & ~7).second);
}

TEST(TriggerHandles, UnknownOrSmallHandlesGiveBadTriggerHandle)
{
    TriggerTables t;
    int h = t.newTimer();
    EXPECT_EQ(t.armTimer(h + 8, 5, true, 0), -ecBadTriggerHandle);
    EXPECT_EQ(t.armTimer(1, 5, true, 0), -ecBadTriggerHandle);
    EXPECT_EQ(t.armStatus(0, 5, true, {}), -ecBadTriggerHandle);
    EXPECT_EQ(t.drop(h + 8), -ecBadTriggerHandle);
    EXPECT_EQ(t.drop(h), 0);
    EXPECT_EQ(t.drop(h), -ecBadTriggerHandle);
}

TEST(TimerTrigger, ArmedWithZeroReusesPreviousLengthAndFiresOnce)
{
    TriggerTables t;
    int h = t.newTimer();
    ASSERT_EQ(t.armTimer(h, 10, true, 100), 0);
    EXPECT_EQ(t.nextExpiredTimer(109), 0);
    EXPECT_EQ(t.nextExpiredTimer(110), h);
    EXPECT_EQ(t.nextExpiredTimer(500), 0); // inactive after firing
    ASSERT_EQ(t.armTimer(h, 0, true, 1000), 0);
    EXPECT_EQ(t.timers[0].length, 10);
    EXPECT_EQ(t.nextExpiredTimer(1009), 0);
    EXPECT_EQ(t.nextExpiredTimer(1010), h);
    // Armed but not activated: never fires.
    ASSERT_EQ(t.armTimer(h, 1, false, 0), 0);
    EXPECT_EQ(t.nextExpiredTimer(100000), 0);
}

TEST(TimerTrigger, OverlongLengthIsClamped)
{
    TriggerTables t;
    int h = t.newTimer();
    ASSERT_EQ(t.armTimer(h, kMaxTimerTicks * 3, true, 0), 0);
    EXPECT_EQ(t.timers[0].length, kMaxTimerTicks);
}

TEST(StatusTrigger, OutputFreeFiresAtLevelThenStaysInactiveUntilRearmed)
{
    TriggerTables t;
    int h = t.newStatus(stOutBuffFree);
    StatusSnapshot s;
    s.outputFree = 99;
    ASSERT_EQ(t.armStatus(h, 100, true, s), 0);
    uint32_t value = 0;
    EXPECT_EQ(t.nextFiringStatus(s, value), 0);
    s.outputFree = 100;
    EXPECT_EQ(t.nextFiringStatus(s, value), h);
    EXPECT_EQ(value, 100u);
    t.clearFiredFlags();
    s.outputFree = 4000;
    EXPECT_EQ(t.nextFiringStatus(s, value), 0); // inactive
    ASSERT_EQ(t.armStatus(h, 100, true, s), 0);
    EXPECT_EQ(t.nextFiringStatus(s, value), h);
}

TEST(StatusTrigger, FiredInThisPassIsNotFiredAgainUntilFlagsClear)
{
    TriggerTables t;
    int h = t.newStatus(stOutBuffUsed);
    StatusSnapshot s;
    s.outputCount = 0;
    ASSERT_EQ(t.armStatus(h, 10, true, s), 0);
    uint32_t v;
    EXPECT_EQ(t.nextFiringStatus(s, v), h);
    ASSERT_EQ(t.armStatus(h, 10, true, s), 0); // re-armed by its handler
    EXPECT_EQ(t.nextFiringStatus(s, v), 0);
    t.clearFiredFlags();
    EXPECT_EQ(t.nextFiringStatus(s, v), h);
}

TEST(StatusTrigger, OutputUsedModemAndOutputSentRules)
{
    TriggerTables t;
    int used = t.newStatus(stOutBuffUsed);
    int modem = t.newStatus(stModem);
    int sent = t.newStatus(stOutSent);
    StatusSnapshot s;
    s.outputCount = 50;
    s.modemStatus = msCTS | msDSR;
    s.writes = 7;
    ASSERT_EQ(t.armStatus(used, 20, true, s), 0);
    ASSERT_EQ(t.armStatus(modem, msDCD | msCTS, true, s), 0);
    ASSERT_EQ(t.armStatus(sent, 0, true, s), 0);
    uint32_t v;
    EXPECT_EQ(t.nextFiringStatus(s, v), 0);
    s.modemStatus = msCTS | msDSR | msRI; // RI is not in the mask
    EXPECT_EQ(t.nextFiringStatus(s, v), 0);
    s.modemStatus |= msDCD;
    EXPECT_EQ(t.nextFiringStatus(s, v), modem);
    s.outputCount = 20;
    EXPECT_EQ(t.nextFiringStatus(s, v), used);
    EXPECT_EQ(v, 20u);
    s.writes = 8;
    EXPECT_EQ(t.nextFiringStatus(s, v), sent);
    EXPECT_EQ(t.nextFiringStatus(s, v), 0);
}

TEST(DataTrigger, MatchesAcrossChunksIgnoringCaseAndRejectsLongPatterns)
{
    TriggerTables t;
    int h = t.newData("OK", true);
    EXPECT_EQ(t.newData(std::string(kMaxDataTriggerLen + 1, 'x'), false), -ecTriggerTooLong);
    std::vector<std::pair<int, int>> m;
    for (char c : std::string("\r\noOk\r\n"))
        t.feedData(uint8_t(c), m);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].first, h);
    EXPECT_EQ(m[0].second, 2);
}
