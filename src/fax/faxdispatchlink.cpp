#include "fax/faxdispatchlink.h"

#include "comms/dispatcher.h"
#include "comms/dispatchercodes.h"
#include "comms/dispatchlog.h"
#include "fax/faxsession.h"
#include "fax/faxstates.h"

#include <chrono>
#include <thread>

namespace qln::fax {

FaxDispatchLink::FaxDispatchLink(TApdBaseDispatcher &dispatcher) : d_(dispatcher)
{
    DispatchLog::setFaxStateNamer([](int code) { return faxStateLogName(code); });
}

FaxDispatchLink::~FaxDispatchLink() { detach(); }

int FaxDispatchLink::attach(FaxSession &session)
{
    detach();
    session_ = &session;
    d_.SetAvailLevel(1);
    responseTimer_ = d_.NewTimerTrigger();
    statusTimer_ = d_.NewTimerTrigger();
    outFree_ = d_.NewStatusTrigger(stOutBuffFree);
    outUsed_ = d_.NewStatusTrigger(stOutBuffUsed);
    if (responseTimer_ <= 0 || statusTimer_ <= 0 || outFree_ <= 0 || outUsed_ <= 0) {
        detach();
        return -ecNoMoreTriggers;
    }
    d_.SetSlot(2, &session);
    handlerId_ = d_.AttachHandler(
        [this](uint32_t msg, uint32_t wParam, int32_t) { onTrigger(msg, wParam); });
    return 0;
}

void FaxDispatchLink::detach()
{
    if (handlerId_ >= 0)
        d_.DetachHandler(handlerId_);
    handlerId_ = -1;
    for (int *h : {&responseTimer_, &statusTimer_, &outFree_, &outUsed_}) {
        if (*h > 0)
            d_.DropTrigger(*h);
        *h = 0;
    }
    if (session_)
        d_.SetSlot(2, nullptr);
    session_ = nullptr;
}

void FaxDispatchLink::suspend(bool on) { d_.SuspendDispatch(on); }

void FaxDispatchLink::onTrigger(uint32_t msg, uint32_t wParam)
{
    if (!session_)
        return;
    if (d_.DeviceLost()) {
        session_->lineLost();
        return;
    }
    const int handle = static_cast<int>(wParam);
    switch (msg) {
    case msgTriggerAvail:
    case msgTriggerData:
        session_->step(FaxTrigger::Data);
        break;
    case msgTriggerTimer:
        if (handle == responseTimer_)
            session_->step(FaxTrigger::ResponseTimer);
        else if (handle == statusTimer_)
            session_->step(FaxTrigger::StatusTimer);
        break;
    case msgTriggerStatus:
        if (handle == outFree_)
            session_->step(FaxTrigger::OutputFree);
        else if (handle == outUsed_)
            session_->step(FaxTrigger::OutputUsed);
        break;
    default:
        break;
    }
}

int FaxDispatchLink::writeBlock(const uint8_t *data, std::size_t len)
{
    return d_.WriteBlock(data, len);
}

std::size_t FaxDispatchLink::inputCount()
{
    int n = d_.InputCount();
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

int FaxDispatchLink::readByte() { return d_.ReadByte(); }

std::size_t FaxDispatchLink::outputCount()
{
    int n = d_.OutputCount();
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t FaxDispatchLink::outputFree()
{
    int n = d_.OutputFree();
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void FaxDispatchLink::flushInput() { d_.FlushInput(); }
void FaxDispatchLink::flushOutput() { d_.FlushOutput(); }
void FaxDispatchLink::setDTR(bool on) { d_.SetDTR(on); }
void FaxDispatchLink::setRTS(bool on) { d_.SetRTS(on); }
bool FaxDispatchLink::carrier() { return (d_.ModemStatus() & 0x80) != 0; }
void FaxDispatchLink::setBaud(int bps) { d_.SetLine(bps, kKeepParity, kKeepStopBits, kKeepDataBits); }
int FaxDispatchLink::currentBaud() { return d_.CurrentBaud(); }

// XON/XOFF is switched alone: the port's hardware handshaking stays as it
// was set, so a port with software flow only never gets RTS/CTS.
void FaxDispatchLink::setTxFlow(bool on)
{
    d_.SetFlowControl(d_.HWFlowOptions(), on ? swfTransmit : swfNone, 0x11, 0x13, 0, 0);
}

void FaxDispatchLink::setRxFlow(bool on, int stopLevel, int resumeLevel)
{
    d_.SetFlowControl(d_.HWFlowOptions(), on ? swfReceive : swfNone, 0x11, 0x13,
                      static_cast<uint32_t>(stopLevel), static_cast<uint32_t>(resumeLevel));
}

void FaxDispatchLink::pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
bool FaxDispatchLink::waitForInput(int ms) { return d_.WaitForInput(ms); }
long FaxDispatchLink::ticks() { return static_cast<long>(DispatcherTick()); }

void FaxDispatchLink::armResponseTimer(long t)
{
    if (responseTimer_ > 0)
        d_.ArmTimerTrigger(responseTimer_, t > 0 ? t : 1, true);
}

void FaxDispatchLink::disarmResponseTimer()
{
    if (responseTimer_ > 0)
        d_.ArmTimerTrigger(responseTimer_, 0, false);
}

void FaxDispatchLink::armStatusTimer(long t)
{
    if (statusTimer_ > 0)
        d_.ArmTimerTrigger(statusTimer_, t > 0 ? t : 0, t > 0);
}

void FaxDispatchLink::armOutputFree(std::size_t n)
{
    if (outFree_ > 0)
        d_.ArmStatusTrigger(outFree_, static_cast<uint32_t>(n), true);
}

void FaxDispatchLink::armOutputUsed(std::size_t n)
{
    if (outUsed_ > 0)
        d_.ArmStatusTrigger(outUsed_, static_cast<uint32_t>(n), true);
}

void FaxDispatchLink::disarmOutputTriggers()
{
    if (outFree_ > 0)
        d_.ArmStatusTrigger(outFree_, 0, false);
    if (outUsed_ > 0)
        d_.ArmStatusTrigger(outUsed_, 0, false);
}

void FaxDispatchLink::logState(const std::string &text)
{
    // State names are logged by number (logFaxState); other lines (errors,
    // the finish code) go in as text.
    if (d_.LoggingOn() && text.find_first_of(" :") != std::string::npos)
        d_.AddLogEntry(dtFax, 0, 0, text.data(), text.size());
}

void FaxDispatchLink::logFaxState(int code)
{
    if (d_.LoggingOn())
        d_.AddLogEntry(dtFax, static_cast<uint8_t>(code), 0);
}

bool FaxDispatchLink::deviceLost() const { return d_.DeviceLost(); }

} // namespace qln::fax
