// An emulated Class 1 fax modem: spandsp's T.31 modem with its AT command
// interpreter, behind a pty.
//
// Host bytes are handed to the modem as they arrive, but never more than its
// buffers take (spandsp drops the excess silently): a page-data burst is fed
// only as far as the transmit buffer has room, and a command line or a
// DLE ETX-terminated block is fed on its own so that a mode change inside
// one read cannot swallow the bytes after it. Flow control towards the host
// counts everything queued (in the pty, read but not fed, in the modem's
// buffer): above a high mark a host that enabled IXON gets an XOFF, XON once
// it drains; hosts without it are held back by not reading the pty.
//
// Used by the server's single thread.
#pragma once

#include "vline/emulated_modem.h"

#include <cstdint>
#include <vector>

struct t31_state_s;

namespace qln::vline {

class Class1Modem : public EmulatedModem {
public:
    Class1Modem(int index, ModemOwner &owner, bool trace);
    ~Class1Modem() override;

    std::string className() const override { return "1"; }
    bool wantsInput() const override;
    void serviceInput() override;
    void idleBlock(int len) override;
    void lineEvent(LineEvent ev) override;
    void lineTx(int16_t *amp, int len) override;
    void lineRx(int16_t *amp, int len) override;
    FastCarrier fastCarrier() const override;

    // spandsp callbacks (public for the C trampolines only).
    void atOutput(const uint8_t *buf, size_t len);
    int modemControl(int op, const char *num);

protected:
    void dtrDropped() override;

private:
    size_t feedLimit() const;
    void feed(size_t n);

    t31_state_s *t31_ = nullptr;
    std::vector<uint8_t> pending_;  // host bytes read but not yet taken
    void updateFlow();

    bool xoffSent_ = false;         // the host was told to stop sending
    bool dleOpen_ = false;          // last byte fed in a stuffed mode was a lone DLE
    int lastMode_ = -1;
};

} // namespace qln::vline
