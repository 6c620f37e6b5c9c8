// Deterministic test bench for fax sessions: a FaxLink with a virtual clock
// and an instantly draining output ring, a scripted Class 1 modem whose far
// end behaves like a T.30 terminal, and a recorder of the component events.
#pragma once

#include "fax/faxsession.h"
#include "fax/t30frames.h"
#include "faximage/apfwriter.h"
#include "faximage/g3encoder.h"
#include "faximage/t4codes.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qln::fax::sim {

using t30::Bytes;

// A fresh directory below /tmp, removed with everything in it.
class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/qln-faxsim-XXXXXX";
        const char *made = ::mkdtemp(tmpl);
        path = made ? made : "";
    }
    ~TempDir()
    {
        if (!path.empty())
            std::filesystem::remove_all(path);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string path;
};

class SimLink : public FaxLink {
public:
    std::deque<uint8_t> in;
    long nowMs = 0;
    long responseAt = -1, statusAt = -1;
    bool freeArmed = false, usedArmed = false;
    std::size_t usedLevel = 0;
    std::function<void(uint8_t)> onWrite;
    std::function<void()> onDtrDrop; // the modem hangs up and takes commands
    std::vector<std::string> states;
    int baud = 19200;
    bool dtr = false, rts = false, dcd = false;
    long pausedMs = 0;
    // What the session did to the port, in order, with the commands and
    // data the scripted modems saw: "baud 2400", "pause 495", "tx on",
    // "rx on 6144 2048", "rx off", "cmd AT+FCLASS=1", "tcf", "page".
    std::vector<std::string> trace;

    // Free space the output ring reports; a larger block is refused whole
    // (-3006) as the port's ring does. writeBlocks counts the accepted ones.
    std::size_t outputRoom = 8192;
    int writeBlocks = 0;

    int writeBlock(const uint8_t *d, std::size_t n) override
    {
        if (n > outputRoom)
            return -3006;
        ++writeBlocks;
        for (std::size_t i = 0; i < n; ++i)
            if (onWrite)
                onWrite(d[i]);
        return 0;
    }
    std::size_t inputCount() override { return in.size(); }
    int readByte() override
    {
        if (in.empty())
            return -3007;
        int b = in.front();
        in.pop_front();
        return b;
    }
    std::size_t outputCount() override { return 0; }
    std::size_t outputFree() override { return outputRoom; }
    void flushInput() override { in.clear(); }
    void flushOutput() override {}
    void setDTR(bool on) override
    {
        if (on != dtr)
            trace.push_back(on ? "dtr on" : "dtr off");
        bool dropped = dtr && !on;
        dtr = on;
        if (dropped && onDtrDrop)
            onDtrDrop();
    }
    void setRTS(bool on) override { rts = on; }
    bool carrier() override { return dcd; }
    void setBaud(int b) override
    {
        baud = b;
        trace.push_back("baud " + std::to_string(b));
    }
    int currentBaud() override { return baud; }
    void setTxFlow(bool on) override { trace.push_back(on ? "tx on" : "tx off"); }
    void setRxFlow(bool on, int stop, int resume) override
    {
        trace.push_back(on ? "rx on " + std::to_string(stop) + " " + std::to_string(resume) : "rx off");
    }
    void pause(int ms) override
    {
        nowMs += ms;
        pausedMs += ms;
        trace.push_back("pause " + std::to_string(ms));
    }
    // The trace entries that begin with one of the prefixes.
    std::vector<std::string> traced(std::initializer_list<const char *> prefixes) const
    {
        std::vector<std::string> out;
        for (const auto &t : trace)
            for (const char *p : prefixes)
                if (t.rfind(p, 0) == 0) {
                    out.push_back(t);
                    break;
                }
        return out;
    }
    long ticks() override { return nowMs / 55; }
    void armResponseTimer(long t) override { responseAt = ticks() + t; }
    void disarmResponseTimer() override { responseAt = -1; }
    void armStatusTimer(long t) override { statusAt = t > 0 ? ticks() + t : -1; }
    void armOutputFree(std::size_t) override { freeArmed = true; }
    void armOutputUsed(std::size_t level) override
    {
        usedArmed = true;
        usedLevel = level;
    }
    void disarmOutputTriggers() override { freeArmed = usedArmed = false; }
    void logState(const std::string &s) override { states.push_back(s); }

