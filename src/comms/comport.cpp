// TApdComPort: settings, open and close (with the deferred close from inside
// a handler), tracing and logging controls. Operations and trigger events are
// in comportio.cpp.
#include "comms/comport.h"

#include "comms/comportwindow.h"
#include "comms/portexceptions.h"
#include "comms/posixdispatcher.h"
#include "comms/uibridge.h"

#include <cmath>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace qln {

namespace {

std::mutex g_hookLock;
std::function<std::string(int)> g_portMapper;
std::function<int(TApdComPort &)> g_portChooser;

} // namespace

TApdComPort::TApdComPort() = default;

TApdComPort::~TApdComPort()
{
    if (Dispatcher_)
        ShutDownDispatcher();
}

// ---- Hooks ----------------------------------------------------------------

void TApdComPort::SetPortMapper(std::function<std::string(int)> mapper)
{
    std::lock_guard lock(g_hookLock);
    g_portMapper = std::move(mapper);
}

std::string TApdComPort::DeviceForComNumber(int comNumber)
{
    {
        std::lock_guard lock(g_hookLock);
        if (g_portMapper) {
            std::string d = g_portMapper(comNumber);
            if (!d.empty())
                return d;
        }
    }
    return "/dev/ttyS" + std::to_string(comNumber - 1);
}

void TApdComPort::SetPortChooser(std::function<int(TApdComPort &)> chooser)
{
    std::lock_guard lock(g_hookLock);
    g_portChooser = std::move(chooser);
}

std::vector<int> TApdComPort::AvailablePorts()
{
    std::vector<int> ports;
    for (int n = 1; n <= 50; ++n) {
        std::string dev = DeviceForComNumber(n);
        int fd = ::open(dev.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            if (::isatty(fd))
                ports.push_back(n);
            ::close(fd);
        } else if (TApdPosixDispatcher::MapOpenError(errno) == -ecAlreadyOpen) {
            ports.push_back(n);
        }
    }
    return ports;
}

// ---- Settings -------------------------------------------------------------

void TApdComPort::SetDeviceLayer(TDeviceLayer v)
{
    if (v == dlWin32)
        DeviceLayer_ = v;
}

void TApdComPort::SetComNumber(int v)
{
    if (v == ComNumber_)
        return;
    if (State_ == PortState::Open) {
        // Close and reopen on the new number, keeping trace, log and triggers.
        TTraceLogState tracing = Tracing_, logging = Logging_;
        Tracing_ = Logging_ = tlOff; // no dump on this close
        if (Dispatcher_) {
            Dispatcher_->StopTracing();
            Dispatcher_->StopLogging();
        }
        DoClose();
        ComNumber_ = v;
        Tracing_ = tracing == tlOff ? tlOff : tlOn;
        Logging_ = logging == tlOff ? tlOff : tlOn;
        SetOpen(true);
        return;
    }
    ComNumber_ = v;
}

void TApdComPort::SetDevicePath(const std::string &path) { DevicePath_ = path; }

void TApdComPort::ApplyLine()
{
    if (Dispatcher_ && State_ == PortState::Open)
        CheckResult(Dispatcher_->SetLine(Baud_, Parity_, StopBits_, DataBits_));
}

void TApdComPort::SetBaud(int v)
{
    Baud_ = v;
    ApplyLine();
}

void TApdComPort::SetParity(TParity v)
{
    Parity_ = v;
    ApplyLine();
}

void TApdComPort::SetDataBits(int v)
{
    DataBits_ = v;
    ApplyLine();
}

void TApdComPort::SetStopBits(int v)
{
    StopBits_ = v;
    ApplyLine();
}

void TApdComPort::SetInSize(int v) { InSize_ = v; }

void TApdComPort::SetOutSize(int v) { OutSize_ = v; }

void TApdComPort::SetDTR(bool v)
{
    DTR_ = v;
    if (Dispatcher_ && State_ == PortState::Open)
        CheckResult(Dispatcher_->SetDTR(v));
}

void TApdComPort::SetRTS(bool v)
{
    RTS_ = v;
    if (Dispatcher_ && State_ == PortState::Open)
        CheckResult(Dispatcher_->SetRTS(v));
}

int TApdComPort::PercentOf(int base, int percent)
{
    return int(std::lround(double(base) * percent / 100.0));
}

