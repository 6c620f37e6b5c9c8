// FaxDispatchLink: the FaxLink of a session running on a port's dispatcher.
//
// attach() sets the avail level to one byte, creates the session's two timer
// triggers (response, status) and two output-level status triggers, and
// registers an event handler that turns the dispatcher's trigger messages
// into session steps. detach() removes them again. A port whose device
// vanished ends the session (error 3005) instead of leaving it waiting.
//
// Threading: attach()/detach() on the user-interface thread while the
// session is idle; the FaxLink calls come from the session's step, which
// runs on the dispatch thread (or on the user-interface thread during
// preparation and a cancel).
#pragma once

#include "fax/faxlink.h"

#include <functional>

namespace qln {
class TApdBaseDispatcher;
}

namespace qln::fax {

class FaxSession;

class FaxDispatchLink : public FaxLink {
public:
    explicit FaxDispatchLink(TApdBaseDispatcher &dispatcher);
    ~FaxDispatchLink() override;

    // 0, or -5001 when a trigger cannot be created.
    int attach(FaxSession &session);
    void detach();
    // Trigger dispatch held off while preparation talks to the modem.
    void suspend(bool on);

    int writeBlock(const uint8_t *data, std::size_t len) override;
    std::size_t inputCount() override;
    int readByte() override;
    std::size_t outputCount() override;
    std::size_t outputFree() override;
    void flushInput() override;
    void flushOutput() override;
    void setDTR(bool on) override;
    void setRTS(bool on) override;
    bool carrier() override;
    void setBaud(int bps) override;
    int currentBaud() override;
    void setTxFlow(bool on) override;
    void setRxFlow(bool on, int stopLevel, int resumeLevel) override;
    void pause(int ms) override;
    bool waitForInput(int ms) override;
    long ticks() override;
    void armResponseTimer(long ticks) override;
    void disarmResponseTimer() override;
    void armStatusTimer(long ticks) override;
    void armOutputFree(std::size_t freeBytes) override;
    void armOutputUsed(std::size_t usedBytes) override;
    void disarmOutputTriggers() override;
    void logState(const std::string &text) override;
    void logFaxState(int code) override;

    bool deviceLost() const;

private:
    void onTrigger(uint32_t msg, uint32_t wParam);

    TApdBaseDispatcher &d_;
    FaxSession *session_ = nullptr;
    int handlerId_ = -1;
    int responseTimer_ = 0, statusTimer_ = 0, outFree_ = 0, outUsed_ = 0;
};

} // namespace qln::fax
