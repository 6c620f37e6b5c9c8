// TApdBaseDispatcher: the trigger machine. Reading input, device events,
// status/timer/data/avail checks and the dispatch routine that calls the
// handlers (event handlers directly, window handlers through the UI bridge).
#include "comms/dispatcher.h"

#include "comms/comthreads.h"
#include "comms/uibridge.h"

#include <algorithm>

namespace qln {

namespace {
constexpr int kWindowSendLimitMs = 3000;
}

// ---- Trigger operations ---------------------------------------------------

void TApdBaseDispatcher::SetAvailLevel(uint32_t level)
{
    std::lock_guard lock(mainLock_);
    availLevel_ = level;
    AddLogEntry(dtTriggerAlloc, dstAvail, level);
}

int TApdBaseDispatcher::NewTimerTrigger()
{
    std::lock_guard lock(mainLock_);
    int h = triggers_.newTimer();
    AddLogEntry(dtTriggerAlloc, dstTimer, uint32_t(h));
    return h;
}

int TApdBaseDispatcher::NewStatusTrigger(int kind)
{
    std::lock_guard lock(mainLock_);
    int h = triggers_.newStatus(kind);
    if (h > 0)
        AddLogEntry(dtTriggerAlloc, dstStatus, uint32_t(h));
    return h;
}

int TApdBaseDispatcher::NewDataTrigger(const std::string &pattern, bool ignoreCase)
{
    std::lock_guard lock(mainLock_);
    int h = triggers_.newData(pattern, ignoreCase);
    if (h > 0)
        AddLogEntry(dtTriggerAlloc, dstData, uint32_t(h), pattern.data(), pattern.size());
    return h;
}

int TApdBaseDispatcher::ArmTimerTrigger(int handle, int64_t ticks, bool activate)
{
    std::lock_guard lock(mainLock_);
    int rc = triggers_.armTimer(handle, ticks, activate, DispatcherTick());
    if (rc == 0)
        AddLogEntry(dtTrigger, dstTimer, uint32_t(handle));
    return rc;
}

int TApdBaseDispatcher::ArmStatusTrigger(int handle, uint32_t value, bool activate)
{
    std::lock_guard lock(mainLock_);
    int rc = triggers_.armStatus(handle, value, activate, Snapshot());
    if (rc == 0) {
        AddLogEntry(dtTrigger, dstStatus, uint32_t(handle));
        UpdateOutputWakeLevels();
        if (activate) {
            // Its condition may hold already: check at once, not at the next poll.
            pendingEvents_.fetch_or(evOutput);
            comEvent_->Set();
        }
    }
    return rc;
}

void TApdBaseDispatcher::UpdateOutputWakeLevels()
{
    uint32_t onFree = UINT32_MAX;
    int64_t onUsed = -1;
    bool onSent = false;
    for (const auto &t : triggers_.statuses) {
        if (!t.active)
            continue;
        if (t.kind == stOutBuffFree)
            onFree = std::min(onFree, t.level);
        else if (t.kind == stOutBuffUsed)
            onUsed = std::max<int64_t>(onUsed, t.level);
        else if (t.kind == stOutSent)
            onSent = true;
    }
    wakeOnFree_ = onFree;
    wakeOnUsed_ = onUsed;
    wakeOnSent_ = onSent;
}

int TApdBaseDispatcher::DropTrigger(int handle)
{
    std::lock_guard lock(mainLock_);
    if (handle == kAvailTriggerHandle) {
        availLevel_ = 0;
        AddLogEntry(dtTriggerDispose, dstAvail, 0);
        return 0;
    }
    int rc = triggers_.drop(handle);
    if (rc == 0) {
        uint8_t sub = (handle & 7) ? uint8_t(dstStatus) : uint8_t(dstTimer);
        AddLogEntry(dtTriggerDispose, sub, uint32_t(handle));
    }
    return rc;
}

TApdBaseDispatcher::SavedTriggers TApdBaseDispatcher::SaveTriggers()
{
    std::lock_guard lock(mainLock_);
    return {triggers_, availLevel_};
}

void TApdBaseDispatcher::RestoreTriggers(const SavedTriggers &saved)
{
    std::lock_guard lock(mainLock_);
    triggers_ = saved.tables;
    availLevel_ = saved.availLevel;
    triggers_.clearFiredFlags();
    UpdateOutputWakeLevels();
}

StatusSnapshot TApdBaseDispatcher::Snapshot()
{
    StatusSnapshot s;
    s.modemStatus = modemStatus_;
    s.lineErrors = lineErrors_;
    std::lock_guard out(outLock_);
    s.outputCount = uint32_t(outRing_.count());
    s.outputFree = uint32_t(outRing_.freeSpace());
    s.writes = writes_;
    return s;
}

// ---- Input and device events ----------------------------------------------

void TApdBaseDispatcher::ReadInput()
{
    if (deviceLost_)
        return;
    std::lock_guard lock(mainLock_);
    for (int part = 0; part < 2; ++part) {
        size_t waiting = DeviceInputWaiting();
        if (waiting == 0)
            break;
        uint8_t *span;
        size_t len;
        {
            std::lock_guard in(inLock_);
            span = inRing_.writeSpan(len);
        }
        if (!span)
            break;
        len = std::min(len, waiting);
        long n = ReadDevice(span, len);
        if (n <= 0)
            break; // a failed read counts as no bytes
        {
            std::lock_guard in(inLock_);
            inRing_.commitWrite(size_t(n));
            newBytes_ = true;
        }
        inputArrived_.notify_all();
        if (log_.on())
            AddLogEntry(dtDispatch, dstReadCom, uint32_t(n), span, size_t(n));
        if (!triggers_.datas.empty()) {
            std::vector<std::pair<int, int>> matches;
            for (long i = 0; i < n; ++i)
                triggers_.feedData(span[i], matches);
            pendingMatches_.insert(pendingMatches_.end(), matches.begin(), matches.end());
        }
    }
}

void TApdBaseDispatcher::UpdateModemStatus(bool ring)
{
    std::lock_guard lock(mainLock_);
    uint8_t high = 0;
    if (ReadModemLines(high) != 0)
        return;
    uint8_t old = modemStatus_;
    uint8_t change = uint8_t(((old ^ high) & 0xF0) >> 4);
    if (ring)
        change |= msTERI;
    modemStatus_ = uint8_t((high & 0xF0) | (old & 0x0F) | change);
    AddLogEntry(dtDispatch, dstModemStatus, modemStatus_);
}

void TApdBaseDispatcher::DeviceGone()
{
    std::lock_guard lock(mainLock_);
    if (deviceLost_.exchange(true))
        return;
    inputArrived_.notify_all();
    // Every line drops: report it as a modem status change.
    uint8_t old = modemStatus_;
    modemStatus_ = uint8_t(((old & 0xF0) >> 4) | (old & 0x0F));
    AddLogEntry(dtError, dstModemStatus, modemStatus_);
    pendingEvents_.fetch_or(evModem);
    comEvent_->Set();
}

void TApdBaseDispatcher::ProcessEvent(uint32_t bits)
{
    if (bits & evHangup) {
        ReadInput(); // what arrived before the loss still counts
        DeviceGone();
    }
    if (bits & (evModem | evRing)) {
        if (!deviceLost_)
            UpdateModemStatus(ringFlag_.exchange(false));
        CheckStatusTriggers();
    }
    if (bits & (evError | evBreak)) {
        std::lock_guard lock(mainLock_);
        if (bits & evBreak) {
            lineBreak_ = true;
            lineErrors_ |= leBreak;
        }
        AddLogEntry(dtDispatch, dstLineStatus, lineErrors_);
    }
    ReadInput();
    CheckStatusTriggers();
    CheckDataAndAvail();
}

// ---- Checks ---------------------------------------------------------------

void TApdBaseDispatcher::CheckStatusTriggers()
{
    for (;;) {
        if (closing_ || suspended_ || handlersRunning_)
            return;
        int handle;
        uint32_t value = 0;
        {
            std::lock_guard lock(mainLock_);
            handle = triggers_.nextFiringStatus(Snapshot(), value);
            if (handle)
                AddLogEntry(dtTrigger, dstStatus, uint32_t(handle));
        }
        if (!handle)
            return;
        DispatchTrigger(msgTriggerStatus, uint32_t(handle), value & 0xFFFF);
    }
}

void TApdBaseDispatcher::CheckTimerTriggers()
{
    for (;;) {
        if (closing_ || suspended_ || handlersRunning_)
            return;
        int handle;
        {
            std::lock_guard lock(mainLock_);
            handle = triggers_.nextExpiredTimer(DispatcherTick());
            if (handle)
                AddLogEntry(dtTrigger, dstTimer, uint32_t(handle));
        }
        if (!handle)
            return;
        DispatchTrigger(msgTriggerTimer, uint32_t(handle), 0);
    }
}

void TApdBaseDispatcher::CheckDataAndAvail()
{
    if (closing_ || suspended_ || handlersRunning_)
        return;
    std::vector<std::pair<int, int>> matches;
    {
        std::lock_guard lock(mainLock_);
        matches.swap(pendingMatches_);
    }
    for (auto [handle, len] : matches)
        DispatchTrigger(msgTriggerData, uint32_t(handle), uint32_t(len));
    for (;;) {
        if (closing_ || suspended_ || handlersRunning_)
            return;
        uint32_t count;
        {
            std::lock_guard lock(mainLock_);
            std::lock_guard in(inLock_);
            count = uint32_t(inRing_.count());
            if (availLevel_ == 0 || !newBytes_ || count < availLevel_)
                return;
            newBytes_ = false;
        }
        if (!DispatchTrigger(msgTriggerAvail, count, 0))
            return; // handlers left bytes: no further avail messages this pass
        ReadInput();
    }
}

bool TApdBaseDispatcher::DispatchTrigger(uint32_t msg, uint32_t wParam, uint32_t lowData)
{
    bool sharedMode = msg == msgTriggerAvail || msg == msgTriggerData;
    size_t handlerCount, windowCount;
    {
        std::lock_guard lock(mainLock_);
        if (handlers_.empty() && windows_.empty())
            return false;
        handlersRunning_ = true;
        handlerCount = handlers_.size();
        windowCount = windows_.size();
        if (sharedMode) {
            std::lock_guard in(inLock_);
            sharedRead_ = true;
            sharedMax_ = 0;
            sharedConsumed_ = 0;
        }
    }
    const int32_t lParam = int32_t((uint32_t(index_) << 16) | (lowData & 0xFFFF));
    auto beginHandler = [this, sharedMode] {
        if (sharedMode) {
            std::lock_guard in(inLock_);
            sharedConsumed_ = 0;
        }
    };

    // Event handlers, directly on this thread. The lists only grow while
    // handlers run, so indices stay valid.
    for (size_t i = 0; i < handlerCount && !closing_; ++i) {
        TApdEventHandler fn;
        {
            std::lock_guard lock(mainLock_);
            if (handlers_[i].deleted)
                continue;
            fn = handlers_[i].fn;
        }
        beginHandler();
        fn(msg, wParam, lParam);
    }
    // Window handlers on the UI thread, when more than one is attached or the
    // application wants the port's trigger events.
    if (windowCount > 1 || windowEventsWanted_) {
        for (size_t i = 0; i < windowCount && !closing_; ++i) {
            std::weak_ptr<TApdWindowHandler> target;
            {
                std::lock_guard lock(mainLock_);
                if (windows_[i].deleted)
                    continue;
                target = windows_[i].window;
            }
            beginHandler();
            UiBridge::Send(
                [target, msg, wParam, lParam]() -> intptr_t {
                    if (auto w = target.lock())
                        return w->WndProc(msg, wParam, lParam);
                    return 0;
                },
                kWindowSendLimitMs);
        }
    }

    bool allConsumed = true;
    std::lock_guard lock(mainLock_);
    if (sharedMode) {
        std::lock_guard in(inLock_);
        size_t consumed = std::min(sharedMax_, inRing_.count());
        inRing_.advance(consumed);
        sharedRead_ = false;
        sharedConsumed_ = sharedMax_ = 0;
        if (msg == msgTriggerAvail && consumed < wParam)
            allConsumed = false;
    }
    handlersRunning_ = false;
    RemoveDeletedHandlers();
    return allConsumed;
}

} // namespace qln
