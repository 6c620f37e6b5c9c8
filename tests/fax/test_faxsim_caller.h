// A Class 1 modem whose far end is a T.30 sending terminal: it rings, sends
// TSI/DCS, the training check and pages, and answers CFR/FTT/MCF as a
// caller does. Used by the receiving-session tests.
#pragma once

#include "test_faxsim.h"

#include <map>
#include <set>

namespace qln::fax::sim {

class Class1Caller {
public:
    explicit Class1Caller(SimLink &link) : link_(link)
    {
        link_.onWrite = [this](uint8_t b) { onByte(b); };
    }

    // --- script ---
    std::string callerId = "CALLER 7";
    std::vector<Bytes> pages;          // coded page data, sent DLE-doubled
    std::size_t eomAfterPage = 0;      // 1-based page after which EOM is sent; 0 none
    std::deque<int> tcfNonZero;        // non-zero bytes in successive TCFs (default 0)
    int dcsRate = 3;                   // t30::rateAt index: V.29 9600
    Bytes dcsInfoOverride;             // DCS information bytes to send instead
    bool fine = false;
    bool stopAfterFirstPageData = false;
    std::map<std::size_t, Bytes> firstTry; // 0-based page: data of its first sending
    std::size_t silentAfterPage = 0;       // 1-based page after which no post-page frame comes
    int damagedDcs = 0;                    // DCS frames that arrive damaged (ERROR) first
    int crpToDis = 0;                      // DIS frames answered with CRP first
    int lateDcsMs = 0;                     // the DCS frame follows its CONNECT this late
    bool cfrLost = false;                  // the first CFR is missed: DCS and training again
    std::set<std::size_t> mcfLost;         // 1-based pages whose first MCF is missed
    // Per TCF: 0 sent as usual; 1 never sent (no carrier: AT+FRM= stays
    // unanswered until a character stops it); 2 a V.21 carrier instead
    // (+FCERROR); 3 a carrier that ends at once (NO CARRIER).
    std::deque<int> tcfFault;
    // After this many MCFs the caller hangs up without DCN: frames still
    // queued are delivered, then the modem answers AT+FRH=3 and AT+FTH=3
    // with dropReply.
    int dropAfterMcfs = 0;
    int silentToDis = 0;                   // DIS frames the caller never hears
    std::map<std::string, std::string> commandReply; // the modem's answer to a command instead of OK
    std::string dropReply = "NO CARRIER";
    bool dropBeforeOk = false;             // the drop comes before the modem's OK to that MCF

    // --- record ---
    std::vector<std::string> commands;
    std::vector<t30::Frame> framesFromDte;
    std::vector<long> frameTimesMs;        // virtual time of each frame from the DTE
    std::vector<Bytes> rawFrames;          // each frame from the DTE as written, DLE ETX included
    std::vector<long> commandTimesMs;      // virtual time of each command
    std::vector<std::size_t> tcfSent;
    int rtns = 0;
    int crps = 0;
    int mcfs = 0;

    void ring(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            reply("RING");
    }
    // The next call sends the same pages again from the start.
    void newCall()
    {
        mode_ = Command;
        line_.clear();
        pending_.clear();
        expect_ = None;
        page_ = 0;
    }

private:
    enum Mode { Command, HdlcTx };