    // Input that arrives at a later time (ms of the virtual clock), in order.
    std::deque<std::pair<long, Bytes>> later;
    void pushLater(long delayMs, const Bytes &b) { later.emplace_back(nowMs + delayMs, b); }

    void push(const std::string &s) { in.insert(in.end(), s.begin(), s.end()); }
    void push(const Bytes &b) { in.insert(in.end(), b.begin(), b.end()); }

    // Steps the session on triggers until it finishes or nothing is left
    // to wait for. Returns false when the step budget ran out.
    bool run(FaxSession &s, int budget = 200000, bool timers = true)
    {
        return runUntil(s, [] { return false; }, budget, timers);
    }
    // As run(), but also stops (returning true) once `done` holds with no
    // input left, e.g. a receiving session back waiting for the next call.
    template <class Done>
    bool runUntil(FaxSession &s, Done done, int budget = 200000, bool timers = true)
    {
        while (s.inProgress() && budget-- > 0) {
            if (in.empty() && !freeArmed && !usedArmed && done())
                return true;
            if (!in.empty()) {
                s.step(FaxTrigger::Data);
                continue;
            }
            if (freeArmed) {
                freeArmed = false;
                s.step(FaxTrigger::OutputFree);
                continue;
            }
            if (usedArmed) {
                usedArmed = false;
                s.step(FaxTrigger::OutputUsed);
                continue;
            }
            if (!timers)
                return true;
            long next = -1;
            bool resp = false;
            if (responseAt >= 0 && (statusAt < 0 || responseAt <= statusAt)) {
                next = responseAt;
                resp = true;
            } else if (statusAt >= 0) {
                next = statusAt;
            }
            if (!later.empty() && (next < 0 || later.front().first < next * 55)) {
                // Input the far end sends later arrives before any timer.
                nowMs = std::max(nowMs, later.front().first);
                push(later.front().second);
                later.pop_front();
                continue;
            }
            if (next < 0)
                return true; // waiting for nothing: stuck or done
            if (next * 55 > nowMs)
                nowMs = next * 55;
            if (resp) {
                responseAt = -1;
                s.step(FaxTrigger::ResponseTimer);
            } else {
                statusAt = -1;
                s.step(FaxTrigger::StatusTimer);
                if (s.inProgress() && statusAt < 0)
                    statusAt = ticks() + 18;
            }
        }
        return budget > 0;
    }
};

// Records the component side of a session.
class Recorder : public FaxEvents {
public:
    const FaxSession *session = nullptr;
    struct Fax {
        std::string phone, file, cover;
    };
    std::deque<Fax> faxes;
    std::vector<int> statuses, logs, errors;
    int finishCode = 1;
    int finishes = 0;
    bool accept = true;
    std::string nameToGive;

    // Status reports that opened ("first") or closed ("last") the display,
    // with the status code at the time, e.g. "first 4822", "last 4843".
    std::vector<std::string> displayReports;

    void faxStatus(bool first, bool last) override
    {
        if (session && (statuses.empty() || statuses.back() != session->statusCode))
            statuses.push_back(session->statusCode);
        int code = session ? session->statusCode : 0;
        if (first)
            displayReports.push_back("first " + std::to_string(code));
        if (last)
            displayReports.push_back("last " + std::to_string(code));
    }
    void faxLog(int code) override { logs.push_back(code); }
    void faxError(int code) override { errors.push_back(code); }
    void faxFinish(int code) override
    {
        finishCode = code;
        ++finishes;
    }
    bool faxNext(std::string &phone, std::string &file, std::string &cover) override
    {
        if (faxes.empty())
            return false;
        phone = faxes.front().phone;
        file = faxes.front().file;
        cover = faxes.front().cover;
        faxes.pop_front();
        return true;
    }
    void faxName(std::string &name) override { name = nameToGive; }
    bool faxAccept() override { return accept; }
    bool sawStatus(int code) const
    {
        for (int s : statuses)
            if (s == code)
                return true;
        return false;
    }
};

