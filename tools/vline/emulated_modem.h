// Base of the emulated fax modems behind a pty: what the exchange (the
// server) needs of any modem, whatever its command set.
//
// The modem tells its owner what the host asked for (dial, answer, hang up);
// the owner tells the modem what happens on the line (ringing, the far end
// answered, busy, ...). Used by the server's single thread.
#pragma once

#include "vline/line_endpoint.h"
#include "vline/pty_port.h"

#include <string>

namespace qln::vline {

class EmulatedModem;

// Callbacks from a modem to the exchange.
class ModemOwner {
public:
    virtual ~ModemOwner() = default;
    // The host dialled number (digits as given after ATD, modifiers removed).
    virtual void modemDialled(EmulatedModem &m, const std::string &number) = 0;
    // The host answered a ringing line (ATA).
    virtual void modemAnswered(EmulatedModem &m) = 0;
    // The host went on hook (ATH, DTR drop, reset).
    virtual void modemHungUp(EmulatedModem &m) = 0;
};

// What happens on the line, as told to a modem.
enum class LineEvent {
    Ring,       // an incoming call rings once
    Connected,  // the called party answered our outgoing call
    Answered,   // our answer of an incoming call took effect
    Busy,       // the called number is busy
    NoAnswer,   // the called party never answered
    Voice,      // a person answered our outgoing call
    Hangup,     // the far end hung up
};

class EmulatedModem : public LineEndpoint {
public:
    EmulatedModem(int index, ModemOwner &owner) : index_(index), owner_(owner) {}
    ~EmulatedModem() override = default;

    // Creates the pty and its symlink; empty string on success, else why not.
    std::string openPort(const std::string &linkPath) { return port_.open(linkPath); }

    int index() const { return index_; }
    std::string lineName() const override { return "modem" + std::to_string(index_); }
    PtyPort &port() { return port_; }
    // Class name as given on the command line ("1", "2", "2.0").
    virtual std::string className() const = 0;

    // Reads and interprets what the host wrote; called when the master is
    // readable and once per block. Returns false while the modem holds back
    // input (flow control), so the owner stops polling for it.
    virtual bool wantsInput() const = 0;
    virtual void serviceInput() = 0;
    // Runs the modem's own clock for len samples while it is in no call.
    virtual void idleBlock(int len) = 0;
    // Applies an event of the line.
    virtual void lineEvent(LineEvent ev) = 0;
    // Called once per block: watches the host's DTR.
    void checkDtr();

protected:
    virtual void dtrDropped() = 0;

    int index_;
    ModemOwner &owner_;
    PtyPort port_;
    bool dtrLow_ = false;
};

} // namespace qln::vline
