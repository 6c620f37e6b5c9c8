// TApdBaseDispatcher: handler lists, protocol slots, dispatch suspension and
// the trace and log controls.
#include "comms/dispatcher.h"

#include <algorithm>
#include <chrono>

namespace qln {

namespace {

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

// ---- Handlers and slots ---------------------------------------------------

void TApdBaseDispatcher::AttachWindow(const std::shared_ptr<TApdWindowHandler> &window)
{
    std::lock_guard lock(mainLock_);
    windows_.push_back({window, window.get(), false});
    AddLogEntry(dtTriggerHandlerAlloc, dstWindow, uint32_t(windows_.size()));
}

void TApdBaseDispatcher::DetachWindow(const TApdWindowHandler *window)
{
    std::lock_guard lock(mainLock_);
    for (auto &w : windows_)
        if (w.key == window && !w.deleted) {
            w.deleted = true;
            AddLogEntry(dtTriggerHandlerDispose, dstWindow, 0);
        }
    if (!handlersRunning_)
        RemoveDeletedHandlers();
}

int TApdBaseDispatcher::AttachHandler(TApdEventHandler handler)
{
    std::lock_guard lock(mainLock_);
    int id = nextHandlerId_++;
    handlers_.push_back({id, std::move(handler), false});
    AddLogEntry(dtTriggerHandlerAlloc, dstProcedure, uint32_t(id));
    return id;
}

void TApdBaseDispatcher::DetachHandler(int id)
{
    std::lock_guard lock(mainLock_);
    for (auto &h : handlers_)
        if (h.id == id && !h.deleted) {
            h.deleted = true;
            AddLogEntry(dtTriggerHandlerDispose, dstProcedure, uint32_t(id));
        }
    if (!handlersRunning_)
        RemoveDeletedHandlers();
}

void TApdBaseDispatcher::RemoveDeletedHandlers()
{
    std::erase_if(handlers_, [](const HandlerEntry &h) { return h.deleted; });
    std::erase_if(windows_, [](const WindowEntry &w) { return w.deleted; });
}

int TApdBaseDispatcher::SetSlot(int slot, void *data)
{
    if (slot < 1 || slot > 3)
        return -ecBadArgument;
    std::lock_guard lock(mainLock_);
    slots_[slot - 1] = data;
    return 0;
}

void *TApdBaseDispatcher::GetSlot(int slot)
{
    if (slot < 1 || slot > 3)
        return nullptr;
    std::lock_guard lock(mainLock_);
    return slots_[slot - 1];
}

bool TApdBaseDispatcher::SuspendDispatch(bool on) { return suspended_.exchange(on); }

// ---- Trace and log --------------------------------------------------------

void TApdBaseDispatcher::StartTracing(uint32_t entries)
{
    std::lock_guard lock(mainLock_);
    trace_.start(entries);
}

void TApdBaseDispatcher::StopTracing()
{
    std::lock_guard lock(mainLock_);
    trace_.stop();
}

void TApdBaseDispatcher::PauseTracing(bool paused)
{
    std::lock_guard lock(mainLock_);
    trace_.setPaused(paused);
}

void TApdBaseDispatcher::ClearTracing()
{
    std::lock_guard lock(mainLock_);
    trace_.clear();
}

bool TApdBaseDispatcher::TracingOn() const { return trace_.on(); }

int TApdBaseDispatcher::DumpTrace(const std::string &file, bool append, bool hex, bool allHex)
{
    std::string text;
    {
        std::lock_guard lock(mainLock_);
        if (!trace_.on())
            return -ecTracingNotEnabled;
        text = trace_.format(hex, allHex);
        trace_.stop();
    }
    return writeDumpFile(file, text, append);
}

void TApdBaseDispatcher::StartLogging(uint32_t bytes)
{
    std::lock_guard lock(mainLock_);
    log_.start(bytes);
}

void TApdBaseDispatcher::StopLogging()
{
    std::lock_guard lock(mainLock_);
    log_.stop();
}

void TApdBaseDispatcher::PauseLogging(bool paused)
{
    std::lock_guard lock(mainLock_);
    log_.setPaused(paused);
}

void TApdBaseDispatcher::ClearLogging()
{
    std::lock_guard lock(mainLock_);
    log_.clear();
}

bool TApdBaseDispatcher::LoggingOn() const { return log_.on(); }

int TApdBaseDispatcher::DumpLog(const std::string &file, bool append, bool hex, bool allHex)
{
    std::string text;
    {
        std::lock_guard lock(mainLock_);
        if (!log_.on())
            return -ecLoggingNotEnabled;
        std::string name = comNumber_ > 0 ? "COM" + std::to_string(comNumber_) : device_;
        text = log_.format(name, hex, allHex);
        log_.stop();
    }
    return writeDumpFile(file, text, append);
}

void TApdBaseDispatcher::AddLogEntry(uint8_t kind, uint8_t subKind, uint32_t data,
                                     const void *bytes, size_t len)
{
    std::lock_guard lock(mainLock_);
    if (!log_.on())
        return;
    log_.add(kind, subKind, uint32_t(nowMs() - openedAtMs_), data,
             static_cast<const uint8_t *>(bytes), len);
}

} // namespace qln
