// The one file of the engine that uses Qt: it runs bridged calls on the
// thread of the Qt application object, or on a private event thread when the
// process has no application object.
#include "comms/uibridge.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace qln {

namespace {

// Event thread used when there is no Qt application object. Lives for the
// whole process (it is never joined; it only waits on its queue).
class FallbackLoop {
public:
    static FallbackLoop &instance()
    {
        static FallbackLoop *loop = new FallbackLoop; // intentionally never destroyed
        return *loop;
    }
    void post(std::function<void()> fn)
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
        cv_.notify_one();
    }
    bool onThread() const { return std::this_thread::get_id() == id_; }

private:
    FallbackLoop()
    {
        std::thread t([this] { run(); });
        id_ = t.get_id();
        t.detach();
    }
    void run()
    {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock lock(mutex_);
                cv_.wait(lock, [this] { return !queue_.empty(); });
                fn = std::move(queue_.front());
                queue_.pop_front();
            }
            fn();
        }
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
    std::thread::id id_;
};

struct PendingCall {
    std::mutex mutex;
    std::condition_variable cv;
    bool started = false;
    bool abandoned = false;
    bool done = false;
    intptr_t result = 0;
};

void postToUi(std::function<void()> fn)
{
    if (auto *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
    else
        FallbackLoop::instance().post(std::move(fn));
}

} // namespace

bool UiBridge::OnUiThread()
{
    if (auto *app = QCoreApplication::instance())
        return QThread::currentThread() == app->thread();
    return FallbackLoop::instance().onThread();
}

std::optional<intptr_t> UiBridge::Send(std::function<intptr_t()> fn, int limitMs)
{
    if (OnUiThread())
        return fn();
    auto call = std::make_shared<PendingCall>();
    postToUi([call, fn = std::move(fn)] {
        {
            std::lock_guard lock(call->mutex);
            if (call->abandoned)
                return;
            call->started = true;
        }
        intptr_t r = fn();
        std::lock_guard lock(call->mutex);
        call->result = r;
        call->done = true;
        call->cv.notify_all();
    });
    std::unique_lock lock(call->mutex);
    if (call->cv.wait_for(lock, std::chrono::milliseconds(limitMs), [&] { return call->done; }))
        return call->result;
    call->abandoned = true;
    return std::nullopt;
}

bool UiBridge::Deliver(std::function<void()> fn, int limitMs)
{
    if (OnUiThread()) {
        fn();
        return true;
    }
    auto call = std::make_shared<PendingCall>();
    postToUi([call, fn = std::move(fn)] {
        fn();
        std::lock_guard lock(call->mutex);
        call->done = true;
        call->cv.notify_all();
    });
    std::unique_lock lock(call->mutex);
    return call->cv.wait_for(lock, std::chrono::milliseconds(limitMs), [&] { return call->done; });
}

void UiBridge::Post(std::function<void()> fn) { postToUi(std::move(fn)); }

void UiBridge::ProcessMessages()
{
    if (QCoreApplication::instance() && OnUiThread())
        QCoreApplication::processEvents();
}

} // namespace qln
