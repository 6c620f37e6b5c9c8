#include "comms/comthreads.h"

#include "comms/dispatcher.h"
#include "comms/uibridge.h"

#ifdef QLN_HAVE_COMMON
#include "common/messages.h"
#endif

#include <cstdio>
#include <exception>
#include <string>

namespace qln {

void TApdEvent::Set()
{
    std::lock_guard lock(mutex_);
    signalled_ = true;
    if (manual_)
        cv_.notify_all();
    else
        cv_.notify_one();
}

void TApdEvent::Reset()
{
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool TApdEvent::Wait(int ms)
{
    std::unique_lock lock(mutex_);
    bool ok;
    if (ms < 0) {
        cv_.wait(lock, [this] { return signalled_; });
        ok = true;
    } else {
        ok = cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return signalled_; });
    }
    if (ok && !manual_)
        signalled_ = false;
    return ok;
}

TApdDispatcherThread::~TApdDispatcherThread()
{
    if (thread_.joinable())
        thread_.join();
}

void TApdDispatcherThread::Start()
{
    ++owner_.threadCount_;
    thread_ = std::thread([this] { Run(); });
}

void TApdDispatcherThread::Join()
{
    if (thread_.joinable() && !IsCurrent())
        thread_.join();
}

namespace {

// Shows an exception that ended a dispatcher thread in the application's
// error box (on the UI thread), and on stderr.
void reportThreadException(const std::string &text)
{
    std::fprintf(stderr, "quillon: dispatcher thread ended by an exception: %s\n", text.c_str());
#ifdef QLN_HAVE_COMMON
    UiBridge::Post([text] { messages().errorBox(text); });
#endif
}

} // namespace

void TApdDispatcherThread::Run()
{
    try {
        Execute();
    } catch (const std::exception &e) {
        // A handler failed on this thread: report it and end the thread.
        owner_.AddLogEntry(dtError, dstThreadExit, 0, e.what(), std::char_traits<char>::length(e.what()));
        reportThreadException(e.what());
    } catch (...) {
        reportThreadException("unknown exception");
    }
    owner_.ThreadEnded();
}

void TComThread::Execute()
{
    auto &d = owner_;
    d.AddLogEntry(dtThread, dstThreadStart, 1);
    d.generalEvent_->Set();
    while (!d.closing_) {
        uint32_t bits = d.WaitDeviceEvent();
        if (d.closing_)
            break;
        if (bits == 0)
            continue;
        if (bits & evRing)
            d.ringFlag_ = true;
        d.pendingEvents_.fetch_or(bits);
        d.comEvent_->Set();
        d.readyEvent_->Wait(-1);
        if (bits & evHangup)
            break; // the device is gone; nothing more will come from it
    }
    d.AddLogEntry(dtThread, dstThreadExit, 1);
    d.generalEvent_->Set();
}

void TDispThread::Execute()
{
    auto &d = owner_;
    d.AddLogEntry(dtThread, dstThreadStart, 2);
    d.generalEvent_->Set();
    while (!d.closing_) {
        bool event = d.comEvent_->Wait(50);
        if (d.closing_)
            break;
        if (!event) {
            d.ReadInput();
            d.CheckDataAndAvail();
        } else {
            d.ProcessEvent(d.pendingEvents_.exchange(0));
            d.readyEvent_->Set();
        }
        d.CheckStatusTriggers();
        d.CheckTimerTriggers();
        std::lock_guard lock(d.mainLock_);
        if (d.triggers_.refireWaiting(d.Snapshot())) {
            // Re-armed in this pass and due again: run the next pass now
            // rather than at the next poll.
            d.pendingEvents_.fetch_or(evOutput);
            d.comEvent_->Set();
        }
        d.triggers_.clearFiredFlags();
    }
    d.readyEvent_->Set(); // release the com thread if it waits
    d.AddLogEntry(dtThread, dstThreadExit, 2);
    d.generalEvent_->Set();
}

void TOutThread::Execute()
{
    auto &d = owner_;
    d.AddLogEntry(dtThread, dstThreadStart, 3);
    d.generalEvent_->Set();
    while (!d.closing_) {
        if (!d.outputQueued_->Wait(50))
            continue;
        if (d.closing_)
            break;
        d.WriteOutput();
    }
    d.AddLogEntry(dtThread, dstThreadExit, 3);
    d.generalEvent_->Set();
}

} // namespace qln