// A Class 1 modem whose far end is a T.30 receiving terminal. It answers the
// commands the DTE writes, carries HDLC frames and page data, and records
// everything for the test to check.
class Class1Remote {
public:
    explicit Class1Remote(SimLink &link) : link_(link)
    {
        link_.onWrite = [this](uint8_t b) { onByte(b); };
        link_.onDtrDrop = [this] {
            mode_ = Command;
            line_.clear();
            dle_ = false;
            data_.clear();
            pending_.clear();
        };
    }

    // --- script ---
    std::vector<std::string> dialResults; // per attempt; "" connects
    std::string remoteId = "REMOTE 100";
    uint8_t disSpeedBits = 0x0C;          // 9600/7200
    uint8_t disOctet2 = 0x42;             // receive, fine; the speed bits are added
    uint8_t disOctet3 = 0xF9;             // 1728/2048, unlimited, 0 ms, extension
    std::string ftmList = "24,48,72,73,74,96,97,98,121,122,145,146";
    std::deque<bool> tcfGood;             // verdicts for successive TCFs; default good
    std::deque<bool> tcfUnheard;          // per TCF: the far end misses it and stays silent
    std::deque<int> postPageReply;        // FCF answering MPS/EOP; 0 = silence, -1 = a carrier
                                          // that ends without a frame; default MCF
    int damagedCfr = 0;                   // CFR frames that arrive damaged (ERROR) first
    bool classList10 = false;
    long pageOkDelayMs = 0;               // the page's OK comes this late (data still playing out)
    int crpToDcs = 0;                     // DCS and training answered with CRP first
    // Phase B before CSI and DIS: frames delivered first (empty: a carrier
    // that drops without a frame; first byte 0x00: a frame whose check
    // sequence fails, closed with ERROR), and a silent answer: CONNECT to
    // the dial, then NO CARRIER this late, before anything else comes.
    std::vector<Bytes> beforeDis;
    long silentAnswerMs = 0;

    // --- record ---
    std::vector<std::string> commands;
    std::vector<t30::Frame> framesFromDte;
    std::vector<Bytes> rawFrames;       // each frame as written, DLE ETX included
    std::vector<std::string> dcsSpeeds; // modulation codes of TCFs
    std::vector<std::size_t> tcfLengths;
    std::vector<std::string> pageModulations;
    std::vector<Bytes> pages;
    int dials = 0;

private:
    enum Mode { Command, HdlcTx, DataTx };

