#include "fax/faxsession.h"

#include <algorithm>
#include <thread>

namespace qln::fax {

namespace {
std::string withoutQuotedText(const std::string &line)
{
    std::string out;
    bool quoted = false;
    for (char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted)
            out += c;
    }
    return out;
}
} // namespace

FaxSession::FaxSession(FaxLink &link, FaxEvents &events) : link_(&link), events_(events) {}

void FaxSession::step(FaxTrigger t)
{
    std::lock_guard<std::recursive_mutex> lock(stepLock_);
    if (!inProgress_)
        return;
    Event ev;
    switch (t) {
    case FaxTrigger::StatusTimer:
        reportStatus(false, false);
        link_->armStatusTimer(secsToTicksForStatus());
        return;
    case FaxTrigger::Cancel:
        cancel();
        return;
    case FaxTrigger::ResponseTimer: ev.kind = Input::Timer; break;
    case FaxTrigger::OutputFree: ev.kind = Input::OutFree; break;
    case FaxTrigger::OutputUsed: ev.kind = Input::OutUsed; break;
    case FaxTrigger::Data:
    case FaxTrigger::None: break;
    }
    runSteps(ev);
}

long FaxSession::secsToTicksForStatus() const
{
    int s = settings.statusInterval > 0 ? settings.statusInterval : 1;
    return static_cast<long>(s) * 1675 / 92;
}

void FaxSession::cancel()
{
    std::unique_lock<std::recursive_mutex> lock(stepLock_, std::defer_lock);
    while (!lock.try_lock()) {
        if (whileWaitingForStep)
            whileWaitingForStep();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!inProgress_)
        return;
    cancelled_ = true;
    setStatus(fpCancel);
    lastError = -ecCancelRequested;
    link_->logState("Cancel");
    events_.faxError(lastError);
    enterAbort();
    runSteps(Event{});
}

void FaxSession::lineLost()
{
    std::lock_guard<std::recursive_mutex> lock(stepLock_);
    if (!inProgress_)
        return;
    exitAfterAbort_ = true;
    fail(-3005);
    runSteps(Event{});
}

void FaxSession::runSteps(Event ev)
{
    // A generous bound guards against a machine that never waits.
    for (int guard = 0; guard < 1000000 && inProgress_; ++guard) {
        Mode mode = inputMode();
        if (ev.kind == Input::None) {
            if (mode == Mode::Lines) {
                if (!pullInput(ev))
                    return;
            } else if (mode == Mode::Trigger) {
                drainInput(); // unexpected bytes while page data flows
            }
        }
        link_->logState(stateName());
        link_->logFaxState(stateLogCode());
        int before = statusCode;
        Step next = handle(ev);
        if (writeError_ != 0) {
            // Output that could not be written fails the fax, unless it
            // already failed and this was its hang-up.
            int rc = writeError_;
            writeError_ = 0;
            if (inProgress_ && lastError == 0) {
                fail(rc);
                next = Step::Next;
            }
        }
        if (statusCode != before && inProgress_)
            reportStatus(false, false);
        ev = Event{};
        if (next == Step::Wait) {
            mode = inputMode();
            if ((mode != Mode::Lines && mode != Mode::Raw) || (link_->inputCount() == 0 && !lineHeld_))
                return;
        }
    }
}

bool FaxSession::pullInput(Event &ev)
{
    if (lineHeld_) {
        lineHeld_ = false;
        ev = heldLine_;
        return true;
    }
    while (link_->inputCount() > 0) {
        int b = link_->readByte();
        if (b < 0)
            return false;
        if (collectingFrame_) {
            if (b == 0xFF)
                frameStarted_ = true;
            if (frameStarted_) {
                if (frames_.feed(static_cast<uint8_t>(b))) {
                    collectingFrame_ = frameStarted_ = false;
                    lines_.clear();
                    if (frames_.frame().cut) {
                        // A frame without end: the reception is stopped and
                        // what came of it dropped; the state sees a damaged
                        // frame, as when its check sequence fails.
                        link_->logState("Frame too long: cut off");
                        const uint8_t blank = 0x20;
                        writeBytes(&blank, 1);
                        link_->flushInput();
                        ev.kind = Input::Line;
                        ev.damagedFrame = true;
                        return true;
                    }
                    frameHeld_ = true;
                }
                continue;
            }
            frames_.feed(static_cast<uint8_t>(b));
            // No frame started yet: a line ("NO CARRIER", "ERROR") may come instead.
        }
        if (lines_.feed(static_cast<uint8_t>(b))) {
            const bool inFrame = collectingFrame_ || frameHeld_;
            collectingFrame_ = false;
            skipLf_ = true;
            ev.kind = Input::Line;
            ev.line = lines_.line();
            ev.bare = withoutQuotedText(ev.line);
            // "ERROR" in a frame (its check sequence failed) or "+FCERROR"
            // (another carrier than the one asked for): no usable frame.
            if ((inFrame && ev.bare.find("ERROR") != std::string::npos)
                || ev.bare.find("+FCERROR") != std::string::npos) {
                frameHeld_ = false;
                ev.damagedFrame = true;
                return true;
            }
            if (frameHeld_) {
                frameHeld_ = false;
                heldLine_ = ev;
                lineHeld_ = true;
                ev = Event{};
                ev.kind = Input::Frame;
            }
            return true;
        }
    }
    return false;
}

