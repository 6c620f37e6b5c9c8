// Class 2 / 2.0 modem: the host side (AT command parser, reports).
#include "vline/class2_modem.h"

#include "vline/vline_log.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace qln::vline {

namespace {
constexpr uint8_t kDc2 = 0x12;
constexpr uint8_t kXon = 0x11;

std::string upper(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string dialDigits(const std::string &num)
{
    std::string digits;
    for (char c : num)
        if ((c >= '0' && c <= '9') || c == '*' || c == '#')
            digits += c;
    return digits;
}

// The value after '=' with surrounding quotes removed.
std::string quoted(const std::string &v)
{
    std::string s = v;
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    return s;
}
} // namespace

void Class2Modem::respond(const std::string &text)
{
    std::string out = "\r\n" + text + "\r\n";
    port_.write(reinterpret_cast<const uint8_t *>(out.data()), out.size());
}

void Class2Modem::serviceInput()
{
    uint8_t buf[512];
    size_t n;
    while ((n = port_.read(buf, sizeof buf)) > 0)
        handleBytes(buf, n);
    if (pageReady_ && fdrPending_ && host_ == Host::Command)
        deliverPage();
    port_.flush();
}

void Class2Modem::handleBytes(const uint8_t *buf, size_t len)
{
    for (size_t i = 0; i < len; ++i) {
        uint8_t b = buf[i];
        if (host_ == Host::WaitDc2) {
            // The host is ready for page data (DC2; a few hosts send XON).
            if (b == kDc2 || b == kXon) {
                host_ = Host::Command;
                deliverPage();
            }
            continue;
        }
        if (echo_)
            port_.write(&b, 1);
        if (b == '\r') {
            std::string line = line_;
            line_.clear();
            commandLine(line);
        } else if (b != '\n' && line_.size() < 256) {
            line_ += static_cast<char>(b);
        }
    }
}

void Class2Modem::commandLine(std::string line)
{
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
        line.erase(0, 1);
    if (line.empty())
        return;
    std::string up = upper(line);
    if (up.rfind("AT", 0) != 0)
        return;  // not a command: ignored, as a modem does
    size_t i = 2;
    while (i < up.size()) {
        char c = up[i];
        if (c == ' ') {
            ++i;
            continue;
        }
        if (c == '+') {
            // An extended command takes the rest of the line (up to ';').
            size_t end = up.find(';', i);
            std::string cmd = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            std::string reply;
            if (!extended(cmd, reply)) {
                respond("ERROR");
                return;
            }
            if (reply == "-")
                return;  // the command answers later by itself
            if (!reply.empty())
                respond(reply);
            if (end == std::string::npos)
                break;
            i = end + 1;
            continue;
        }
        if (c == 'D') {
            std::string number = dialDigits(line.substr(i + 1));
            VlineLog::write("modem%d: dial \"%s\"", index_, number.c_str());
            if ((fax_ && !callDone_) || calling_) {
                respond("ERROR");
                return;
            }
            calling_ = true;
            owner_.modemDialled(*this, number);
            return;  // the result comes from the line
        }
        if (c == 'A') {
            VlineLog::write("modem%d: answer", index_);
            owner_.modemAnswered(*this);
            return;
        }
        // Basic commands: a letter (or &letter, Sn=v, Sn?) with digits.
        size_t j = i + 1;
        if (c == '&' && j < up.size())
            ++j;
        if (c == 'S') {
            while (j < up.size() && (std::isdigit(static_cast<unsigned char>(up[j])) || up[j] == '=' || up[j] == '?'))
                ++j;
        } else {
            while (j < up.size() && std::isdigit(static_cast<unsigned char>(up[j])))
                ++j;
        }
        std::string arg = up.substr(i + 1, j - i - 1);
        if (c == 'E')
            echo_ = arg != "0";
        else if (c == 'Z' || (c == '&' && arg.rfind('F', 0) == 0))
            fclass_ = 0, echo_ = true, bitOrder_ = 0;
        else if (c == 'H') {
            VlineLog::write("modem%d: hang up", index_);
            hangUpLine();
        } else if (c == 'I')
            respond("Quillon virtual fax modem, Class " + className());
        i = j;
    }
    ok();
}

bool Class2Modem::extended(const std::string &cmdIn, std::string &reply)
{
    std::string cmd = upper(cmdIn);
    auto eq = cmd.find('=');
    std::string name = cmd.substr(0, eq == std::string::npos ? cmd.find('?') : eq);
    std::string value = eq == std::string::npos ? std::string() : cmdIn.substr(eq + 1);
    bool query = !cmd.empty() && cmd.back() == '?' && eq == std::string::npos;
    bool range = cmd.size() >= 2 && cmd.compare(cmd.size() - 2, 2, "=?") == 0;
    const std::string cls = class20_ ? "2.0" : "2";

    if (name == "FCLASS") {
        if (range)
            reply = "0," + cls;
        else if (query)
            reply = fclass_ == 0 ? "0" : cls;
        else if (value == "0")
            fclass_ = 0;
        else if (value == cls)
            fclass_ = 2;
        else
            return false;
        return true;
    }
    if (name == "FMFR" || name == "FMI")
        return reply = "Quillon", true;
    if (name == "FMDL" || name == "FMM")
        return reply = "Virtual fax modem", true;
    if (name == "FREV" || name == "FMR")
        return reply = "1.0", true;
    if (fclass_ != 2)
        return false;  // fax commands need the fax class
    if (name == "FLID" || name == "FLI") {
        if (query)
            reply = "\"" + lid_ + "\"";
        else if (range)
            reply = "(20-7E),(20-7E)";
        else
            lid_ = quoted(cmdIn.substr(eq + 1)).substr(0, 20);
        return true;
    }
    if (name == "FDIS" || name == "FIS" || name == "FDCC" || name == "FCC") {
        std::string &caps = (name == "FDIS" || name == "FIS") ? dis_ : dcc_;
        if (range)
            reply = "(0,1),(0-5),(0-2),(0-2),(0,1),(0),(0),(0-7)";
        else if (query)
            reply = caps;
        else {
            // Values given replace those positions; the rest stay.
            std::vector<std::string> cur, in;
            for (auto *v : {&caps, &value}) {
                std::vector<std::string> &out = v == &caps ? cur : in;
                size_t p = 0;
                while (true) {
                    size_t c = v->find(',', p);
                    out.push_back(v->substr(p, c == std::string::npos ? std::string::npos : c - p));
                    if (c == std::string::npos)
                        break;
                    p = c + 1;
                }
            }
            for (size_t k = 0; k < in.size() && k < cur.size(); ++k)
                if (!in[k].empty())
                    cur[k] = in[k];
            caps.clear();
            for (size_t k = 0; k < cur.size(); ++k)
                caps += (k ? "," : "") + cur[k];
        }
        return true;
    }
    if ((name == "FBOR" && !class20_) || (name == "FBO" && class20_)) {
        if (query)
            reply = std::to_string(bitOrder_);
        else if (range)
            reply = "(0-3)";
        else if (value.size() == 1 && value[0] >= '0' && value[0] <= '3')
            bitOrder_ = value[0] - '0';
        else
            return false;
        return true;
    }
    if (name == "FDT") {
        // Outside the page collection there is no page to send now.
        return false;
    }
    if (name == "FDR") {
        if (!fax_ && !callDone_)
            return false;
        if (callDone_ && !pageReady_ && pagesReceived_ == pagesDelivered_) {
            finishCall();
            reply = "-";
            return true;
        }
        fdrPending_ = true;
        reply = "-";
        return true;
    }
    if (name == "FET")
        return true;
    if (name == "FKS" || name == "FK") {
        if (fax_ && !callDone_ && calling_ && pageAcknowledged_) {
            // The last page is through: the modem ends the call in order
            // (DCN), then reports the hang-up and answers this command.
            fkPending_ = true;
            reply = "-";
            return true;
        }
        VlineLog::write("modem%d: session ended by the host", index_);
        hangUpLine();
        return true;
    }
    // Everything else of the command set (+FCR, +FAA, +FNR,
    // +FLO, +FPP, +FIE, +FCQ, +FCT, +FIP, +FPHCTO, ...) is accepted.
    if (query)
        reply = "0";
    else if (range)
        reply = "(0-1)";
    return true;
}

void Class2Modem::lineEvent(LineEvent ev)
{
    switch (ev) {
    case LineEvent::Ring:
        respond("RING");
        break;
    case LineEvent::Connected:
        startEngine(true);
        break;
    case LineEvent::Answered:
        startEngine(false);
        break;
    case LineEvent::Busy:
        calling_ = false;
        respond("BUSY");
        break;
    case LineEvent::NoAnswer:
        calling_ = false;
        respond("NO ANSWER");
        break;
    case LineEvent::Voice:
        calling_ = false;
        respond("VOICE");
        break;
    case LineEvent::Hangup:
        if (fax_ && !callDone_) {
            stopEngine();
        } else if (!fax_) {
            calling_ = false;
            respond("NO CARRIER");
        }
        break;
    }
    port_.flush();
}

void Class2Modem::dtrDropped()
{
    hangUpLine();
    line_.clear();
}

} // namespace qln::vline
