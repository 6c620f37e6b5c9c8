#include "comms/triggers.h"

#include "comms/dispatchercodes.h"

#include <algorithm>
#include <cctype>

namespace qln {

void TriggerTables::clear()
{
    timers.clear();
    statuses.clear();
    datas.clear();
    counter = 1;
}

bool TriggerTables::inUse(int base) const
{
    for (const auto &t : timers)
        if ((t.handle & ~7) == base)
            return true;
    for (const auto &t : statuses)
        if ((t.handle & ~7) == base)
            return true;
    for (const auto &t : datas)
        if ((t.handle & ~7) == base)
            return true;
    return false;
}

int TriggerTables::allocate(int lowBits)
{
    int base;
    if (counter <= 4096) {
        base = counter * 8;
        ++counter;
    } else {
        base = 8;
        while (inUse(base))
            base += 8;
    }
    return base | lowBits;
}

int TriggerTables::newTimer()
{
    TimerTrigger t;
    t.handle = allocate(0);
    timers.push_back(t);
    return t.handle;
}

int TriggerTables::newStatus(int kind)
{
    if (kind < stModem || kind > stOutSent)
        return -ecBadArgument;
    StatusTrigger t;
    t.kind = kind;
    t.handle = allocate(kind);
    statuses.push_back(t);
    return t.handle;
}

int TriggerTables::newData(const std::string &pattern, bool ignoreCase)
{
    if (pattern.empty())
        return -ecBadArgument;
    if (pattern.size() > kMaxDataTriggerLen)
        return -ecTriggerTooLong;
    DataTrigger t;
    t.handle = allocate(0);
    t.pattern = pattern;
    t.ignoreCase = ignoreCase;
    datas.push_back(t);
    return t.handle;
}

int TriggerTables::armTimer(int handle, int64_t ticks, bool activate, int64_t now)
{
    if (handle < 2)
        return -ecBadTriggerHandle;
    for (auto &t : timers) {
        if (t.handle != handle)
            continue;
        if (ticks != 0)
            t.length = std::min<int64_t>(std::max<int64_t>(ticks, 0), kMaxTimerTicks);
        t.startTick = now;
        t.expiryTick = now + t.length;
        t.active = activate;
        return 0;
    }
    return -ecBadTriggerHandle;
}

int TriggerTables::armStatus(int handle, uint32_t value, bool activate, const StatusSnapshot &s)
{
    if (handle < 2)
        return -ecBadTriggerHandle;
    for (auto &t : statuses) {
        if (t.handle != handle)
            continue;
        switch (t.kind) {
        case stModem:
            t.modemMask = uint8_t(value);
            t.modemArmed = uint8_t(s.modemStatus & t.modemMask);
            break;
        case stLine:
            t.lineMask = uint8_t(value);
            break;
        case stOutBuffFree:
        case stOutBuffUsed:
            t.level = value;
            break;
        case stOutSent:
            t.writesAtArm = s.writes;
            break;
        }
        t.active = activate;
        return 0;
    }
    return -ecBadTriggerHandle;
}

int TriggerTables::drop(int handle)
{
    if (handle < 2)
        return -ecBadTriggerHandle;
    auto match = [handle](const auto &t) { return t.handle == handle; };
    if (auto it = std::find_if(timers.begin(), timers.end(), match); it != timers.end()) {
        timers.erase(it);
        return 0;
    }
    if (auto it = std::find_if(statuses.begin(), statuses.end(), match); it != statuses.end()) {
        statuses.erase(it);
        return 0;
    }
    if (auto it = std::find_if(datas.begin(), datas.end(), match); it != datas.end()) {
        datas.erase(it);
        return 0;
    }
    return -ecBadTriggerHandle;
}

bool TriggerTables::holds(const StatusTrigger &t, const StatusSnapshot &s, uint32_t &value)
{
    value = 0;
    switch (t.kind) {
    case stModem:
        return (s.modemStatus & t.modemMask) != t.modemArmed;
    case stLine:
        return (s.lineErrors & t.lineMask) != 0;
    case stOutBuffFree:
        value = s.outputFree;
        return s.outputFree >= t.level;
    case stOutBuffUsed:
        value = s.outputCount;
        return s.outputCount <= t.level;
    case stOutSent:
        return s.writes != t.writesAtArm;
    }
    return false;
}

int TriggerTables::nextFiringStatus(const StatusSnapshot &s, uint32_t &value)
{
    for (auto &t : statuses) {
        if (t.active && !t.fired && holds(t, s, value)) {
            t.active = false;
            t.fired = true;
            return t.handle;
        }
    }
    return 0;
}

bool TriggerTables::refireWaiting(const StatusSnapshot &s) const
{
    uint32_t value;
    for (const auto &t : statuses)
        if (t.active && t.fired && holds(t, s, value))
            return true;
    return false;
}

int TriggerTables::nextExpiredTimer(int64_t now)
{
    for (auto &t : timers) {
        if (t.active && now - t.expiryTick >= 0) {
            t.active = false;
            return t.handle;
        }
    }
    return 0;
}

void TriggerTables::feedData(uint8_t byte, std::vector<std::pair<int, int>> &matches)
{
    for (auto &t : datas) {
        auto norm = [&t](uint8_t c) { return t.ignoreCase ? std::toupper(c) : int(c); };
        if (norm(byte) == norm(uint8_t(t.pattern[t.matchPos]))) {
            if (++t.matchPos == t.pattern.size()) {
                t.matched = true;
                t.matchPos = 0;
                matches.emplace_back(t.handle, int(t.pattern.size()));
            }
        } else {
            t.matchPos = norm(byte) == norm(uint8_t(t.pattern[0])) ? 1 : 0;
        }
    }
}

void TriggerTables::resetDataMatches()
{
    for (auto &t : datas) {
        t.matchPos = 0;
        t.matched = false;
    }
}

void TriggerTables::clearFiredFlags()
{
    for (auto &t : statuses)
        t.fired = false;
}

bool TriggerTables::hasActiveStatus() const
{
    return std::any_of(statuses.begin(), statuses.end(), [](const auto &t) { return t.active; });
}

int TriggerTables::statusKind(int handle) const
{
    for (const auto &t : statuses)
        if (t.handle == handle)
            return t.kind;
    return 0;
}

} // namespace qln
