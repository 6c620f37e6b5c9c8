// TApdComPort: operations forwarded to the dispatcher (text output, the
// blocking AwaitText, discards, triggers) and the raising of trigger events.
#include "comms/comport.h"

#include "comms/comportwindow.h"
#include "comms/portexceptions.h"
#include "comms/uibridge.h"

#include <atomic>
#include <cctype>
#include <chrono>

namespace qln {

namespace {
std::atomic<bool> g_terminating{false};
}

intptr_t TApdComWindow::WndProc(uint32_t msg, uint32_t wParam, int32_t lParam)
{
    if (msg == msgClosePending)
        port_.FinishDeferredClose();
    else
        port_.HandleTriggerMessage(msg, wParam, lParam);
    return 0;
}

void TApdComPort::SetTerminating(bool on) { g_terminating = on; }

TApdBaseDispatcher &TApdComPort::Dispatcher()
{
    if (!Dispatcher_ && State_ == PortState::Closed && AutoOpen_)
        SetOpen(true);
    if (!Dispatcher_ || State_ != PortState::Open)
        RaiseForCode(ecCommNotOpen);
    return *Dispatcher_;
}

void TApdComPort::SendText(const std::string &text) { PutBlock(text.data(), text.size()); }

void TApdComPort::PutBlock(const void *data, size_t len) { CheckResult(Dispatcher().WriteBlock(data, len)); }

bool TApdComPort::AwaitText(const std::string &text, int timeoutTicks, bool ignoreCase, bool yield)
{
    auto &d = Dispatcher();
    if (text.empty())
        return true;
    struct Resume {
        TApdBaseDispatcher &d;
        bool previous;
        ~Resume() { d.SuspendDispatch(previous); }
    } resume{d, d.SuspendDispatch(true)};

    auto same = [ignoreCase](char a, char b) {
        return ignoreCase ? std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b)) : a == b;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int64_t(timeoutTicks) * 55);
    size_t pos = 0;
    for (;;) {
        if (g_terminating)
            return false;
        int b = d.ReadByte();
        if (b >= 0) {
            char c = char(b);
            if (OnWaitChar)
                OnWaitChar(*this, c);
            if (same(c, text[pos])) {
                if (++pos == text.size())
                    return true;
            } else {
                // Simple restart: only the first character is looked at again.
                pos = same(c, text[0]) ? 1 : 0;
            }
            continue;
        }
        if (b != -ecBufferIsEmpty)
            RaiseForCode(b); // the device is gone
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        if (yield)
            UiBridge::ProcessMessages();
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        d.WaitForInput(int(std::min<int64_t>(left + 1, yield ? 10 : 50)));
    }
}

void TApdComPort::DiscardInput() { CheckResult(Dispatcher().FlushInput()); }

void TApdComPort::DiscardOutput() { CheckResult(Dispatcher().FlushOutput()); }

bool TApdComPort::InputWaiting() { return Dispatcher().InputCount() > 0; }

uint8_t TApdComPort::ReadByte() { return uint8_t(CheckResult(Dispatcher().ReadByte())); }

int TApdComPort::InBuffUsed() { return Dispatcher().InputCount(); }

int TApdComPort::OutBuffFree() { return Dispatcher().OutputFree(); }

int TApdComPort::OutBuffUsed() { return Dispatcher().OutputCount(); }

uint8_t TApdComPort::ModemStatus() { return Dispatcher().ModemStatus(); }

bool TApdComPort::DCD() { return (Dispatcher().ModemStatus() & msDCD) != 0; }

int TApdComPort::AddTimerTrigger() { return CheckResult(Dispatcher().NewTimerTrigger()); }

void TApdComPort::SetTimerTrigger(int handle, int ticks, bool activate)
{
    CheckResult(Dispatcher().ArmTimerTrigger(handle, ticks, activate));
}

int TApdComPort::AddStatusTrigger(int kind) { return CheckResult(Dispatcher().NewStatusTrigger(kind)); }

void TApdComPort::SetStatusTrigger(int handle, uint32_t value, bool activate)
{
    CheckResult(Dispatcher().ArmStatusTrigger(handle, value, activate));
}

void TApdComPort::RemoveTrigger(int handle) { CheckResult(Dispatcher().DropTrigger(handle)); }

bool TApdComPort::AnyTriggerEvent() const
{
    return OnTrigger || OnTriggerAvail || OnTriggerData || OnTriggerTimer || OnTriggerStatus ||
           OnTriggerModemStatus || OnTriggerLineError || OnTriggerOutbuffFree ||
           OnTriggerOutbuffUsed || OnTriggerOutSent;
}

void TApdComPort::UpdateTriggerEvents()
{
    if (Dispatcher_)
        Dispatcher_->SetWindowEventsWanted(AnyTriggerEvent());
}

void TApdComPort::HandleTriggerMessage(uint32_t msg, uint32_t wParam, int32_t lParam)
{
    if (State_ != PortState::Open)
        return;
    const uint16_t data = uint16_t(uint32_t(lParam) & 0xFFFF);
    const uint16_t handle = uint16_t(wParam);
    if (OnTrigger)
        OnTrigger(*this, uint16_t(msg), handle, data);
    switch (msg) {
    case msgTriggerAvail:
        if (OnTriggerAvail)
            OnTriggerAvail(*this, uint16_t(wParam));
        break;
    case msgTriggerData:
        if (OnTriggerData)
            OnTriggerData(*this, handle);
        break;
    case msgTriggerTimer:
        if (OnTriggerTimer)
            OnTriggerTimer(*this, handle);
        break;
    case msgTriggerStatus:
        if (OnTriggerStatus)
            OnTriggerStatus(*this, handle);
        switch (handle & 7) {
        case stModem:
            if (OnTriggerModemStatus)
                OnTriggerModemStatus(*this);
            break;
        case stLine:
            if (OnTriggerLineError && Dispatcher_) {
                bool lineBreak = false;
                uint8_t err = Dispatcher_->LineErrors(lineBreak);
                OnTriggerLineError(*this, err, lineBreak);
            }
            break;
        case stOutBuffFree:
            if (OnTriggerOutbuffFree)
                OnTriggerOutbuffFree(*this);
            break;
        case stOutBuffUsed:
            if (OnTriggerOutbuffUsed)
                OnTriggerOutbuffUsed(*this);
            break;
        case stOutSent:
            if (OnTriggerOutSent)
                OnTriggerOutSent(*this);
            break;
        }
        break;
    default:
        break;
    }
}

} // namespace qln
