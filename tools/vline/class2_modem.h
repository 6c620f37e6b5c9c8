// An emulated Class 2 or Class 2.0 fax modem behind a pty: the modem itself
// carries out the T.30 procedure (spandsp's T.30 engine on the line audio)
// and talks to the host in the "+F" command set with its reports (+FCON,
// +FDIS, +FDCS, +FPTS, +FET, +FHNG; +FCO, +FIS, +FCS, +FPS, +FHS in 2.0).
//
// Sending: when the far end's capabilities arrive the modem reports them and
// then collects the page from the host (AT+FDT, CONNECT, page data up to the
// page-end code) before its T.30 engine goes on; the whole line pauses
// meanwhile, which a simulated line can afford. Receiving: each page the
// engine receives is re-encoded as 1-D T.4 and handed to the host after
// AT+FDR and its DC2. With the default bit order (+FBOR=0, +FBO=0) page
// data from the host comes in transmission order (first bit in the least
// significant place); page data to the host too in Class 2.0, but with each
// byte's bits reversed in Class 2, as the Class 2 modems did that hosts were
// written for. Bit order 1 (or 3) reverses the page data of both directions
// against that default; Z and &F restore it.
//
// Several pages per call in each direction. A sending host's pages are all
// collected (each acknowledged with a page status of 1 as it is stored)
// before the engine sends them; the last page's status is the one the far
// end returned, or the worst status of any page. Used by the server's single
// thread.
#pragma once

#include "vline/emulated_modem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct fax_state_s;

namespace qln::vline {

class Class2Modem : public EmulatedModem {
public:
    // class20: Class 2.0 command set, else Class 2. scratchDir holds the
    // page files of calls in progress.
    // speedUp: the line clock's speed-up, for pacing the host's page data.
    Class2Modem(int index, ModemOwner &owner, bool class20, std::string scratchDir, int speedUp, bool trace);
    ~Class2Modem() override;

    std::string className() const override { return class20_ ? "2.0" : "2"; }
    bool wantsInput() const override { return true; }
    void serviceInput() override;
    void idleBlock(int len) override;
    void lineEvent(LineEvent ev) override;
    void lineTx(int16_t *amp, int len) override;
    void lineRx(int16_t *amp, int len) override;
    FastCarrier fastCarrier() const override;

    // spandsp callbacks (public for the C trampolines only).
    int phaseB(int result);
    int phaseD(int result);
    void phaseE(int result);

protected:
    void dtrDropped() override;

private:
    enum class Host { Command, WaitDc2 };

    void handleBytes(const uint8_t *buf, size_t len);
    void commandLine(std::string line);
    // Runs one extended +F command; returns false for ERROR.
    bool extended(const std::string &cmd, std::string &reply);
    void respond(const std::string &text);
    void ok() { respond("OK"); }
    void startEngine(bool calling);
    void stopEngine();
    void hangUpLine();
    bool collectPages();
    bool writePagesTiff();
    bool loadReceivedPage();
    void deliverPage();
    void finishCall();
    std::string report(const char *class2, const char *class20) const { return class20_ ? class20 : class2; }
    std::string sessionParams() const;
    // Page data byte as it crosses the host interface in either direction.
    uint8_t toHost(uint8_t b) const;
    uint8_t fromHost(uint8_t b) const;

    bool class20_;
    std::string scratch_;
    int speedUp_;
    bool trace_;
    bool echo_ = true;
    int fclass_ = 0;  // 0 data, 2 Class 2 (also for 2.0)
    int bitOrder_ = 0; // +FBOR / +FBO: bit 0 reverses page data
    std::string lid_;
    std::string dis_ = "0,5,0,2,0,0,0,0";
    std::string dcc_ = "1,5,0,2,0,0,0,0";
    std::string line_;
    Host host_ = Host::Command;

    fax_state_s *fax_ = nullptr;
    bool calling_ = false;
    bool fine_ = false;
    int bitRate_ = 14400;
    std::string remoteId_;
    std::string pagePath_;
    // Receiving: pages of the engine's file, the page being handed over.
    int pagesReceived_ = 0;
    int pagesDelivered_ = 0;
    std::vector<int> ppms_;   // post-page message of each received page
    bool fdrPending_ = false; // host sent AT+FDR and waits
    bool pageReady_ = false;
    bool connectSent_ = false;  // CONNECT for a page sent, DC2 awaited
    std::vector<uint8_t> pageData_;
    bool callDone_ = false;   // the engine finished (phase E)
    int hangupCode_ = 0;
    bool hangupReported_ = false;
    bool pageAcknowledged_ = false;  // sending: the last page's status was reported
    // Sending: the host's pages (T.4 data and fine flag), pages the far end
    // confirmed so far, and the worst page status among them.
    std::vector<std::pair<std::vector<uint8_t>, bool>> txPages_;
    int pagesConfirmed_ = 0;
    int worstStatus_ = 1;
    bool fkPending_ = false;         // AT+FK(S) waits for the orderly end of the call
};

} // namespace qln::vline