void FaxSession::sendCommand(const std::string &cmd, int pauseMs)
{
    link_->pause(pauseMs);
    std::string s = cmd + "\r";
    // One character at a time, as modems that echo slowly expect.
    for (char c : s) {
        uint8_t b = static_cast<uint8_t>(c);
        link_->writeBlock(&b, 1);
    }
    lines_.clear();
    collectingFrame_ = frameStarted_ = false;
    frameHeld_ = lineHeld_ = false; // replies to earlier commands are done with
    link_->armResponseTimer(responseTicks_);
}

void FaxSession::writeBytes(const uint8_t *data, std::size_t len)
{
    // The output ring refuses a block larger than its free space: the bytes
    // go in pieces as the modem takes them, and when no room comes for a
    // while (or the device refuses them otherwise) the error fails the fax
    // after this step instead of the data being lost.
    std::size_t done = 0;
    int waitedMs = 0;
    while (done < len && writeError_ == 0) {
        std::size_t n = std::min(len - done, link_->outputFree());
        int rc = n > 0 ? link_->writeBlock(data + done, n) : -ecOutputBufferTooSmall;
        if (rc == 0) {
            done += n;
            waitedMs = 0;
        } else if (rc != -ecOutputBufferTooSmall || waitedMs >= kOutputRoomWaitMs) {
            writeError_ = rc;
        } else {
            link_->pause(10);
            waitedMs += 10;
        }
    }
}

void FaxSession::writeFrame(const t30::Bytes &frame)
{
    link_->pause(20);
    writeBytes(frame);
}

void FaxSession::reportStatus(bool first, bool last)
{
    events_.faxStatus(first, last);
}

void FaxSession::fail(int code)
{
    if (code > 0)
        code = -code;
    lastError = code;
    link_->logState("Error " + std::to_string(code));
    events_.faxError(code);
    enterAbort();
}

void FaxSession::finish(int code)
{
    link_->disarmResponseTimer();
    link_->armStatusTimer(0);
    link_->disarmOutputTriggers();
    inProgress_ = false;
    finishCode = code;
    link_->logState("ErrorCode:" + std::to_string(code));
    events_.faxFinish(code);
}

int FaxSession::readRaw()
{
    int b = link_->readByte();
    if (skipLf_ && b == '\n') {
        skipLf_ = false;
        b = link_->readByte();
    }
    skipLf_ = false;
    return b;
}

void FaxSession::drainInput()
{
    while (link_->inputCount() > 0 && link_->readByte() >= 0) {
    }
}

void FaxSession::resetModem()
{
    link_->flushInput();
    link_->flushOutput();
    link_->setDTR(false);
    link_->setRTS(false);
    link_->pause(500);
    link_->setDTR(true);
    link_->setRTS(true);
    link_->pause(500);
}

bool FaxSession::listenAgain()
{
    const long left = listenDeadline_ - link_->ticks();
    if (left <= 0)
        return false;
    sendModulation("AT+FRH=3");
    armResponse(left);
    return true;
}

bool FaxSession::waitForLine(const char *text, long ticks)
{
    ResponseAssembler a;
    const long deadline = link_->ticks() + ticks;
    while (link_->ticks() < deadline) {
        if (!link_->waitForInput(10))
            continue;
        int b = link_->readByte();
        if (b < 0 || !a.feed(static_cast<uint8_t>(b)))
            continue;
        if (a.line().find(text) != std::string::npos)
            return true;
        if (a.line().find("ERROR") != std::string::npos || a.line().find("NO CARRIER") != std::string::npos)
            return false;
    }
    return false;
}

