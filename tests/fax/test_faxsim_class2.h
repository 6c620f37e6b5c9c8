// A scripted Class 2 / Class 2.0 modem for session tests. The modem runs the
// T.30 procedure itself, so the script is the reports it gives: the test
// sets what the far end does (page statuses, errors, pages to deliver) and
// the modem answers the engine's commands accordingly.
#pragma once

#include "test_faxsim.h"

namespace qln::fax::sim {

class Class2Modem {
public:
    Class2Modem(SimLink &link, bool v20) : link_(link), v20_(v20)
    {
        link_.onWrite = [this](uint8_t b) { onByte(b); };
    }

    // --- script: sending side (the engine sends) ---
    std::deque<int> pageStatus;       // per page sent; default 1 (good)
    bool errorAfterData = false;      // Class 2.0: "ERROR" after page data
    std::string dialResult;           // "" connects
    std::string calledIdReport = "\"REMOTE 100\"";
    bool sendXon = true;              // Class 2: XON after the CONNECT to AT+FDT
    std::string insteadOfXon;         // Class 2: a line sent in place of the XON
    bool bitOrderError = false;       // "AT+FBOR=..." answers ERROR
    // --- script: receiving side (the engine receives) ---
    std::vector<Bytes> incoming;      // pages the caller sends (wire bit order)
    std::deque<int> incomingStatus;   // page status per page; default 1
    std::size_t endOfDocumentAfter = 0; // "+FET:1" after this page (1-based)
    std::string callingIdReport = "\"CALLER 7\"";
    std::size_t hangupAfterData = 0;    // 1-based page whose data is followed by a hang-up report

    // --- record ---
    std::vector<std::string> commands;
    std::vector<Bytes> pages;
    std::vector<char> pageEnds; // ETX, ',', ';' or '.'
    bool dc2Seen = false;

    void ring() { reply("RING"); }
    // The next call delivers the incoming pages again from the first.
    void newCall() { delivered_ = 0; }

private:
    void reply(const std::string &s) { link_.push("\r\n" + s + "\r\n"); }
    std::string r(const char *c2, const char *c20) const { return std::string("+F") + (v20_ ? c20 : c2); }

    void onByte(uint8_t b)
    {
        if (data_) {
            if (dle_) {
                dle_ = false;
                if (b == t30::DLE) {
                    buf_.push_back(b);
                } else if (b == t30::ETX || (v20_ && (b == ',' || b == ';' || b == '.'))) {
                    endOfPage(static_cast<char>(b));
                } else {
                    buf_.push_back(b);
                }
            } else if (b == t30::DLE) {
                dle_ = true;
            } else {
                buf_.push_back(b);
            }
            return;
        }
        if (b == 0x12 && waitDc2_) { // the engine is ready for page data
            waitDc2_ = false;
            dc2Seen = true;
            deliverPage();
            return;
        }
        if (b == '\r') {
            if (!line_.empty())
                onCommand(line_);
            line_.clear();
        } else if (b >= 32) {
            line_ += static_cast<char>(b);
        }
    }

    void endOfPage(char code)
    {
        data_ = false;
        link_.trace.push_back("page");
        pages.push_back(buf_);
        pageEnds.push_back(code);
        buf_.clear();
        if (!v20_) {
            reply("OK"); // Class 2: the engine then sends AT+FET=
            return;
        }
        if (errorAfterData) {
            reply("ERROR");
            return;
        }
        int ps = 1;
        if (!pageStatus.empty()) {
            ps = pageStatus.front();
            pageStatus.pop_front();
        }
        reply("+FPS:" + std::to_string(ps) + ",0,0,0,0");
        if (code == '.' && ps != 2)
            reply("+FHS:00");
        reply("OK");
    }

    void deliverPage()
    {
        link_.trace.push_back("page");
        Bytes d;
        for (auto x : incoming[delivered_]) {
            d.push_back(x);
            if (x == t30::DLE)
                d.push_back(x);
        }
        link_.push(d);
        link_.push(Bytes{t30::DLE, t30::ETX});
        int ps = 1;
        if (!incomingStatus.empty()) {
            ps = incomingStatus.front();
            incomingStatus.pop_front();
        }
        ++delivered_;
        if (delivered_ == hangupAfterData) {
            reply(r("HNG:", "HS:") + "50"); // the call drops before the page status
            return;
        }
        std::string et = delivered_ == incoming.size() ? "2"
                         : delivered_ == endOfDocumentAfter ? "1"
                                                            : "0";
        reply(r("PTS:", "PS:") + std::to_string(ps));
        reply("+FET:" + et);
        reply("OK");
    }

    void onCommand(const std::string &cmd)
    {
        commands.push_back(cmd);
        link_.trace.push_back("cmd " + cmd);
        if (cmd.rfind("ATD", 0) == 0) {
            if (!dialResult.empty()) {
                reply(dialResult);
                return;
            }
            reply(r("CON", "CO"));
            reply(r("CSI:", "CI:") + calledIdReport);
            reply(r("DIS:", "IS:") + "1,5,0,2,0,0,0,0");
            reply("OK");
        } else if (cmd == "AT+FDT") {
            reply(r("DCS:", "CS:") + "0,3,0,2,0,0,0,0");
            reply("CONNECT");
            if (!insteadOfXon.empty()) {
                reply(insteadOfXon);
                return;
            }
            if (!v20_ && sendXon)
                link_.push(Bytes{0x11}); // XON
            data_ = true;
            dle_ = false;
        } else if (cmd.rfind("AT+FET=", 0) == 0) {
            int ps = 1;
            if (!pageStatus.empty()) {
                ps = pageStatus.front();
                pageStatus.pop_front();
            }
            reply("+FPTS:" + std::to_string(ps));
            if (cmd == "AT+FET=2" && ps != 2)
                reply("+FHNG:0");
            reply("OK");
        } else if (cmd == "ATA") {
            reply(r("CON", "CO"));
            reply(r("TSI:", "TI:") + callingIdReport);
            reply(r("DCS:", "CS:") + "0,3,0,2,0,0,0,0");
            reply("OK");
        } else if (cmd == "AT+FDR") {
            if (delivered_ < incoming.size()) {
                reply("CONNECT");
                waitDc2_ = true;
            } else {
                reply(r("HNG:", "HS:") + "00");
                reply("OK");
            }
        } else if (cmd == "AT+FCLASS=?") {
            reply(v20_ ? "0,1,2,2.0" : "0,1,2");
            reply("OK");
        } else if (cmd.rfind("AT+FBOR", 0) == 0 && bitOrderError) {
            reply("ERROR");
        } else {
            reply("OK");
        }
    }

    SimLink &link_;
    bool v20_;
    std::string line_;
    bool data_ = false, dle_ = false, waitDc2_ = false;
    Bytes buf_;
    std::size_t delivered_ = 0;
};

} // namespace qln::fax::sim