void TApdComPort::ApplyFlow(bool settleLevels)
{
    if (!settleLevels) {
        // Levels set directly are kept as given.
    } else if (HWFlowOptions_ != 0) {
        if (BufferFull_ == 0 || BufferFull_ > InSize_)
            BufferFull_ = PercentOf(InSize_, 90);
        if (BufferResume_ == 0 || BufferResume_ > BufferFull_)
            BufferResume_ = PercentOf(InSize_, 10);
    } else if (SWFlowOptions_ != swfNone) {
        if (BufferFull_ == 0 || BufferFull_ > InSize_)
            BufferFull_ = PercentOf(InSize_, 75);
        if (BufferResume_ == 0 || BufferResume_ > BufferFull_)
            BufferResume_ = PercentOf(InSize_, 25);
    }
    if (Dispatcher_ && State_ == PortState::Open)
        CheckResult(Dispatcher_->SetFlowControl(HWFlowOptions_, SWFlowOptions_, XOnChar_, XOffChar_,
                                                uint32_t(BufferFull_), uint32_t(BufferResume_)));
}

void TApdComPort::SetHWFlowOptions(uint8_t v)
{
    HWFlowOptions_ = v;
    ApplyFlow();
}

void TApdComPort::SetSWFlowOptions(TSWFlowOptions v)
{
    SWFlowOptions_ = v;
    ApplyFlow();
}

void TApdComPort::SetXOnChar(uint8_t v)
{
    XOnChar_ = v;
    ApplyFlow();
}

void TApdComPort::SetXOffChar(uint8_t v)
{
    XOffChar_ = v;
    ApplyFlow();
}

void TApdComPort::SetBufferFull(int v)
{
    BufferFull_ = v > InSize_ ? PercentOf(v, 90) : v;
    ApplyFlow(false);
}

void TApdComPort::SetBufferResume(int v)
{
    BufferResume_ = v > BufferFull_ ? PercentOf(BufferFull_, 10) : v;
    ApplyFlow(false);
}

// ---- Tracing and logging --------------------------------------------------

void TApdComPort::ApplyTracing(TTraceLogState v, bool logging)
{
    TTraceLogState &state = logging ? Logging_ : Tracing_;
    if (!Dispatcher_ || State_ != PortState::Open) {
        state = v == tlOn ? tlOn : tlOff;
        return;
    }
    auto &d = *Dispatcher_;
    const bool on = logging ? d.LoggingOn() : d.TracingOn();
    switch (v) {
    case tlOn:
        if (on && state == tlPause)
            logging ? d.PauseLogging(false) : d.PauseTracing(false);
        else
            logging ? d.StartLogging(LogSize_) : d.StartTracing(TraceSize_);
        state = tlOn;
        break;
    case tlOff:
        logging ? d.StopLogging() : d.StopTracing();
        state = tlOff;
        break;
    case tlDump:
    case tlAppend: {
        bool append = v == tlAppend;
        int rc = logging ? d.DumpLog(LogName, append, LogHex, LogAllHex)
                         : d.DumpTrace(TraceName, append, TraceHex, TraceAllHex);
        state = tlOff;
        CheckResult(rc);
        break;
    }
    case tlClear:
        if (!on)
            RaiseForCode(logging ? ecLoggingNotEnabled : ecTracingNotEnabled);
        logging ? d.ClearLogging() : d.ClearTracing();
        break;
    case tlPause:
        if (!on)
            RaiseForCode(logging ? ecLoggingNotEnabled : ecTracingNotEnabled);
        logging ? d.PauseLogging(true) : d.PauseTracing(true);
        state = tlPause;
        break;
    }
}

void TApdComPort::SetTracing(TTraceLogState v) { ApplyTracing(v, false); }

void TApdComPort::SetLogging(TTraceLogState v) { ApplyTracing(v, true); }

void TApdComPort::SetTraceSize(uint32_t v)
{
    TraceSize_ = std::min(v, kMaxTraceSize);
    if (Dispatcher_ && State_ == PortState::Open && Tracing_ == tlOn)
        Dispatcher_->StartTracing(TraceSize_);
}

void TApdComPort::SetLogSize(uint32_t v)
{
    LogSize_ = std::min(v, kMaxLogSize);
    if (Dispatcher_ && State_ == PortState::Open && Logging_ == tlOn)
        Dispatcher_->StartLogging(LogSize_);
}

// ---- Open and close -------------------------------------------------------

void TApdComPort::SetOpen(bool v)
{
    if (v)
        DoOpen();
    else
        DoClose();
}