bool FaxSession::sendDisconnect(bool caller)
{
    const uint8_t blank = 0x20; // stops a reception still waiting
    writeBytes(&blank, 1);
    link_->pause(100);
    link_->flushInput();
    sendModulation("AT+FTH=3");
    bool done = false;
    if (waitForLine("CONNECT", kT4Ticks)) {
        writeFrame(t30::buildFrame(caller ? t30::withX(t30::fcfDCN) : t30::fcfDCN, {}, true));
        done = waitForLine("OK", kT4Ticks);
    }
    if (!done)
        link_->logState("DCN not confirmed by the modem");
    link_->flushInput();
    lines_.clear();
    return done;
}

void FaxSession::hangupSending()
{
    if (link_->carrier()) {
        link_->pause(1000);
        writeBytes(reinterpret_cast<const uint8_t *>("+++"), 3);
        link_->pause(1000);
        sendCommand("ATH0");
        waitForLine("OK", kHangupOkTicks);
        link_->flushInput();
        if (link_->carrier())
            resetModem();
    } else {
        sendCommand("ATH0");
        // A modem that does not confirm the hang-up may still be in a data
        // mode: dropping DTR ends the call there.
        if (!waitForLine("OK", kHangupOkTicks))
            resetModem();
        link_->flushInput();
    }
    lines_.clear();
}

void FaxSession::hangupReceiving()
{
    resetModem();
    link_->pause(1000);
    writeBytes(reinterpret_cast<const uint8_t *>("+++"), 3);
    link_->pause(1000);
    sendCommand("ATH");
    link_->pause(1000);
    link_->flushInput();
    lines_.clear();
}

void FaxSession::beginAtInitSpeed()
{
    if (settings.initBaud == 0) {
        runningAtInitBaud_ = false;
        link_->setBaud(19200);
        return;
    }
    if (settings.normalBaud != 0) {
        normalBaud_ = settings.normalBaud;
    } else if (!runningAtInitBaud_) {
        // The port's own speed is the normal one. A port that an earlier
        // session left at the initialisation speed keeps the normal speed
        // found then, or the second session would run at the init speed.
        int now = link_->currentBaud();
        normalBaud_ = now > 0 ? now : 19200;
    }
    link_->setBaud(settings.initBaud);
    runningAtInitBaud_ = true;
}

void FaxSession::switchToNormalSpeed()
{
    if (settings.initBaud == 0) {
        link_->setBaud(19200);
        return;
    }
    // Already at the normal speed: a move through 19200 would leave the
    // port there while the modem stays at the normal speed.
    if (!runningAtInitBaud_)
        return;
    link_->setBaud(19200);
    link_->pause(static_cast<int>(kSpeedSwitchTicks * 55));
    link_->setBaud(normalBaud_);
    runningAtInitBaud_ = false;
}

void FaxSession::switchToInitSpeed()
{
    if (settings.initBaud == 0) {
        link_->setBaud(19200);
        return;
    }
    if (runningAtInitBaud_)
        return;
    link_->setBaud(19200);
    link_->pause(static_cast<int>(kSpeedSwitchTicks * 55));
    link_->setBaud(settings.initBaud);
    runningAtInitBaud_ = true;
}

int FaxSession::sendAndWait(const std::string &cmd, std::string *info, long ticks)
{
    link_->flushInput();
    sendCommand(cmd);
    link_->disarmResponseTimer();
    long deadline = link_->ticks() + ticks;
    ResponseAssembler a;
    bool haveInfo = false;
    int result = -ecFaxInitError;
    while (link_->ticks() < deadline) {
        if (link_->inputCount() == 0) {
            if (whileWaitingForStep)
                whileWaitingForStep();
            link_->pause(10);
            continue;
        }
        int b = link_->readByte();
        if (b < 0 || !a.feed(static_cast<uint8_t>(b)))
            continue;
        const std::string &l = a.line();
        if (l == cmd)
            continue; // echo
        if (l.find("ERROR") != std::string::npos)
            break;
        if (isResultLine(l, "OK")) {
            result = 0;
            break;
        }
        if (!haveInfo) {
            haveInfo = true;
            if (info)
                *info = l;
        } else {
            result = 0; // an information reply followed by another line
            break;
        }
    }
    link_->flushInput();
    return result;
}

int FaxSession::detectClass(const std::string &init, TFaxClass &found)
{
    if (sendAndWait(init, nullptr) != 0 && sendAndWait(init, nullptr) != 0)
        return -ecFaxInitError;
    std::string reply;
    if (sendAndWait("AT+FCLASS=?", &reply) != 0)
        return -ecFaxInitError;
    ClassDetection d = parseClassList(reply);
    classesSupported = d.supported;
    if (d.best == fcUnknown)
        return -ecFaxInitError;
    settings.class1Command = d.class1Command;
    found = d.best;
    return 0;
}

} // namespace qln::fax
