// The dispatcher's trigger tables: timer, status and data triggers, the
// handle allocator and the checks that decide which trigger fires.
//
// Handles are a counter times 8 (status triggers carry their kind in the low
// three bits); the counter restarts at 1 when the tables are cleared. Once it
// has passed 4096 the allocator takes the lowest multiple of 8 that no trigger
// uses. Handle 1 is the avail level and is handled by the dispatcher itself.
//
// Not thread-safe: the dispatcher holds its main lock around every call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qln {

// Longest timer accepted, in ticks; longer lengths are clamped.
constexpr int64_t kMaxTimerTicks = 39045157;
// Longest pattern of a data trigger.
constexpr size_t kMaxDataTriggerLen = 21;

struct TimerTrigger {
    int handle = 0;
    int64_t startTick = 0;
    int64_t expiryTick = 0;
    int64_t length = 0;
    bool active = false;
};

struct StatusTrigger {
    int handle = 0;
    int kind = 0;
    uint8_t modemMask = 0;   // kind 1
    uint8_t modemArmed = 0;  // masked modem status when armed
    uint8_t lineMask = 0;    // kind 2
    uint32_t level = 0;      // kinds 3 and 4
    uint64_t writesAtArm = 0; // kind 5
    bool active = false;
    bool fired = false;      // fired in this pass
};

struct DataTrigger {
    int handle = 0;
    std::string pattern;
    bool ignoreCase = false;
    size_t matchPos = 0;
    bool matched = false;
};

// What the status checks look at.
struct StatusSnapshot {
    uint8_t modemStatus = 0;
    uint8_t lineErrors = 0;
    uint32_t outputFree = 0;
    uint32_t outputCount = 0;
    uint64_t writes = 0;     // writes handed to the device so far
};

class TriggerTables {
public:
    void clear(); // removes every trigger; the handle counter restarts at 1

    int newTimer();                 // handle, inactive until armed
    int newStatus(int kind);        // handle or -ecBadArgument for kinds outside 1..5
    int newData(const std::string &pattern, bool ignoreCase); // handle or negative code
    // ticks 0 keeps the previous length. Returns 0 or -ecBadTriggerHandle.
    int armTimer(int handle, int64_t ticks, bool activate, int64_t now);
    int armStatus(int handle, uint32_t value, bool activate, const StatusSnapshot &s);
    int drop(int handle);           // 0 or -ecBadTriggerHandle

    // The first active status trigger, not yet fired in this pass, whose
    // condition holds; it is made inactive and marked fired. 0 when none.
    // value receives the byte count for kinds 3 and 4.
    int nextFiringStatus(const StatusSnapshot &s, uint32_t &value);
    // The first active timer whose expiry tick has passed, made inactive. 0 when none.
    int nextExpiredTimer(int64_t now);
    // Feeds one received byte to the data triggers; returns the handles matched.
    void feedData(uint8_t byte, std::vector<std::pair<int, int>> &matches);
    void resetDataMatches();
    void clearFiredFlags();
    // Whether a trigger that fired in this pass was re-armed and would fire
    // again now (the dispatcher then starts another pass at once).
    bool refireWaiting(const StatusSnapshot &s) const;

    bool hasActiveStatus() const;
    // Kind of a status handle's trigger, 0 if unknown.
    int statusKind(int handle) const;

    // Saved copies for the port's close/reopen.
    std::vector<TimerTrigger> timers;
    std::vector<StatusTrigger> statuses;
    std::vector<DataTrigger> datas;
    int counter = 1;

private:
    static bool holds(const StatusTrigger &t, const StatusSnapshot &s, uint32_t &value);
    int allocate(int lowBits);
    bool inUse(int base) const;
};

} // namespace qln