    void reply(const std::string &s) { link_.push("\r\n" + s + "\r\n"); }
    // A four-octet DIS, the last one empty, as many machines send it.
    Bytes disFrame() const
    {
        return t30::buildFrame(t30::fcfDIS, {0x00, static_cast<uint8_t>(disOctet2 | disSpeedBits), disOctet3, 0x00},
                               true);
    }
    void deliverFrame()
    {
        if (pending_.empty()) {
            frhPending_ = true;
            return;
        }
        Bytes f = pending_.front();
        pending_.pop_front();
        reply("CONNECT");
        if (f.empty()) { // garbled: the carrier drops before a frame
            reply("NO CARRIER");
            return;
        }
        if (f[0] == 0x00) { // damaged: its check sequence fails
            link_.push(Bytes(f.begin() + 1, f.end()));
            reply("ERROR");
            return;
        }
        link_.push(f);
        if (f.size() > 2 && f[2] == t30::fcfCFR && damagedCfr > 0) {
            --damagedCfr;
            reply("ERROR");
            return;
        }
        reply("OK");
    }
    void onByte(uint8_t b)
    {
        switch (mode_) {
        case Command:
            if (frhPending_) { // any character stops a waiting reception
                frhPending_ = false;
                reply("OK");
                return;
            }
            if (b == '\r') {
                onCommand(line_);
                line_.clear();
            } else if (b >= 32) {
                line_ += static_cast<char>(b);
            }
            break;
        case HdlcTx:
            if (raw_.empty() && b != 0xFF)
                break;
            raw_.push_back(b);
            if (collector_.feed(b)) {
                rawFrames.push_back(raw_);
                raw_.clear();
                onFrame(collector_.frame());
            }
            break;
        case DataTx:
            if (dle_) {
                dle_ = false;
                if (b == t30::ETX) {
                    onData();
                    return;
                }
                data_.push_back(b); // DLE DLE is one data DLE
            } else if (b == t30::DLE) {
                dle_ = true;
            } else {
                data_.push_back(b);
            }
            break;
        }
    }
    void onCommand(std::string cmd)
    {
        // Like a modem, blanks before "AT" (one that stopped a reception,
        // say) are not part of the command.
        cmd.erase(0, cmd.find_first_not_of(' ') == std::string::npos ? cmd.size() : cmd.find_first_not_of(' '));
        commands.push_back(cmd);
        link_.trace.push_back("cmd " + cmd);
        if (cmd.rfind("ATD", 0) == 0) {
            std::string r = dials < static_cast<int>(dialResults.size()) ? dialResults[dials] : "";
            ++dials;
            if (r == "-")
                return; // never answers
            if (!r.empty()) {
                reply(r);
                return;
            }
            for (const auto &g : beforeDis)
                pending_.push_back(g);
            pending_.push_back(t30::buildIdFrame(t30::fcfCSI, remoteId, false));
            pending_.push_back(disFrame());
            if (silentAnswerMs > 0) {
                reply("CONNECT");
                link_.pushLater(silentAnswerMs, Bytes{'\r', '\n', 'N', 'O', ' ', 'C', 'A', 'R', 'R', 'I', 'E', 'R', '\r', '\n'});
                return;
            }
            deliverFrame();
        } else if (cmd == "AT+FRH=3") {
            deliverFrame();
        } else if (cmd == "AT+FTH=3") {
            reply("CONNECT");
            collector_.reset();
            raw_.clear();
            mode_ = HdlcTx;
        } else if (cmd == "AT+FTM=?") {
            reply(ftmList);
            reply("OK");
        } else if (cmd.rfind("AT+FTM=", 0) == 0) {
            modulation_ = cmd.substr(7);
            reply("CONNECT");
            data_.clear();
            dle_ = false;
            mode_ = DataTx;
        } else if (cmd == "AT+FCLASS=?") {
            reply(classList10 ? "0,1.0" : "0,1");
            reply("OK");
        } else {
            reply("OK");
        }
    }
    void onFrame(const t30::Frame &f)
    {
        framesFromDte.push_back(f);
        const uint8_t k = f.kind();
        if (k == (t30::fcfDCS & 0xFE))
            expectTcf_ = true;
        if (k == (t30::fcfMPS & 0xFE) || k == (t30::fcfEOP & 0xFE) || k == (t30::fcfEOM & 0xFE)) {
            int r = 0x8C;
            if (!postPageReply.empty()) {
                r = postPageReply.front();
                postPageReply.pop_front();
            }
            if (r == -1)
                pending_.push_back(Bytes{});
            else if (r)
                pending_.push_back(t30::buildFrame(static_cast<uint8_t>(r), {}, true));
            if (k == (t30::fcfEOM & 0xFE) && r == 0x8C) {
                // A final MCF; CSI and DIS follow in a new transmission.
                pending_.push_back(t30::buildIdFrame(t30::fcfCSI, remoteId, false));
                pending_.push_back(disFrame());
            }
        }
        if (f.final()) {
            mode_ = Command;
            reply("OK");
        } else {
            reply("CONNECT");
        }
    }
    void onData()
    {
        mode_ = Command;
        if (expectTcf_) {
            expectTcf_ = false;
            link_.trace.push_back("tcf");
            dcsSpeeds.push_back(modulation_);
            tcfLengths.push_back(data_.size());
            bool unheard = false;
            if (!tcfUnheard.empty()) {
                unheard = tcfUnheard.front();
                tcfUnheard.pop_front();
            }
            if (unheard) {
                reply("OK");
                return;
            }
            if (crpToDcs > 0) {
                --crpToDcs;
                pending_.push_back(t30::buildFrame(t30::fcfCRP, {}, true));
                reply("OK");
                return;
            }
            bool good = true;
            if (!tcfGood.empty()) {
                good = tcfGood.front();
                tcfGood.pop_front();
            }
            pending_.push_back(t30::buildFrame(good ? t30::fcfCFR : t30::fcfFTT, {}, true));
        } else {
            link_.trace.push_back("page");
            pageModulations.push_back(modulation_);
            pages.push_back(data_);
            if (pageOkDelayMs > 0) {
                link_.pushLater(pageOkDelayMs, Bytes{'\r', '\n', 'O', 'K', '\r', '\n'});
                return;
            }
        }
        reply("OK");
    }

