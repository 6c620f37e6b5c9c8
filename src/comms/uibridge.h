// Bridge to the user-interface thread. A worker thread hands a call to the UI
// thread and waits for its answer up to a time limit ("no answer" when the
// limit runs out), or posts a call without waiting. Stands in for the hidden
// message windows of the engine ("awComWindow", "awFaxHandler").
//
// The UI thread is the thread of the Qt application object. Without an
// application object (command-line use, unit tests) the bridge runs its own
// event thread, so that sends and posts keep their order and semantics.
//
// Thread-safe. A call made on the UI thread itself runs at once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace qln {

class UiBridge {
public:
    // Runs fn on the UI thread and waits at most limitMs for its result.
    // std::nullopt means "no answer": the limit ran out (a call that had not
    // started by then is dropped; one already running finishes unobserved).
    static std::optional<intptr_t> Send(std::function<intptr_t()> fn, int limitMs);
    // Runs fn on the UI thread and waits at most limitMs for it to finish.
    // Unlike Send, a call that has not started by then is not dropped: it
    // stays queued and runs later, in order. For events that must reach the
    // user-interface side (a received fax, an error) even when it is busy.
    // Returns whether fn finished within the limit.
    static bool Deliver(std::function<void()> fn, int limitMs);
    // Queues fn for the UI thread and returns at once.
    static void Post(std::function<void()> fn);
    // True on the thread that runs bridged calls.
    static bool OnUiThread();
    // Lets pending UI events (and bridged calls) run; only acts on the UI thread.
    static void ProcessMessages();
};

} // namespace qln
