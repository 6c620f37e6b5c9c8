// The dispatcher's worker threads and the event object they synchronise on.
//
// TComThread waits for device events and hands them to TDispThread (com-event),
// then waits until they are processed (ready event). TDispThread reads input,
// checks triggers and calls the handlers. TOutThread writes the output ring to
// the device. Each thread signals the general event when it has started and
// when it ends, and decrements the dispatcher's thread count at its end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace qln {

class TApdBaseDispatcher;

// Auto- or manual-reset event. Thread-safe.
class TApdEvent {
public:
    explicit TApdEvent(bool manualReset = false) : manual_(manualReset) {}
    void Set();
    void Reset();
    // Waits up to ms milliseconds (negative: without limit); true when signalled.
    bool Wait(int ms);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool manual_;
    bool signalled_ = false;
};

class TApdDispatcherThread {
public:
    explicit TApdDispatcherThread(TApdBaseDispatcher &owner) : owner_(owner) {}
    virtual ~TApdDispatcherThread();
    void Start();
    void Join();
    bool Joinable() const { return thread_.joinable(); }
    bool IsCurrent() const { return thread_.get_id() == std::this_thread::get_id(); }

protected:
    virtual void Execute() = 0;
    TApdBaseDispatcher &owner_;

private:
    void Run();
    std::thread thread_;
};

class TComThread : public TApdDispatcherThread {
public:
    using TApdDispatcherThread::TApdDispatcherThread;

protected:
    void Execute() override;
};

class TDispThread : public TApdDispatcherThread {
public:
    using TApdDispatcherThread::TApdDispatcherThread;

protected:
    void Execute() override;
};

class TOutThread : public TApdDispatcherThread {
public:
    using TApdDispatcherThread::TApdDispatcherThread;

protected:
    void Execute() override;
};

} // namespace qln