    SimLink &link_;
    Mode mode_ = Command;
    std::string line_;
    std::string modulation_;
    t30::FrameCollector collector_;
    Bytes raw_;
    Bytes data_;
    bool dle_ = false;
    bool expectTcf_ = false;
    bool frhPending_ = false;
    std::deque<Bytes> pending_;
};

// Writes an APF file of `pages` pages; each page holds `lines` framed lines
// of a simple pattern (line i has a black run of i % 200 pixels).
inline void writeTestApf(const std::string &path, int pages, int lines, bool fine = false, bool wide = false)
{
    ApfWriter w;
    w.create(path);
    G3LineEncoder enc;
    std::vector<uint8_t> raster(216);
    for (int p = 0; p < pages; ++p) {
        w.beginPage(static_cast<uint16_t>(pfLineLengths | (fine ? pfFine : 0) | (wide ? pfWide : 0)));
        for (int i = 0; i < lines; ++i) {
            std::fill(raster.begin(), raster.end(), 0);
            for (int x = 0; x < (i + p * 7) % 200; ++x)
                raster[static_cast<std::size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            std::size_t n = enc.encodeRaster(raster.data(), 1728);
            w.writeFramedLine(enc.data(), n);
        }
        w.endPage();
    }
    w.finish("QUILLON TEST");
}

// A coded page (T.4, first bit lowest) of `lines` lines, each a black bar
// of its own length, ending with RTC unless `rtc` is false. Lines
// [badFrom, badFrom + badCount) are replaced by an EOL and codes that do not
// make a whole line.
inline Bytes codedTestPage(int lines, int badFrom = 0, int badCount = 0, bool rtc = true)
{
    Bytes out;
    G3LineEncoder enc;
    std::vector<uint8_t> raster(216);
    for (int i = 0; i < lines; ++i) {
        if (i >= badFrom && i < badFrom + badCount) {
            out.insert(out.end(), {0x00, 0x80, 0xFF, 0xFF, 0xFF});
            continue;
        }
        std::fill(raster.begin(), raster.end(), 0);
        for (int x = 0; x < 10 + i % 300; ++x)
            raster[std::size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        std::size_t n = enc.encodeRaster(raster.data(), 1728);
        out.insert(out.end(), enc.data(), enc.data() + n);
    }
    if (rtc) {
        uint8_t end[G3LineEncoder::kEndOfPageLength];
        G3LineEncoder::endOfPageLine(end);
        out.insert(out.end(), end, end + sizeof end);
    }
    return out;
}

// A coded page of `lines` lines packed as a fax machine sends it: each line
// an EOL and its codes with no fill between them (line i a black bar of
// 10 + i % 300 pixels), then RTC. The first bit after the EOL of every
// `every`-th line (the every-th, the 2 * every-th, ... counting from 1) is
// flipped, as a noisy line damages them.
inline Bytes codedPageWithFlippedLines(int lines, int every)
{
    Bytes out;
    unsigned bits = 0;
    auto put = [&](unsigned code, unsigned len) { // first bit most significant
        for (int i = static_cast<int>(len) - 1; i >= 0; --i, ++bits) {
            if (bits % 8 == 0)
                out.push_back(0);
            if ((code >> i) & 1)
                out.back() |= static_cast<uint8_t>(1 << (bits % 8));
        }
    };
    auto putRun = [&](int colour, int run) {
        if (run >= 64) {
            const T4Code &m = colour ? kBlackMakeup[run / 64 - 1] : kWhiteMakeup[run / 64 - 1];
            put(m.code, m.bits);
            run %= 64;
        }
        const T4Code &t = colour ? kBlackTerminating[run] : kWhiteTerminating[run];
        put(t.code, t.bits);
    };
    std::vector<unsigned> flips;
    for (int i = 0; i < lines; ++i) {
        put(kEolCode.code, kEolCode.bits);
        if ((i + 1) % every == 0)
            flips.push_back(bits);
        const int bar = 10 + i % 300;
        putRun(0, 0);
        putRun(1, bar);
        putRun(0, 1728 - bar);
    }
    for (int k = 0; k < 6; ++k)
        put(kEolCode.code, kEolCode.bits);
    for (unsigned f : flips)
        out[f / 8] ^= static_cast<uint8_t>(1 << (f % 8));
    return out;
}

} // namespace qln::fax::sim