void TApdComPort::DoOpen()
{
    if (State_ == PortState::Closing) {
        OpenRequested_ = true; // opened when the deferred close completes
        return;
    }
    if (State_ == PortState::Open)
        return;
    std::string device;
    if (TapiMode == tmOn) {
        if (TapiDevice.empty())
            RaiseForCode(ecNotOpenedByTapi);
        device = TapiDevice;
    } else {
        if (ComNumber_ == 0 && DevicePath_.empty()) {
            if (!PromptForPort_)
                RaiseForCode(ecNoPortSelected);
            std::function<int(TApdComPort &)> chooser;
            {
                std::lock_guard lock(g_hookLock);
                chooser = g_portChooser;
            }
            int chosen = chooser ? chooser(*this) : 0;
            if (chosen <= 0)
                RaiseForCode(ecNoPortSelected);
            ComNumber_ = chosen;
        }
        device = DevicePath_.empty() ? DeviceForComNumber(ComNumber_) : DevicePath_;
    }
    ApplyFlow(); // settle the flow-control levels before they are applied
    auto d = std::make_unique<TApdPosixDispatcher>();
    int rc = d->OpenCom(device, ComNumber_, uint32_t(InSize_), uint32_t(OutSize_), DTR_, RTS_,
                        Baud_, Parity_, DataBits_, StopBits_);
    if (rc < 0) {
        d.reset();
        RaiseForCode(rc);
    }
    Dispatcher_ = std::move(d);
    State_ = PortState::Open;
    TTraceLogState tracing = Tracing_, logging = Logging_;
    Tracing_ = Logging_ = tlOff;
    SetTracing(tracing == tlOff ? tlOff : tlOn);
    SetLogging(logging == tlOff ? tlOff : tlOn);
    ApplyFlow();
    if (!(HWFlowOptions_ & hwfUseDTR))
        Dispatcher_->SetDTR(DTR_);
    if (!(HWFlowOptions_ & hwfUseRTS))
        Dispatcher_->SetRTS(RTS_);
    Open_ = true;
    Window_ = std::make_shared<TApdComWindow>(*this);
    Dispatcher_->AttachWindow(Window_);
    UpdateTriggerEvents();
    if (SavedTriggers_)
        Dispatcher_->RestoreTriggers(*SavedTriggers_);
    NotifyUsers(msgPortOpen);
}

void TApdComPort::DoClose()
{
    if (State_ != PortState::Open)
        return;
    Open_ = false;
    int dumpError = 0;
    try {
        if (Tracing_ == tlOn || Tracing_ == tlPause)
            ApplyTracing(tlDump, false);
        if (Logging_ == tlOn || Logging_ == tlPause)
            ApplyTracing(tlDump, true);
    } catch (const EAPDException &e) {
        dumpError = e.Code; // reported once the port is closed
    }
    State_ = PortState::Closing;
    NotifyUsers(msgPortClosing);
    SavedTriggers_ = std::make_unique<TApdBaseDispatcher::SavedTriggers>(Dispatcher_->SaveTriggers());
    if (Dispatcher_->HandlersRunning()) {
        // Called from inside a handler: finish once the handlers are done.
        Dispatcher_->MarkClosing();
        std::weak_ptr<TApdComWindow> w = Window_;
        int32_t lParam = int32_t(uint32_t(Dispatcher_->Index()) << 16);
        UiBridge::Post([w, lParam] {
            if (auto win = w.lock())
                win->WndProc(msgClosePending, 0, lParam);
        });
    } else {
        ShutDownDispatcher();
    }
    if (dumpError)
        RaiseForCode(dumpError);
}

void TApdComPort::FinishDeferredClose()
{
    // Also reached from the message pump inside a shutdown under way.
    if (State_ != PortState::Closing || !Dispatcher_ || ShuttingDown_)
        return;
    if (Dispatcher_->ThreadsAlive() || Dispatcher_->HandlersRunning()) {
        std::weak_ptr<TApdComWindow> w = Window_;
        int32_t lParam = int32_t(uint32_t(Dispatcher_->Index()) << 16);
        UiBridge::Post([w, lParam] {
            if (auto win = w.lock())
                win->WndProc(msgClosePending, 0, lParam);
        });
        return;
    }
    ShutDownDispatcher();
}

void TApdComPort::ShutDownDispatcher()
{
    ShuttingDown_ = true;
    Dispatcher_->DonePort(); // lets UI messages run while the threads end
    ShuttingDown_ = false;
    if (Window_)
        Dispatcher_->DetachWindow(Window_.get());
    Window_.reset();
    Dispatcher_.reset();
    State_ = PortState::Closed;
    Open_ = false;
    if (OpenRequested_) {
        OpenRequested_ = false;
        DoOpen();
    }
}

// ---- Port users -----------------------------------------------------------

int TApdComPort::RegisterUser(std::function<void(uint32_t)> callback)
{
    Users_.push_back({NextUserId_, std::move(callback)});
    return NextUserId_++;
}

void TApdComPort::DeregisterUser(int id)
{
    std::erase_if(Users_, [id](const User &u) { return u.id == id; });
}

void TApdComPort::NotifyUsers(uint32_t msg)
{
    auto users = Users_;
    for (auto &u : users)
        if (u.callback)
            u.callback(msg);
}

} // namespace qln