    void reply(const std::string &s) { link_.push("\r\n" + s + "\r\n"); }
    Bytes dcsFrame() const
    {
        if (!dcsInfoOverride.empty())
            return t30::buildDCS(dcsInfoOverride);
        t30::FrameParams dis;
        dis.length = t30::kLengthUnlimited;
        return t30::buildDCS(t30::dcsInfo(dcsRate, fine, 0, false, dis));
    }
    void queueNegotiation()
    {
        pending_.push_back(t30::buildIdFrame(t30::withX(t30::fcfTSI), callerId, false));
        pending_.push_back(dcsFrame());
        expect_ = Tcf;
    }
    void deliverFrame()
    {
        if (pending_.empty()) {
            if (dropped())
                reply(dropReply);
            else
                receiving_ = true; // waits for a carrier; a character stops it
            return;
        }
        Bytes f = pending_.front();
        pending_.pop_front();
        const bool dcs = f.size() > 2 && (f[2] & 0xFE) == t30::fcfDCS;
        if (dcs)
            lastCommand_ = f;
        else if (f.size() > 2 && f[2] != t30::withX(t30::fcfTSI))
            lastCommand_ = f;
        reply("CONNECT");
        if (dcs && damagedDcs > 0) {
            --damagedDcs;
            link_.push(f);
            reply("ERROR"); // the check sequence did not match
            return;
        }
        if (dcs && lateDcsMs > 0) {
            Bytes rest = f;
            const std::string ok = "\r\nOK\r\n";
            rest.insert(rest.end(), ok.begin(), ok.end());
            link_.pushLater(lateDcsMs, rest);
            lateDcsMs = 0;
            return;
        }
        link_.push(f);
        reply("OK");
    }
    void onByte(uint8_t b)
    {
        if (mode_ == HdlcTx) {
            if (raw_.empty() && b != 0xFF)
                return;
            raw_.push_back(b);
            if (collector_.feed(b)) {
                rawFrames.push_back(raw_);
                raw_.clear();
                onFrame(collector_.frame());
            }
            return;
        }
        if (receiving_) {
            receiving_ = false;
            reply("OK");
            if (b != 'A')
                return; // the stopping character is not part of a command
        }
        if (b == '\r') {
            if (!line_.empty())
                onCommand(line_);
            line_.clear();
        } else if (b >= 32) {
            line_ += static_cast<char>(b);
        }
    }
    void onCommand(std::string cmd)
    {
        // Like a modem, blanks before "AT" (one that stopped a reception,
        // say) are not part of the command.
        cmd.erase(0, cmd.find_first_not_of(' ') == std::string::npos ? cmd.size() : cmd.find_first_not_of(' '));
        commands.push_back(cmd);
        commandTimesMs.push_back(link_.nowMs);
        link_.trace.push_back("cmd " + cmd);
        if (commandReply.count(cmd)) {
            reply(commandReply.at(cmd));
            return;
        }
        if (cmd == "AT+FTH=3" && dropped()) {
            reply(dropReply);
        } else if (cmd == "ATA" || cmd == "AT+FTH=3") {
            reply("CONNECT");
            collector_.reset();
            raw_.clear();
            mode_ = HdlcTx;
        } else if (cmd == "AT+FRH=3") {
            deliverFrame();
        } else if (cmd == "AT+FRM=?") {
            reply("24,48,72,73,74,96,97,98,121,122,145,146");
            reply("OK");
        } else if (cmd.rfind("AT+FRM=", 0) == 0 && expect_ == Page && repeatNext_) {
            // We missed the answer and repeat our command on V.21: the
            // modem reports the other carrier.
            repeatNext_ = false;
            if ((lastCommand_[2] & 0xFE) == t30::fcfDCS)
                expect_ = Tcf;
            pending_.push_back(lastCommand_);
            reply("+FCERROR");
        } else if (cmd.rfind("AT+FRM=", 0) == 0 && expect_ == Tcf && !tcfFault.empty()
                   && tcfFault.front() != 0) {
            const int fault = tcfFault.front();
            tcfFault.pop_front();
            if (fault == 1)
                receiving_ = true;
            else
                reply(fault == 2 ? "+FCERROR" : "NO CARRIER");
        } else if (cmd.rfind("AT+FRM=", 0) == 0) {
            reply("CONNECT");
            if (expect_ == Tcf) {
                int nz = 0;
                if (!tcfNonZero.empty()) {
                    nz = tcfNonZero.front();
                    tcfNonZero.pop_front();
                }
                std::size_t len = static_cast<std::size_t>(t30::tcfLength(t30::rateAt(dcsRate).bps));
                Bytes tcf(len, 0);
                for (int i = 0; i < nz && i < static_cast<int>(len); ++i)
                    tcf[static_cast<std::size_t>(i)] = 0x55;
                tcfSent.push_back(len);
                link_.trace.push_back("tcf");
                link_.push(tcf);
            } else if (expect_ == Page && page_ < pages.size()) {
                Bytes data;
                const Bytes &src = firstTry.count(page_) && !sentOnce_.count(page_) ? firstTry.at(page_)
                                                                                     : pages[page_];
                sentOnce_.insert(page_);
                for (auto x : src) {
                    data.push_back(x);
                    if (x == t30::DLE)
                        data.push_back(x);
                }
                ++page_;
                link_.trace.push_back("page");
                if (stopAfterFirstPageData) {
                    link_.push(Bytes(data.begin(), data.begin() + static_cast<long>(data.size() / 2)));
                    return;
                }
                link_.push(data);
                if (page_ == silentAfterPage) {
                    link_.push(Bytes{t30::DLE, t30::ETX});
                    reply("NO CARRIER");
                    return;
                }
                uint8_t post = page_ == pages.size() ? t30::fcfEOP
                               : page_ == eomAfterPage ? t30::fcfEOM
                                                       : t30::fcfMPS;
                pending_.push_back(t30::buildFrame(t30::withX(post), {}, true));
            }
            link_.push(Bytes{t30::DLE, t30::ETX});
            reply("NO CARRIER");
        } else {
            reply("OK");
        }
    }
    bool dropped() const { return dropAfterMcfs > 0 && mcfs >= dropAfterMcfs; }
    void onFrame(const t30::Frame &f)
    {
        framesFromDte.push_back(f);
        frameTimesMs.push_back(link_.nowMs);
        switch (f.kind()) {
        case t30::fcfDIS:
            if (silentToDis > 0) {
                --silentToDis;
                break;
            }
            if (crpToDis > 0) {
                --crpToDis;
                pending_.push_back(t30::buildFrame(t30::withX(t30::fcfCRP), {}, true));
                break;
            }
            queueNegotiation();
            break;
        case t30::fcfCFR:
            expect_ = Page;
            if (cfrLost) {
                cfrLost = false;
                repeatNext_ = true;
            }
            break;
        case t30::fcfCRP: // the last command again
            ++crps;
            pending_.push_back(lastCommand_);
            break;
        case t30::fcfFTT:
            pending_.push_back(dcsFrame());
            expect_ = Tcf;
            break;
        case t30::fcfRTN: // train again and send the page once more
            ++rtns;
            --page_;
            pending_.push_back(dcsFrame());
            expect_ = Tcf;
            break;
        case t30::fcfMCF:
            ++mcfs;
            if (mcfLost.count(page_)) {
                mcfLost.erase(page_);
                if (page_ >= pages.size() || page_ == eomAfterPage)
                    pending_.push_back(lastCommand_); // EOP or EOM again at once
                else
                    repeatNext_ = true;
                break;
            }
            if (page_ >= pages.size() && !dropped())
                pending_.push_back(t30::buildFrame(t30::withX(t30::fcfDCN), {}, true));
            else if (page_ == eomAfterPage)
                expect_ = None; // CSI and DIS follow; DCS then restarts
            break;
        default:
            break;
        }
        if (f.final()) {
            mode_ = Command;
            reply(dropBeforeOk && dropped() ? dropReply : "OK");
        } else {
            reply("CONNECT");
        }
    }

    enum Expect { None, Tcf, Page };
    SimLink &link_;
    Mode mode_ = Command;
    std::string line_;
    t30::FrameCollector collector_;
    std::deque<Bytes> pending_;
    Expect expect_ = None;
    std::size_t page_ = 0;
    std::set<std::size_t> sentOnce_;
    Bytes lastCommand_;
    bool repeatNext_ = false;
    bool receiving_ = false; // AT+FRH=3 or AT+FRM= waits for a carrier
    Bytes raw_;
};

} // namespace qln::fax::sim
