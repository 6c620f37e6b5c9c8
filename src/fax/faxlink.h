// FaxLink: what a fax session needs of its port and dispatcher.
//
// The session state machines talk to the modem only through this interface:
// byte I/O on the port's rings, modem lines, speed and flow control, pauses,
// the tick clock, and the four triggers a session arms (response timer,
// status timer, output-free level, output-used level). The dispatcher binding
// implements it over a TApdComPort; tests implement it with a scripted modem
// and a virtual clock, so whole dialogues run deterministically.
//
// Threading: called only from the thread that runs the session step (the
// dispatcher thread, or the user-interface thread during preparation and a
// cancel, never both at once).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qln::fax {

// Why the session is being stepped.
enum class FaxTrigger {
    None,          // an immediate follow-up step
    Data,          // bytes are waiting
    ResponseTimer, // the response timer elapsed
    StatusTimer,   // the status timer elapsed
    OutputFree,    // the output ring has at least the armed free space
    OutputUsed,    // the output ring holds at most the armed byte count
    Cancel,        // CancelSession
};

class FaxLink {
public:
    virtual ~FaxLink() = default;

    // Queues bytes for the modem: 0, or a negative code when the output ring
    // lacks room (nothing is queued then).
    virtual int writeBlock(const uint8_t *data, std::size_t len) = 0;
    virtual std::size_t inputCount() = 0;
    // Next input byte, or a negative code when none is waiting.
    virtual int readByte() = 0;
    virtual std::size_t outputCount() = 0;
    virtual std::size_t outputFree() = 0;
    virtual void flushInput() = 0;
    virtual void flushOutput() = 0;
    virtual void setDTR(bool on) = 0;
    virtual void setRTS(bool on) = 0;
    virtual bool carrier() = 0; // DCD
    virtual void setBaud(int bps) = 0;
    // The port's line speed now (bits per second).
    virtual int currentBaud() = 0;
    // XON/XOFF while page data flows: transmit side, and receive side with
    // the stop and resume levels.
    virtual void setTxFlow(bool on) = 0;
    virtual void setRxFlow(bool on, int stopLevel, int resumeLevel) = 0;

    // A pause on the session thread.
    virtual void pause(int ms) = 0;
    // Waits up to ms for input within a step (the reply to a command the
    // step wrote); true when input is waiting. It works on the dispatcher
    // thread too, where the input ring is filled only between steps.
    virtual bool waitForInput(int ms)
    {
        if (inputCount() > 0)
            return true;
        pause(ms);
        return inputCount() > 0;
    }
    // Ticks of 55 ms.
    virtual long ticks() = 0;

    // Triggers. A status timer of 0 ticks is disarmed.
    virtual void armResponseTimer(long ticks) = 0;
    virtual void disarmResponseTimer() = 0;
    virtual void armStatusTimer(long ticks) = 0;
    virtual void armOutputFree(std::size_t freeBytes) = 0;
    virtual void armOutputUsed(std::size_t usedBytes) = 0;
    virtual void disarmOutputTriggers() = 0;

    // Dispatch log: a line of text, and the state a step begins in (the
    // code of faxStateLogCode, recorded as the "Fax" kind's sub-kind).
    virtual void logState(const std::string &text) = 0;
    virtual void logFaxState(int /*code*/) {}
};

} // namespace qln::fax
