// The simulated exchange of the virtual line: dial plan, ringing, answer,
// hang-up, and the end of the remote fax machine's calls.
#include "vline/vline_server.h"

#include "vline/vline_log.h"
#include "vline/voice_source.h"

#include <algorithm>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace qln::vline {

namespace {

constexpr int64_t seconds(double s) { return static_cast<int64_t>(s * kSampleRate); }

constexpr int64_t kFirstRing = seconds(1);
constexpr int64_t kRingInterval = seconds(6);
constexpr int kMaxRings = 10;
constexpr int64_t kRemoteAnswer = seconds(3);
constexpr int64_t kBusyAfter = seconds(2);
constexpr int64_t kNoAnswerAfter = seconds(30);
constexpr int64_t kVoiceAnswer = seconds(3);
constexpr int64_t kVoiceHeard = seconds(3);
constexpr int64_t kLinger = seconds(60);
// After one modem of a modem-to-modem call hangs up.
constexpr int64_t kPeerGoneLinger = seconds(5);
// After the calling terminal finished, time for the remote machine to finish.
constexpr int64_t kTerminalLinger = seconds(10);

bool writeFileAtomically(const std::string &path, const std::string &text)
{
    std::string tmp = path + ".part";
    std::FILE *f = std::fopen(tmp.c_str(), "w");
    if (!f)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (fsync(fileno(f)) == 0) && ok;
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

std::string oneLine(std::string s)
{
    for (char &c : s)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return s;
}

} // namespace

void VlineServer::modemDialled(EmulatedModem &m, const std::string &number)
{
    actions_.push_back({Action::Dial, &m, number});
}

void VlineServer::modemAnswered(EmulatedModem &m)
{
    actions_.push_back({Action::Answer, &m, {}});
}

void VlineServer::modemHungUp(EmulatedModem &m)
{
    actions_.push_back({Action::Hangup, &m, {}});
}

void VlineServer::processActions()
{
    // Modem callbacks arrive from inside spandsp; they are acted on here,
    // outside it, in the order they came.
    while (!actions_.empty()) {
        Action a = actions_.front();
        actions_.erase(actions_.begin());
        switch (a.kind) {
        case Action::Dial:
            dial(*a.modem, a.number);
            break;
        case Action::Answer:
            answer(*a.modem);
            break;
        case Action::Hangup:
            hangup(*a.modem);
            break;
        }
    }
}

LineCall *VlineServer::callOf(const EmulatedModem *m)
{
    for (auto &c : calls_)
        if (c->involves(m))
            return c.get();
    return nullptr;
}

LineCall &VlineServer::newCall(LineCall::Target t)
{
    calls_.push_back(std::make_unique<LineCall>(nextCallId_++, t, opt_.noiseDbm0));
    calls_.back()->setMaxBps(opt_.maxBps);
    return *calls_.back();
}

void VlineServer::dial(EmulatedModem &m, const std::string &number)
{
    if (LineCall *old = callOf(&m))
        endCall(old, "caller dialled again");
    LineCall::Target target = LineCall::Target::NoAnswer;
    EmulatedModem *callee = nullptr;
    int64_t after = kNoAnswerAfter;
    if (number == "100") {
        target = LineCall::Target::Remote;
        after = kRemoteAnswer;
    } else if (number.size() == 3 && number[0] == '1' && number[1] == '0' && number[2] >= '1'
               && number[2] - '0' <= static_cast<int>(modems_.size())) {
        callee = modems_[static_cast<size_t>(number[2] - '1')].get();
        if (callee == &m || callOf(callee)) {
            target = LineCall::Target::Busy;
            after = kBusyAfter;
            callee = nullptr;
        } else {
            target = LineCall::Target::Modem;
            after = kFirstRing;
        }
    } else if (number == "200") {
        target = LineCall::Target::Busy;
        after = kBusyAfter;
    } else if (number == "400") {
        target = LineCall::Target::Voice;
        after = kVoiceAnswer;
    }
    LineCall &c = newCall(target);
    c.caller = &m;
    c.callee = callee;
    c.number = number;
    c.nextEventAt = now_ + after;
    VlineLog::write("call %d: modem%d dials \"%s\"", c.id(), m.index(), number.c_str());
}

void VlineServer::terminalDial(int clientFd, const std::string &ident, const std::string &file, bool ecm)
{
    LineCall &c = newCall(LineCall::Target::Remote);
    c.dialsRemote = true;
    c.clientFd = clientFd;
    c.txFile = file;
    c.txIdent = ident.empty() ? opt_.remoteId : ident;
    c.terminalEcm = ecm;
    c.number = "100";
    c.nextEventAt = now_ + kRemoteAnswer;
    VlineLog::write("call %d: calling terminal dials \"100\" to send %s%s", c.id(), file.c_str(),
                    ecm ? " (ECM offered)" : "");
}

void VlineServer::answer(EmulatedModem &m)
{
    LineCall *c = callOf(&m);
    if (!c || c->callee != &m || c->state != LineCall::State::Ringing) {
        // Nobody is calling: the modem finds no carrier.
        VlineLog::write("modem%d: answered, but no call is ringing", m.index());
        m.lineEvent(LineEvent::Hangup);
        return;
    }
    c->state = LineCall::State::Connected;
    if (!c->caller) {
        RemoteFaxOptions ro;
        ro.ident = c->txIdent;
        ro.ecm = opt_.remoteEcm;
        ro.trace = opt_.trace;
        ro.hangUpAfterMcf = opt_.remoteNoDcn;
        c->remote = std::make_unique<RemoteFax>(true, c->txFile, ro);
        reply(c->clientFd, "ANSWERED");
    }
    m.lineEvent(LineEvent::Answered);
    if (c->caller)
        c->caller->lineEvent(LineEvent::Connected);
    VlineLog::write("call %d: answered by modem%d", c->id(), m.index());
}

void VlineServer::hangup(EmulatedModem &m)
{
    LineCall *c = callOf(&m);
    if (!c)
        return;
    EmulatedModem *other = c->caller == &m ? c->callee : c->caller;
    if (other && c->state == LineCall::State::Connected) {
        // The other host still has the last frames to read (DCN after MCF)
        // and normally hangs up itself; the exchange clears the line later.
        (c->caller == &m ? c->caller : c->callee) = nullptr;
        c->peerGone = true;
        c->deadline = now_ + kPeerGoneLinger;
        VlineLog::write("call %d: modem%d hung up", c->id(), m.index());
        return;
    }
    if (other && other == c->caller)
        other->lineEvent(LineEvent::NoAnswer);  // the called modem refused the call
    endCall(c, ("hung up by modem" + std::to_string(m.index())).c_str());
}

void VlineServer::advanceCall(LineCall &c)
{
    using T = LineCall::Target;
    if (c.state == LineCall::State::Connected) {
        if (c.terminal) {
            // Two machines and no host: the call is over once both have
            // finished (or the terminal has and the remote machine had time to).
            if (c.terminalReported && (c.outcomeReported || now_ >= c.deadline))
                endCall(&c, "calling terminal hung up");
            return;
        }
        if ((c.outcomeReported || c.peerGone) && now_ >= c.deadline) {
            for (EmulatedModem *m : {c.caller, c.callee})
                if (m)
                    m->lineEvent(LineEvent::Hangup);
            endCall(&c, c.peerGone ? "far end hung up" : "remote machine hung up");
        } else if (c.target() == T::Voice && now_ >= c.nextEventAt) {
            c.caller->lineEvent(LineEvent::Voice);
            endCall(&c, "answered by voice");
        }
        return;
    }
    if (now_ < c.nextEventAt)
        return;
    switch (c.target()) {
    case T::Remote:
        if (c.caller || c.dialsRemote) {
            // The remote machine answers a modem's call.
            char base[64];
            std::snprintf(base, sizeof base, "/remote/rx-%04d", nextRxNumber());
            c.rxBase = opt_.dir + base;
            RemoteFaxOptions ro;
            ro.ident = opt_.remoteId;
            ro.ecm = opt_.remoteEcm;
            ro.trace = opt_.trace;
            c.remote = std::make_unique<RemoteFax>(false, c.rxBase + ".tif.part", ro);
            c.state = LineCall::State::Connected;
            if (c.caller) {
                c.caller->lineEvent(LineEvent::Connected);
            } else {
                RemoteFaxOptions to;
                to.ident = c.txIdent;
                to.ecm = c.terminalEcm;
                to.only1d = true;  // like the hosts it is compared with
                to.trace = opt_.trace;
                to.name = "calling terminal";
                to.tag = "terminal";
                c.terminal = std::make_unique<RemoteFax>(true, c.txFile, to);
                reply(c.clientFd, "ANSWERED");
            }
            VlineLog::write("call %d: remote machine answers, receiving into %s.tif", c.id(), c.rxBase.c_str());
            return;
        }
        [[fallthrough]];  // the remote machine calls a modem: ring it
    case T::Modem:
        if (c.rings >= kMaxRings) {
            VlineLog::write("call %d: not answered after %d rings", c.id(), c.rings);
            if (c.caller)
                c.caller->lineEvent(LineEvent::NoAnswer);
            reply(c.clientFd, "RESULT\t-1\t0\tno answer\t0\t");
            c.outcomeReported = true;
            endCall(&c, "no answer");
            return;
        }
        ++c.rings;
        c.callee->lineEvent(LineEvent::Ring);
        reply(c.clientFd, "RING");
        c.nextEventAt = now_ + kRingInterval;
        return;
    case T::Busy:
        c.caller->lineEvent(LineEvent::Busy);
        endCall(&c, "busy");
        return;
    case T::NoAnswer:
        c.caller->lineEvent(LineEvent::NoAnswer);
        endCall(&c, "no answer");
        return;
    case T::Voice:
        c.far = std::make_unique<VoiceSource>();
        c.state = LineCall::State::Connected;
        c.nextEventAt = now_ + kVoiceHeard;
        VlineLog::write("call %d: answered by a person", c.id());
        return;
    }
}

void VlineServer::finishRemote(LineCall &c)
{
    FaxOutcome out = c.remote->outcome();
    bool receiving = !c.remote->calling();
    c.remote.reset();  // closes the TIFF file
    c.outcomeReported = true;
    // A remote that hangs up without DCN clears the line at once.
    c.deadline = opt_.remoteNoDcn && !receiving ? now_ : now_ + kLinger;
    if (receiving) {
        std::string part = c.rxBase + ".tif.part";
        std::string tif = c.rxBase + ".tif";
        if (out.pages > 0) {
            if (std::rename(part.c_str(), tif.c_str()) != 0)
                VlineLog::write("call %d: cannot rename %s", c.id(), part.c_str());
        } else {
            std::remove(part.c_str());
        }
        std::string text = "code: " + std::to_string(out.code) + "\n" + "text: " + oneLine(out.text) + "\n"
                           + "pages: " + std::to_string(out.pages) + "\n" + "remote id: " + oneLine(out.remoteId)
                           + "\n" + "remote id as received: [" + oneLine(out.rawRemoteId) + "]\n" + "bit rate: " + std::to_string(out.bitRate) + "\n"
                           + "ecm: " + (out.ecm ? "yes" : "no") + "\n"
                           + "file: " + (out.pages > 0 ? tif : std::string()) + "\n";
        if (!writeFileAtomically(c.rxBase + ".txt", text))
            VlineLog::write("call %d: cannot write %s.txt", c.id(), c.rxBase.c_str());
    } else {
        reply(c.clientFd, "RESULT\t" + std::to_string(out.code) + "\t" + std::to_string(out.pages) + "\t"
                              + oneLine(out.text) + "\t" + std::to_string(out.bitRate) + "\t"
                              + oneLine(out.remoteId));
    }
}

void VlineServer::finishTerminal(LineCall &c)
{
    const FaxOutcome &out = c.terminal->outcome();
    c.terminalReported = true;
    c.deadline = now_ + kTerminalLinger;
    reply(c.clientFd, "RESULT\t" + std::to_string(out.code) + "\t" + std::to_string(out.pages) + "\t"
                          + oneLine(out.text) + "\t" + std::to_string(out.bitRate) + "\t" + oneLine(out.remoteId));
}

void VlineServer::endCall(LineCall *c, const char *why)
{
    if (c->terminal && !c->terminalReported) {
        c->terminal->terminate();
        finishTerminal(*c);
    }
    if (c->remote && !c->remote->finished())
        c->remote->terminate();
    if (c->remote)
        finishRemote(*c);
    bool clientAnswered = c->terminal ? c->terminalReported : c->outcomeReported;
    if (!clientAnswered && c->clientFd >= 0)
        reply(c->clientFd, std::string("RESULT\t-1\t0\t") + why + "\t0\t");
    VlineLog::write("call %d ended: %s", c->id(), why);
    calls_.erase(std::remove_if(calls_.begin(), calls_.end(), [c](const auto &p) { return p.get() == c; }),
                 calls_.end());
}

} // namespace qln::vline
